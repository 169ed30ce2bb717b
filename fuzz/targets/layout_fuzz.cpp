// The layout builder and attribute parsing on arbitrary documents: no control
// is built with a negative size, placing the tree in the window's client area
// stays within bounds, and the attribute readers keep their documented shapes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "attribute_text.h"
#include "container.h"
#include "dialog_builder.h"
#include "fuzz_check.h"
#include "skin_tree.h"

namespace {

void checkSizes(const SkinUI::CControlUI& control) {
  FUZZ_CHECK(control.GetFixedWidth() >= 0, "no control with a negative width");
  FUZZ_CHECK(control.GetFixedHeight() >= 0, "no control with a negative height");
  if (auto* container = dynamic_cast<const SkinUI::CContainerUI*>(&control)) {
    for (int i = 0; i < container->GetCount(); ++i) checkSizes(*container->GetItemAt(i));
  }
}

void fuzzLayout(std::string_view xml) {
  SkinUI::CSkinTree tree;
  SkinUI::CControlUI* root = SkinUI::CDialogBuilder::Create(xml, tree, nullptr);
  if (root == nullptr) return;
  checkSizes(*root);
  const SkinUI::UiSize size = tree.Window().size;
  tree.SetClientRect({0, 0, size.cx > 0 ? size.cx : 400, size.cy > 0 ? size.cy : 300});
  tree.FindControlAt({size.cx / 2, size.cy / 2});
}

void fuzzAttributeText(std::string_view text) {
  const std::vector<int> numbers = SkinUI::ParseIntegerList(text, 4);
  FUZZ_CHECK(numbers.size() == 4, "an integer list has the asked length");
  SkinUI::ParseColor(text);
  SkinUI::WideFromUtf8(text);
  for (const auto& [key, value] : SkinUI::ParseAttributeList(text)) {
    FUZZ_CHECK(key.size() + value.size() <= text.size(), "attribute pairs come from the text");
  }
  FUZZ_CHECK(SkinUI::ToLowerAscii(text).size() == text.size(), "lower-casing keeps the length");
  FUZZ_CHECK(SkinUI::EqualsNoCase(text, SkinUI::ToLowerAscii(text)), "a text equals its lower case without case");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // A copy of its own, as the framework gets a layout (a whole heap block).
  const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
  if (data[0] % 4 == 0)
    fuzzAttributeText(rest);
  else
    fuzzLayout(rest);
  return 0;
}
