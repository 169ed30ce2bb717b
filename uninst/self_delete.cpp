#include "self_delete.h"

#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <vector>

#include "file_removal.h"
#include "handles.h"
#include "install_dir_guard.h"
#include "log.h"
#include "text_convert.h"

namespace uninst {

const wchar_t kSelfDeleteBatchName[] = L"_uninstall_acc.bat";

namespace {

// Waits for the executable to become deletable, removes the folder, then
// the batch itself.
constexpr wchar_t kBatchTemplate[] =
    L":Repeat\r\n"
    L"del \"%s\"\r\n"
    L"if exist \"%s\" goto Repeat\r\n"
    L"rd /q /s \"%s\" \r\n"
    L"del \"%s\"";
constexpr wchar_t kBatchTemplateKeepingFolder[] =
    L":Repeat\r\n"
    L"del \"%s\"\r\n"
    L"if exist \"%s\" goto Repeat\r\n"
    L"del \"%s\"";

std::wstring TempFolder() {
  wchar_t temp[kPathChars] = {};
  ::GetTempPathW(kPathChars, temp);
  return temp;
}

std::wstring BatchPathIn(const std::wstring& tempFolder) {
  wchar_t path[kPathChars] = {};
  ::_snwprintf(path, kPathChars - 1, L"%s%s", tempFolder.c_str(), kSelfDeleteBatchName);
  return path;
}

std::wstring ModulePath() {
  wchar_t path[kPathChars] = {};
  ::GetModuleFileNameW(nullptr, path, kPathChars);
  return path;
}

}  // namespace

std::wstring EscapeForBatch(const std::wstring& path) {
  std::wstring escaped;
  escaped.reserve(path.size());
  for (wchar_t c : path) {
    escaped += c;
    if (c == L'%') escaped += L'%';
  }
  return escaped;
}

std::wstring BuildSelfDeleteBatch(const std::wstring& exePath, const std::wstring& installDir,
                                  const std::wstring& batchPath, bool removeInstallDir) {
  std::wstring exe = EscapeForBatch(exePath);
  std::wstring dir = EscapeForBatch(installDir);
  std::wstring batch = EscapeForBatch(batchPath);
  std::vector<wchar_t> text(sizeof(kBatchTemplate) / sizeof(wchar_t) + 2 * exe.size() + dir.size() + batch.size(),
                            L'\0');
  if (removeInstallDir) {
    ::_snwprintf(text.data(), text.size() - 1, kBatchTemplate, exe.c_str(), exe.c_str(), dir.c_str(), batch.c_str());
  } else {
    ::_snwprintf(text.data(), text.size() - 1, kBatchTemplateKeepingFolder, exe.c_str(), exe.c_str(),
                 batch.c_str());
  }
  return text.data();
}

std::wstring WriteSelfDeleteBatch() {
  std::wstring batchPath = BatchPathIn(TempFolder());
  tavrin::UniqueFileHandle file(::CreateFileW(batchPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::wstring();

  std::wstring installDir = GetModuleDir();
  bool removeInstallDir = InstallDirRemovalAllowed(installDir);
  if (!removeInstallDir) {
    CLOG_INFO(L"%s 目录[%s]不是本产品的安装目录，只删除卸载程序", L"DeleteSelf", installDir.c_str());
  }
  std::string bytes =
      tavrin::wideToAnsi(BuildSelfDeleteBatch(ModulePath(), installDir, batchPath, removeInstallDir));
  DWORD written = 0;
  ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  return batchPath;
}

void DeleteSelf() {
  std::wstring batchPath = WriteSelfDeleteBatch();
  if (batchPath.empty()) return;
  ::SetCurrentDirectoryW(TempFolder().c_str());
  ::ShellExecuteW(nullptr, L"open", batchPath.c_str(), nullptr, nullptr, SW_HIDE);
}

}  // namespace uninst
