#include "uninst_mgr.h"

#include <process.h>
#include <shlobj.h>

#include <cwchar>
#include <memory>

#include "file_removal.h"
#include "install_dir_guard.h"
#include "log.h"
#include "reg_settings.h"
#include "shell_folders.h"
#include "uninst_progress.h"

namespace tavrin::uninst {

namespace {

constexpr DWORD kPauseBeforePostMs = 300;

constexpr wchar_t kUserDataVendor[] = L"Halvex";
constexpr wchar_t kUserDataProduct[] = L"tavrin";
constexpr wchar_t kProductSubkey[] = L"tavrin";
constexpr const wchar_t* kProductKeyParents[] = {
    L"SOFTWARE",
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
};

}  // namespace

CUninstMgr::~CUninstMgr() {
  if (m_thread) ::WaitForSingleObject(m_thread.get(), INFINITE);
}

void CUninstMgr::BeginUnInstallThread(bool clearUserData) {
  m_clearUserData = clearUserData;
  CLOG_INFO(L"%s %s", L"CUninstMgr::BeginUnInstallThread", L"创建卸载线程");
  uintptr_t thread = ::_beginthreadex(nullptr, 0, &CUninstMgr::UninstProcThread, this, CREATE_SUSPENDED, nullptr);
  m_thread.reset(reinterpret_cast<HANDLE>(thread));
  if (m_thread) ::ResumeThread(m_thread.get());
}

unsigned __stdcall CUninstMgr::UninstProcThread(void* param) {
  if (param == nullptr) {
    CLOG_INFO(L"%s 线程参数有问题 threadid=[%d]", L"CUninstMgr::UninstProcThread",
              static_cast<int>(::GetCurrentThreadId()));
    return 0;
  }
  static_cast<CUninstMgr*>(param)->UnIntallSoftware();
  CLOG_INFO(L"%s 卸载完成 线程threadid=[%d]退出", L"CUninstMgr::UninstProcThread",
            static_cast<int>(::GetCurrentThreadId()));
  return 0;
}

void CUninstMgr::UnIntallSoftware() {
  EndRunningPrograms();

  PostProgress(5, L"开始卸载");
  CLOG_INFO(L"%s 卸载step=5", L"CUninstMgr::UnIntallSoftware");

  if (m_clearUserData) DeleteCache();
  DeleteLink();
  RemoveFirewall();

  // The installation is still whole and its registry key still there:
  // decide now whether the folder may go (step 90 and the batch at exit).
  m_mayRemoveInstallDir = MayRemoveInstallDir(m_installDir, ReadRecordedInstallPath());
  RememberInstallDirDecision(m_installDir, m_mayRemoveInstallDir);

  DeleteRegedit();
  DeleleOtherFile();

  PostProgress(100, L"卸载完成");
  CLOG_INFO(L"%s 卸载step=100", L"CUninstMgr::UnIntallSoftware");
}

void CUninstMgr::PostProgress(int step, const std::wstring& text) {
  HWND target = GetUninstTargetWindow();
  if (target == nullptr) return;
  ::Sleep(kPauseBeforePostMs);
  auto record = std::make_unique<UninstProgress>();
  record->step = step;
  record->showText = 0;
  record->text = text;
  PostProgressRecord(target, std::move(record));
}

bool CUninstMgr::DeleteCache() {
  CLOG_INFO(L"%s 删除缓存信息 step=%d", L"CUninstMgr::DeleteCache", 30);
  PostProgress(30, L"删除缓存信息");

  wchar_t localAppData[kPathChars] = {};
  if (!::SHGetSpecialFolderPathW(nullptr, localAppData, CSIDL_LOCAL_APPDATA, TRUE)) return true;
  wchar_t userData[kPathChars] = {};
  ::_snwprintf(userData, kPathChars - 1, L"%s\\%s\\%s", localAppData, kUserDataVendor, kUserDataProduct);
  if (PathExists(MakeLongPath(userData))) CFilePath(userData).DeleteDirectory();
  return true;
}

bool CUninstMgr::DeleteRegedit() {
  CLOG_INFO(L"%s 删除注册表信息 step=%d", L"CUninstMgr::DeleteRegedit", 80);
  PostProgress(80, L"删除注册表信息");

  for (const wchar_t* parent : kProductKeyParents) {
    CRegSettings settings;
    if (settings.OpenOrCreate(parent)) CRegSettings::DeleteKeyTree(settings.Key(), kProductSubkey);
  }
  return true;
}

bool CUninstMgr::DeleleOtherFile() {
  CLOG_INFO(L"%s 删除文件step=%d", L"CUninstMgr::DeleleOtherFile", 90);
  PostProgress(90, L"删除文件");

  if (!m_mayRemoveInstallDir) {
    CLOG_INFO(L"%s 目录[%s]不是本产品的安装目录，不删除", L"CUninstMgr::DeleleOtherFile", m_installDir.c_str());
    return true;
  }
  // The running uninstaller and whatever is locked stay; the batch started
  // at exit removes them.
  CFilePath(m_installDir).DeleteDirectory();
  return true;
}

}  // namespace tavrin::uninst
