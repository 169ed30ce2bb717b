#include "uninst_mgr.h"

#include "app_name.h"
#include "file_removal.h"
#include "firewall_settings.h"
#include "install_dir_guard.h"
#include "link_cleanup.h"
#include "log.h"
#include "process_end.h"
#include "reg_settings.h"
#include "thread_start.h"
#include "user_data_removal.h"

namespace tavrin::uninst {

CUninstMgr::~CUninstMgr() {
  if (m_thread) ::WaitForSingleObject(m_thread.get(), INFINITE);
}

void CUninstMgr::BeginUnInstallThread(bool clearUserData) {
  m_clearUserData = clearUserData;
  CLOG_INFO(L"%s %s", L"CUninstMgr::BeginUnInstallThread", L"创建卸载线程");
  m_thread = tavrin::startThread(&CUninstMgr::UninstProcThread, this, tavrin::ThreadStart::Suspended);
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

bool CUninstMgr::FindProcessByName(const std::wstring& exeName, DWORD& processId) {
  return uninst::FindProcessByName(exeName, processId);
}

int CUninstMgr::DeleteShortcut(const std::wstring& name, int csidl) { return uninst::DeleteShortcut(name, csidl); }

bool CUninstMgr::UnpinFromTaskbar(const std::wstring& exePath) { return uninst::UnpinFromTaskbar(exePath); }

void CUninstMgr::EndRunningPrograms() { EndBrowserAndUpdater(); }

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
  if (m_progressSink != nullptr) m_progressSink->OnProgress(step, text);
}

bool CUninstMgr::DeleteCache() {
  CLOG_INFO(L"%s 删除缓存信息 step=%d", L"CUninstMgr::DeleteCache", 30);
  PostProgress(30, L"删除缓存信息");

  RemoveUserData();
  return true;
}

bool CUninstMgr::DeleteLink() {
  CLOG_INFO(L"%s 删除快捷方式、启动栏和开始菜单 step=%d", L"CUninstMgr::DeleteLink", 60);
  PostProgress(60, L"删除快捷方式");
  RemoveShortcutsAndPin(GetAppName(), GetModuleDir());
  return true;
}

bool CUninstMgr::RemoveFirewall() {
  CLOG_INFO(L"%s 移除防火墙 step=%d", L"CUninstMgr::RemoveFirewall", 70);
  PostProgress(70, L"移除防火墙");
  RemoveFirewallRule(GetAppName());
  return true;
}

bool CUninstMgr::DeleteRegedit() {
  CLOG_INFO(L"%s 删除注册表信息 step=%d", L"CUninstMgr::DeleteRegedit", 80);
  PostProgress(80, L"删除注册表信息");

  RemoveProductKeys();
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
