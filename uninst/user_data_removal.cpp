#include "user_data_removal.h"

#include <windows.h>
#include <shlobj.h>

#include <cwchar>

#include "file_removal.h"
#include "shell_folders.h"

namespace tavrin::uninst {

namespace {

constexpr wchar_t kUserDataVendor[] = L"Halvex";
constexpr wchar_t kUserDataProduct[] = L"tavrin";

}  // namespace

void RemoveUserData() {
  wchar_t localAppData[kPathChars] = {};
  if (!::SHGetSpecialFolderPathW(nullptr, localAppData, CSIDL_LOCAL_APPDATA, TRUE)) return;
  wchar_t userData[kPathChars] = {};
  ::_snwprintf(userData, kPathChars - 1, L"%s\\%s\\%s", localAppData, kUserDataVendor, kUserDataProduct);
  if (PathExists(MakeLongPath(userData))) CFilePath(userData).DeleteDirectory();
}

}  // namespace tavrin::uninst
