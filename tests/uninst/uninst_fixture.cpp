#include "uninst_fixture.h"

#include <shlobj.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <sstream>

#include "handles.h"
#include "registry_view.h"
#include "text_convert.h"

namespace tavrin::test {

std::string uninstDriver() { return binDir() + "\\uninst_driver.exe"; }

UninstLogLine parseUninstLogLine(const std::string& text) {
  static const std::regex pattern(
      R"(^\[(\d+)\]\[(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\.\d{3})\]\[(INFO|WARN|ERROR|DEBUG)\]([^\n]*)\n$)");
  UninstLogLine line;
  std::smatch match;
  if (!std::regex_match(text, match, pattern)) return line;
  line.wellFormed = true;
  line.threadId = std::stoul(match[1].str());
  line.stamp = match[2].str();
  line.tag = match[3].str();
  line.message = match[4].str();
  return line;
}

std::vector<UninstLogLine> uninstLogLines(const DebuggeeResult& result) {
  std::vector<UninstLogLine> lines;
  for (const DebugLine& raw : result.lines) {
    UninstLogLine line = parseUninstLogLine(raw.text);
    if (line.wellFormed) lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> uninstLogMessages(const DebuggeeResult& result) {
  std::vector<std::string> messages;
  for (const UninstLogLine& line : uninstLogLines(result)) messages.push_back(line.message);
  return messages;
}

namespace {

std::vector<std::string> splitTabs(const std::string& line) {
  std::vector<std::string> fields;
  std::string field;
  std::istringstream in(line);
  while (std::getline(in, field, '\t')) fields.push_back(field);
  if (!line.empty() && line.back() == '\t') fields.push_back(std::string());
  return fields;
}

}  // namespace

DriverRecords readDriverRecords(const std::string& path) {
  DriverRecords records;
  std::istringstream lines(readFile(path));
  std::string line;
  while (std::getline(lines, line)) {
    std::vector<std::string> fields = splitTabs(line);
    if (fields.size() == 2 && fields[0] == "elapsed") {
      records.elapsedMs = std::stol(fields[1]);
    } else if (fields.size() == 4 && !fields[0].empty() && std::isdigit(static_cast<unsigned char>(fields[0][0]))) {
      records.progress.push_back({std::stoi(fields[0]), std::stoi(fields[1]), fields[2], std::stoul(fields[3])});
    } else {
      records.otherLines.push_back(fields);
    }
  }
  return records;
}

std::string specialFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path))) {
    return std::string();
  }
  return wideToUtf8(path);
}

SetAside::SetAside(const std::string& path) : m_path(path) {
  if (!pathExists(path)) return;
  m_keptAt = path + ".kept-by-test-" + std::to_string(::GetCurrentProcessId());
  if (!::MoveFileW(utf8ToWide(path).c_str(), utf8ToWide(m_keptAt).c_str())) m_keptAt.clear();
}

SetAside::~SetAside() {
  removeTreeLong(m_path);
  if (!m_keptAt.empty()) ::MoveFileW(utf8ToWide(m_keptAt).c_str(), utf8ToWide(m_path).c_str());
}

bool makeFolders(const std::string& path) {
  std::wstring wide = utf8ToWide(path);
  for (size_t at = wide.find(L'\\', 3); at != std::wstring::npos; at = wide.find(L'\\', at + 1)) {
    ::CreateDirectoryW((L"\\\\?\\" + wide.substr(0, at)).c_str(), nullptr);
  }
  ::CreateDirectoryW((L"\\\\?\\" + wide).c_str(), nullptr);
  DWORD attributes = ::GetFileAttributesW((L"\\\\?\\" + wide).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool makeFile(const std::string& path, const std::string& bytes) {
  std::wstring wide = utf8ToWide(path);
  size_t separator = wide.rfind(L'\\');
  if (separator != std::wstring::npos) makeFolders(wideToUtf8(wide.substr(0, separator)));
  UniqueFileHandle file(::CreateFileW((L"\\\\?\\" + wide).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

namespace {

bool removeLong(const std::wstring& longPath) {
  DWORD attributes = ::GetFileAttributesW(longPath.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;
  ::SetFileAttributesW(longPath.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return ::DeleteFileW(longPath.c_str()) != FALSE;
  WIN32_FIND_DATAW found = {};
  UniqueFindHandle find(::FindFirstFileW((longPath + L"\\*").c_str(), &found));
  if (find) {
    do {
      std::wstring name = found.cFileName;
      if (name != L"." && name != L"..") removeLong(longPath + L"\\" + name);
    } while (::FindNextFileW(find.get(), &found));
  }
  find.reset();
  return ::RemoveDirectoryW(longPath.c_str()) != FALSE;
}

}  // namespace

bool removeTreeLong(const std::string& path) {
  if (path.empty()) return true;
  return removeLong(L"\\\\?\\" + utf8ToWide(path));
}

namespace {

bool isReparsePoint(const std::string& path) {
  DWORD attributes = ::GetFileAttributesW(utf8ToWide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// Wine's own export that names the Unix file behind a path; null elsewhere.
std::string unixFileName(const std::string& path) {
  using UnixFileNameFn = char*(CDECL*)(LPCWSTR);
  auto unixName = reinterpret_cast<UnixFileNameFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (unixName == nullptr) return std::string();
  char* name = unixName(utf8ToWide(path).c_str());
  if (name == nullptr) return std::string();
  std::string result = name;
  ::HeapFree(::GetProcessHeap(), 0, name);
  return result;
}

// Wine starts a Unix program without giving back a process handle, so the
// caller's outcome is polled instead of waiting for the program.
bool runUnixTool(const std::string& commandLine, const std::function<bool()>& done) {
  UniqueHandle tool = startProgram(commandLine);
  if (tool) ::WaitForSingleObject(tool.get(), 10000);
  return waitUntil(done, std::chrono::milliseconds(10000));
}

}  // namespace

bool makeFolderLink(const std::string& link, const std::string& target) {
  using SymbolicLinkFn = BOOLEAN(WINAPI*)(LPCWSTR, LPCWSTR, DWORD);
  auto symbolicLink = reinterpret_cast<SymbolicLinkFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "CreateSymbolicLinkW")));
  if (symbolicLink != nullptr) symbolicLink(utf8ToWide(link).c_str(), utf8ToWide(target).c_str(), 1);
  if (isReparsePoint(link)) return true;
  std::string unixTarget = unixFileName(target);
  std::string unixLink = unixFileName(link);
  if (unixTarget.empty() || unixLink.empty()) return false;
  return runUnixTool("Z:\\bin\\ln -s \"" + unixTarget + "\" \"" + unixLink + "\"",
                     [&] { return isReparsePoint(link); });
}

bool removeFolderLink(const std::string& link) {
  if (!isReparsePoint(link)) return !pathExists(link);
  ::RemoveDirectoryW(utf8ToWide(link).c_str());
  std::string unixLink = unixFileName(link);
  if (!isReparsePoint(link) || unixLink.empty()) return !pathExists(link);
  return runUnixTool("Z:\\bin\\rm -f \"" + unixLink + "\"", [&] { return !isReparsePoint(link); });
}

bool createKey(const std::string& path) {
  UniqueRegKey key;
  return ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, utf8ToWide(path).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | kRegistryView,
                           nullptr, key.receive(), nullptr) == ERROR_SUCCESS;
}

bool keyExists(const std::string& path) {
  UniqueRegKey key;
  return ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, utf8ToWide(path).c_str(), 0, KEY_READ | kRegistryView, key.receive()) ==
         ERROR_SUCCESS;
}

bool deleteKeyTree(const std::string& path) {
  UniqueRegKey key;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, utf8ToWide(path).c_str(), 0, KEY_ALL_ACCESS | kRegistryView, key.receive()) !=
      ERROR_SUCCESS) {
    return true;
  }
  for (;;) {
    wchar_t child[256] = {};
    DWORD chars = 256;
    if (::RegEnumKeyExW(key.get(), 0, child, &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    if (!deleteKeyTree(path + "\\" + wideToUtf8(child))) return false;
  }
  key.reset();
  return ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, utf8ToWide(path).c_str(), kRegistryView, 0) == ERROR_SUCCESS;
}

const char kUninstallEntry[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\tavrin";

std::vector<std::string> folderEntries(const std::string& dir) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found = {};
  UniqueFindHandle find(::FindFirstFileW(utf8ToWide(dir + "\\*").c_str(), &found));
  if (!find) return names;
  do {
    std::string name = wideToUtf8(found.cFileName);
    if (name != "." && name != "..") names.push_back(name);
  } while (::FindNextFileW(find.get(), &found));
  std::sort(names.begin(), names.end());
  return names;
}

InstallationToRemove::InstallationToRemove(const std::string& uninstaller, const std::string& appName) {
  m_ready = layOut(uninstaller, appName);
}

InstallationToRemove::~InstallationToRemove() {
  endAllStandIns();
  deleteKeyTree(kUninstallEntry);
}

bool InstallationToRemove::layOut(const std::string& uninstallerSource, const std::string& appName) {
  if (!copyFile(uninstallerSource, uninstaller())) return false;
  for (const char* program : {"TavrinLauncher.exe", "tavrin.exe", "tavrin_proxy.exe"}) {
    if (!copyFile(binDir() + "\\" + program, file(program))) return false;
  }
  if (!makeFile(file("update\\Mirup.exe"), "updater")) return false;
  if (!makeFile(file("1.0.0.1\\resources\\locale\\zh-CN.pak"), "resources")) return false;
  // The record is written in the ANSI code page, as the installer does.
  if (!m_record.setString("installpath", dir())) return false;
  if (!m_record.setString("version", "1.0.0.1")) return false;
  if (!appName.empty() && !m_record.setString("appname", wideToAnsi(utf8ToWide(appName)))) return false;
  return createKey(kUninstallEntry);
}

std::vector<std::string> batchFolders() {
  wchar_t windows[MAX_PATH] = {};
  ::GetSystemWindowsDirectoryW(windows, MAX_PATH);
  const std::string systemTemp = wideToUtf8(windows) + "\\Temp";
  std::vector<std::string> folders;
  WIN32_FIND_DATAW found = {};
  UniqueFindHandle find(::FindFirstFileW(utf8ToWide(systemTemp + "\\_uninstall_acc.*").c_str(), &found));
  if (!find) return folders;
  do {
    folders.push_back(systemTemp + "\\" + wideToUtf8(found.cFileName));
  } while (::FindNextFileW(find.get(), &found));
  return folders;
}

PrivateTemp::PrivateTemp()
    : m_tmp("TMP", (m_dir.path() + "\\").c_str()), m_temp("TEMP", (m_dir.path() + "\\").c_str()) {}

bool PrivateTemp::batchPresent() const {
  for (const std::string& folder : batchFolders()) {
    if (std::find(m_before.begin(), m_before.end(), folder) == m_before.end()) return true;
  }
  return false;
}

PrivateTemp::~PrivateTemp() {
  waitUntil([this] { return !batchPresent(); }, std::chrono::seconds(10));
  // The batch's cmd keeps the temporary folder as its current folder until it has ended.
  waitUntil([this] { return removeTreeLong(m_dir.path()); }, std::chrono::seconds(10));
}

std::vector<std::string> expectedUninstallLog(bool clearUserData) {
  std::vector<std::string> lines = {"CUninstMgr::BeginUnInstallThread 创建卸载线程",
                                    "CUninstMgr::UnIntallSoftware 卸载step=5"};
  if (clearUserData) lines.push_back("CUninstMgr::DeleteCache 删除缓存信息 step=30");
  lines.insert(lines.end(),
               {"CUninstMgr::DeleteLink 删除快捷方式、启动栏和开始菜单 step=60",
                "CUninstMgr::RemoveFirewall 移除防火墙 step=70", "CUninstMgr::DeleteRegedit 删除注册表信息 step=80",
                "CUninstMgr::DeleleOtherFile 删除文件step=90", "CUninstMgr::UnIntallSoftware 卸载step=100"});
  return lines;
}

std::vector<std::string> withoutWorkerExitLine(std::vector<std::string> messages, unsigned long* workerId) {
  if (messages.empty()) return messages;
  const std::string prefix = "CUninstMgr::UninstProcThread 卸载完成 线程threadid=[";
  const std::string suffix = "]退出";
  const std::string& last = messages.back();
  if (last.size() > prefix.size() + suffix.size() && last.compare(0, prefix.size(), prefix) == 0 &&
      last.compare(last.size() - suffix.size(), suffix.size(), suffix) == 0) {
    if (workerId != nullptr) *workerId = std::stoul(last.substr(prefix.size()));
    messages.pop_back();
  }
  return messages;
}

}  // namespace tavrin::test
