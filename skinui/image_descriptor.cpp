#include "image_descriptor.h"

#include "attribute_text.h"

namespace SkinUI {

namespace {

void ApplyImageKey(ImageDescriptor& image, const std::string& key, const std::string& value) {
  if (key == "file")
    image.file = WideFromUtf8(value);
  else if (key == "res")
    image.res = WideFromUtf8(value);
  else if (key == "restype")
    image.resType = WideFromUtf8(value);
  else if (key == "source") {
    image.source = ParseRect(value);
    image.hasSource = true;
  } else if (key == "dest") {
    image.dest = ParseRect(value);
    image.hasDest = true;
  } else if (key == "corner")
    image.corner = ParseRect(value);
  else if (key == "scale9")
    image.scale9 = ParseRect(value);
  else if (key == "mask")
    image.mask = ParseColor(value);
  else if (key == "color")
    image.color = ParseColor(value);
  else if (key == "fade")
    image.fade = ParseInteger(value);
  else if (key == "hole")
    image.hole = IsTrue(value);
  else if (key == "xtiled")
    image.xTiled = IsTrue(value);
  else if (key == "ytiled")
    image.yTiled = IsTrue(value);
  else if (key == "hsl")
    image.hsl = IsTrue(value);
}

}  // namespace

ImageDescriptor ParseImageDescriptor(std::string_view text) {
  ImageDescriptor image;
  if (text.find('=') == std::string_view::npos) {
    image.file = WideFromUtf8(text);
    return image;
  }
  for (const auto& [key, value] : ParseAttributeList(text)) ApplyImageKey(image, key, value);
  return image;
}

}  // namespace SkinUI
