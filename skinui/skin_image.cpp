#include "skin_image.h"

#include "gdiplus_include.h"

#include <cwctype>

#include "com_handles.h"
#include "graphics_session.h"
#include "skin_resources.h"

namespace SkinUI {

namespace {

// SHCreateMemStream: exported by name from Windows Vista on, but on XP only
// as shlwapi's ordinal 12, which every later version keeps.
using CreateMemStreamFunction = IStream*(WINAPI*)(const BYTE*, UINT);

CreateMemStreamFunction createMemStreamFunction() {
  static const auto function = [] {
    HMODULE shlwapi = ::LoadLibraryW(L"shlwapi.dll");  // kept loaded for the process
    return shlwapi == nullptr ? nullptr
                              : reinterpret_cast<CreateMemStreamFunction>(
                                    reinterpret_cast<void*>(::GetProcAddress(shlwapi, MAKEINTRESOURCEA(12))));
  }();
  return function;
}

IStream* createMemStream(const std::vector<uint8_t>& bytes) {
  CreateMemStreamFunction function = createMemStreamFunction();
  return function == nullptr ? nullptr : function(bytes.data(), static_cast<UINT>(bytes.size()));
}

}  // namespace

std::unique_ptr<SkinImage> DecodeSkinImage(const std::vector<uint8_t>& bytes) {
  if (bytes.empty()) return nullptr;
  GraphicsSession graphics;  // decoding needs GDI+ even when no control holds it
  if (!graphics.IsStarted()) return nullptr;
  tavrin::ComPtr<IStream> stream(createMemStream(bytes));
  if (!stream) return nullptr;
  Gdiplus::Bitmap decoded(stream.get());
  if (decoded.GetLastStatus() != Gdiplus::Ok) return nullptr;
  auto image = std::make_unique<SkinImage>();
  image->width = static_cast<int>(decoded.GetWidth());
  image->height = static_cast<int>(decoded.GetHeight());
  if (image->width <= 0 || image->height <= 0) return nullptr;
  void* bits = nullptr;
  image->bitmap = CreateArgbSection(image->width, -image->height, &bits);
  if (!image->bitmap) return nullptr;
  // GDI+ converts straight into the section, premultiplying on the way.
  Gdiplus::BitmapData target{};
  target.Width = image->width;
  target.Height = image->height;
  target.Stride = image->width * 4;
  target.PixelFormat = PixelFormat32bppPARGB;
  target.Scan0 = bits;
  Gdiplus::Rect all(0, 0, image->width, image->height);
  if (decoded.LockBits(&all, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf, PixelFormat32bppPARGB,
                       &target) != Gdiplus::Ok) {
    return nullptr;
  }
  decoded.UnlockBits(&target);
  return image;
}

std::unique_ptr<SkinImage> LoadSkinImage(const std::wstring& name) {
  std::vector<uint8_t> bytes;
  if (!CSkinResources::ReadSkinFile(name, bytes)) return nullptr;
  return DecodeSkinImage(bytes);
}

void DrawSkinImage(HDC dc, const SkinImage& image, const UiRect& target, const UiRect& source, const UiRect& corner,
                   BYTE opacity, const NineGridOptions& options) {
  tavrin::UniqueMemoryDc imageDc(::CreateCompatibleDC(dc));
  if (!imageDc) return;
  tavrin::SelectedObject selected(imageDc.get(), image.bitmap.get());
  BLENDFUNCTION blend{AC_SRC_OVER, 0, opacity, AC_SRC_ALPHA};
  for (const GridCell& cell : PlanNineGrid(target, source, corner, options)) {
    ::AlphaBlend(dc, cell.target.left, cell.target.top, cell.target.Width(), cell.target.Height(), imageDc.get(),
                 cell.source.left, cell.source.top, cell.source.Width(), cell.source.Height(), blend);
  }
}

const SkinImage* CImageCache::Get(const std::wstring& name) {
  std::wstring key = name;
  for (wchar_t& c : key) c = static_cast<wchar_t>(std::towlower(c));
  auto it = m_images.find(key);
  if (it == m_images.end()) it = m_images.emplace(key, LoadSkinImage(name)).first;
  return it->second.get();
}

}  // namespace SkinUI
