// The skin archive compiled in as resource 103 ("ZIPRES"): its members,
// lookup without regard to case, image decoding and the file fallback.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "skin_image.h"
#include "skin_resources.h"
#include "skin_test_support.h"

using namespace SkinUI;

namespace {

void LoadArchive() {
  CSkinResources::SetInstance(::GetModuleHandleW(nullptr));
  ASSERT_TRUE(CSkinResources::LoadZipResource(103));
  ASSERT_TRUE(CSkinResources::HasArchive());
}

struct ImageSize {
  const wchar_t* name;
  int width;
  int height;
};

const ImageSize kImages[] = {
    {L"logo.png", 80, 80},           {L"btn_normal.png", 120, 34},    {L"btn_hover.png", 120, 34},
    {L"btn_pushed.png", 120, 34},    {L"btn_disabled.png", 120, 34},  {L"check.png", 14, 14},
    {L"uncheck.png", 14, 14},        {L"main_close.png", 16, 16},     {L"main_close_hover.png", 16, 16},
    {L"progress_back.png", 600, 24}, {L"progress_fore.png", 600, 24}, {L"shadow.png", 758, 508},
    {L"close.png", 14, 14},          {L"close_hover.png", 14, 14},    {L"msg_btn_normal.png", 120, 34},
    {L"msg_btn_hover.png", 120, 34}, {L"tc_bg.png", 320, 200},
};

// Alpha of one pixel of a decoded image (top-down section).
BYTE AlphaAt(const SkinImage& image, int x, int y) {
  DIBSECTION section{};
  ::GetObjectW(image.bitmap.get(), sizeof(section), &section);
  const auto* pixels = static_cast<const uint32_t*>(section.dsBm.bmBits);
  return static_cast<BYTE>(pixels[y * image.width + x] >> 24);
}

}  // namespace

TEST(SkinArchive, HoldsTheLayoutsAsTheSourceTreeHasThem) {
  LoadArchive();
  for (const char* name : {"UninstDlg.xml", "MsgBoxDlg.xml"}) {
    std::vector<uint8_t> member;
    ASSERT_TRUE(CSkinResources::ReadArchiveMember(std::wstring(name, name + std::strlen(name)), member)) << name;
    std::string source = skintest::ReadLayout(name);
    ASSERT_FALSE(source.empty()) << name;
    EXPECT_EQ(std::string(member.begin(), member.end()), source) << name;
  }
}

TEST(SkinArchive, MemberNamesMatchWithoutRegardToCase) {
  LoadArchive();
  std::vector<uint8_t> exact, upper, mixed;
  ASSERT_TRUE(CSkinResources::ReadArchiveMember(L"logo.png", exact));
  ASSERT_TRUE(CSkinResources::ReadArchiveMember(L"LOGO.PNG", upper));
  ASSERT_TRUE(CSkinResources::ReadArchiveMember(L"Logo.Png", mixed));
  EXPECT_EQ(exact, upper);
  EXPECT_EQ(exact, mixed);
  std::vector<uint8_t> none;
  EXPECT_FALSE(CSkinResources::ReadArchiveMember(L"scrollbar.png", none));
  EXPECT_FALSE(CSkinResources::ReadArchiveMember(L"logo", none));
  std::vector<uint8_t> icon;
  EXPECT_TRUE(CSkinResources::ReadArchiveMember(L"uninst_icon.ico", icon));
}

TEST(SkinArchive, ASecondLoadRequestKeepsTheFirstArchive) {
  LoadArchive();
  EXPECT_TRUE(CSkinResources::LoadZipResource(999));  // ignored while an archive is set
  std::vector<uint8_t> layout;
  EXPECT_TRUE(CSkinResources::ReadArchiveMember(L"UninstDlg.xml", layout));
}

TEST(SkinArchive, EveryImageIsA32BitPngWithAlphaOfItsSize) {
  LoadArchive();
  for (const ImageSize& want : kImages) {
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(CSkinResources::ReadArchiveMember(want.name, bytes)) << want.name;
    ASSERT_GT(bytes.size(), 33u);
    // PNG signature, then IHDR: bit depth 8, colour type 6 (RGBA).
    EXPECT_EQ(std::string(bytes.begin() + 1, bytes.begin() + 4), "PNG");
    EXPECT_EQ(bytes[24], 8) << want.name;
    EXPECT_EQ(bytes[25], 6) << want.name;
    std::unique_ptr<SkinImage> image = DecodeSkinImage(bytes);
    ASSERT_NE(image, nullptr) << want.name;
    EXPECT_EQ(image->width, want.width) << want.name;
    EXPECT_EQ(image->height, want.height) << want.name;
  }
}

TEST(SkinArchive, DecodedImagesKeepTheirTransparency) {
  LoadArchive();
  std::unique_ptr<SkinImage> shadow = LoadSkinImage(L"shadow.png");
  ASSERT_NE(shadow, nullptr);
  EXPECT_EQ(AlphaAt(*shadow, 379, 254), 0);  // the clear centre
  EXPECT_EQ(AlphaAt(*shadow, 0, 0), 0);      // beyond the rounded corner
  BYTE nearEdge = AlphaAt(*shadow, 379, 15);
  BYTE farEdge = AlphaAt(*shadow, 379, 2);
  EXPECT_GT(nearEdge, farEdge);
  EXPECT_GT(nearEdge, 0);
  std::unique_ptr<SkinImage> logo = LoadSkinImage(L"logo.png");
  ASSERT_NE(logo, nullptr);
  EXPECT_EQ(AlphaAt(*logo, 40, 40), 255);
  EXPECT_EQ(AlphaAt(*logo, 0, 0), 0);
}

TEST(SkinArchive, NamesNotInTheArchiveAreTriedAsFilesInTheCurrentDirectory) {
  LoadArchive();
  std::vector<uint8_t> png;
  ASSERT_TRUE(CSkinResources::ReadArchiveMember(L"check.png", png));
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  std::wstring folder = std::wstring(temp) + L"skinui-fallback-" + std::to_wstring(::GetCurrentProcessId());
  ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
  std::wstring file = folder + L"\\loose_image.png";
  FILE* out = _wfopen(file.c_str(), L"wb");
  ASSERT_NE(out, nullptr);
  std::fwrite(png.data(), 1, png.size(), out);
  std::fclose(out);

  wchar_t previous[MAX_PATH];
  ::GetCurrentDirectoryW(MAX_PATH, previous);
  ::SetCurrentDirectoryW(folder.c_str());
  std::unique_ptr<SkinImage> loose = LoadSkinImage(L"loose_image.png");
  std::unique_ptr<SkinImage> missing = LoadSkinImage(L"not_there.png");
  ::SetCurrentDirectoryW(previous);
  ::DeleteFileW(file.c_str());
  ::RemoveDirectoryW(folder.c_str());

  ASSERT_NE(loose, nullptr);
  EXPECT_EQ(loose->width, 14);
  EXPECT_EQ(missing, nullptr);
}
