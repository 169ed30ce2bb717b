#include "test_env.h"

#include <shellapi.h>
#include <tlhelp32.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "handles.h"
#include "registry_view.h"
#include "text_convert.h"

namespace tavrin::test {

std::string binDir() {
  wchar_t buffer[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  std::wstring path = buffer;
  return wideToUtf8(path.substr(0, path.find_last_of(L"\\/")));
}

std::string tempFolder() {
  wchar_t buffer[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH + 1, buffer);
  std::string path = wideToUtf8(buffer);
  return path.substr(0, path.size() - 1);
}

TempDir::TempDir(const std::string& label) {
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  static unsigned counter = 0;
  for (;;) {
    std::string candidate =
        wideToUtf8(temp) + label + " " + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++counter);
    if (::CreateDirectoryW(utf8ToWide(candidate).c_str(), nullptr)) {
      m_path = candidate;
      return;
    }
    if (::GetLastError() != ERROR_ALREADY_EXISTS) return;
  }
}

TempDir::~TempDir() {
  if (!m_path.empty()) removeTree(m_path);
}

bool pathExists(const std::string& path) {
  return ::GetFileAttributesW(utf8ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool removeTree(const std::string& path) {
  std::wstring wide = utf8ToWide(path);
  DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;
  ::SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return ::DeleteFileW(wide.c_str()) != FALSE;
  WIN32_FIND_DATAW found = {};
  UniqueFindHandle find(::FindFirstFileW((wide + L"\\*").c_str(), &found));
  if (find) {
    do {
      std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      removeTree(wideToUtf8(wide + L"\\" + name));
    } while (::FindNextFileW(find.get(), &found));
  }
  find.reset();
  return ::RemoveDirectoryW(wide.c_str()) != FALSE;
}

bool writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(utf8ToWide(path).c_str(), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

std::string readFile(const std::string& path) {
  std::ifstream in(utf8ToWide(path).c_str(), std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

bool copyFile(const std::string& from, const std::string& to) {
  return ::CopyFileW(utf8ToWide(from).c_str(), utf8ToWide(to).c_str(), FALSE) != FALSE;
}

InstallRecord::InstallRecord() { removeKey(); }
InstallRecord::~InstallRecord() { removeKey(); }

bool InstallRecord::setBytes(const std::string& name, const std::vector<BYTE>& bytes, DWORD type) {
  UniqueRegKey key;
  if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kInstallKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS | kRegistryView, nullptr,
                        key.receive(), nullptr) != ERROR_SUCCESS) {
    return false;
  }
  return ::RegSetValueExA(key.get(), name.c_str(), 0, type, bytes.data(), static_cast<DWORD>(bytes.size())) ==
         ERROR_SUCCESS;
}

bool InstallRecord::setString(const std::string& name, const std::string& value, DWORD type) {
  std::vector<BYTE> bytes(value.begin(), value.end());
  bytes.push_back(0);
  return setBytes(name, bytes, type);
}

bool InstallRecord::setDword(const std::string& name, DWORD value) {
  std::vector<BYTE> bytes(reinterpret_cast<BYTE*>(&value), reinterpret_cast<BYTE*>(&value) + sizeof(value));
  return setBytes(name, bytes, REG_DWORD);
}

bool InstallRecord::removeKey() {
  LONG status = ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kInstallKeyPath, kRegistryView, 0);
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool InstallRecord::keyExists() {
  UniqueRegKey key;
  return ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kInstallKeyPath, 0, KEY_READ | kRegistryView, key.receive()) ==
         ERROR_SUCCESS;
}

namespace {

void setEnvironment(const std::string& name, const char* value) {
  // Both the C runtime's copy (getenv) and the process block (children).
  std::string assignment = name + "=" + (value ? value : "");
  ::_putenv(assignment.c_str());
  ::SetEnvironmentVariableA(name.c_str(), value);
}

}  // namespace

ScopedEnv::ScopedEnv(const std::string& name, const char* value) : m_name(name) {
  const char* old = std::getenv(name.c_str());
  m_hadValue = old != nullptr;
  if (old) m_oldValue = old;
  setEnvironment(name, value);
}

ScopedEnv::~ScopedEnv() { setEnvironment(m_name, m_hadValue ? m_oldValue.c_str() : nullptr); }

bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return done();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

StandInLog::StandInLog() : m_path(m_dir.file("runs.jsonl")), m_env("TAVRIN_STANDIN_LOG", m_path.c_str()) {}

StandInLog::~StandInLog() = default;

std::vector<nlohmann::json> StandInLog::runs() const {
  std::vector<nlohmann::json> all;
  std::istringstream lines(readFile(m_path));
  std::string line;
  while (std::getline(lines, line)) {
    nlohmann::json record = nlohmann::json::parse(line, nullptr, false);
    if (!record.is_discarded()) all.push_back(record);
  }
  return all;
}

bool StandInLog::waitForRuns(size_t count, std::chrono::milliseconds timeout) const {
  return waitUntil([&] { return runs().size() >= count; }, timeout);
}

std::vector<DWORD> processIdsNamed(const std::string& exeName) {
  std::vector<DWORD> ids;
  std::wstring wanted = utf8ToWide(exeName);
  UniqueSnapshot snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return ids;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
    if (::_wcsicmp(entry.szExeFile, wanted.c_str()) == 0) ids.push_back(entry.th32ProcessID);
  }
  return ids;
}

int countProcesses(const std::string& exeName) { return static_cast<int>(processIdsNamed(exeName).size()); }

void endAllStandIns() {
  UniqueHandle quit(::CreateEventA(nullptr, TRUE, FALSE, "TavrinStandInQuit"));
  ::SetEvent(quit.get());
  waitUntil([] { return countProcesses("tavrin.exe") == 0 && countProcesses("tavrin_proxy.exe") == 0; },
            std::chrono::seconds(10));
  ::ResetEvent(quit.get());
}

UniqueHandle startProgram(const std::string& commandLine, const std::string& workDir) {
  std::wstring line = utf8ToWide(commandLine);
  std::wstring dir = utf8ToWide(workDir);
  std::vector<wchar_t> mutableLine(line.begin(), line.end());
  mutableLine.push_back(L'\0');
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  if (!::CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        dir.empty() ? nullptr : dir.c_str(), &startup, &info)) {
    return UniqueHandle();
  }
  ProcessHandles started = ProcessHandles::adopt(info);
  return std::move(started.process);
}

}  // namespace tavrin::test
