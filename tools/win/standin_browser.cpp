// Stand-in for the browser "tavrin.exe" (and its helper "tavrin_proxy.exe"),
// for tests and the demo. It honours what the launcher, the updater and the
// uninstaller rely on from the real browser:
//   - a version resource whose file version is set at build time;
//   - it records each run (command line, start time, settings it was handed)
//     as one JSON line in the file named by TAVRIN_STANDIN_LOG
//     (default: %TEMP%\tavrin-standin-runs.jsonl);
//   - given --update-cloud-setting=S --update-cloud-version=V it reads S and
//     writes V with the members "bookmarks", "search_engines", "navigate_page";
//   - its lifetime is controlled through TAVRIN_STANDIN_LIFETIME:
//       "0"      exit at once,
//       "N"      exit after N milliseconds,
//       "wait"   (or unset) run until told: the manual-reset event
//                "TavrinStandInQuit" or "TavrinStandInQuit-<pid>" is set,
//                or TAVRIN_STANDIN_MAX_MS (default 600000) has passed.
//     TAVRIN_STANDIN_EXIT_CODE sets the exit code (default 0);
//   - given TAVRIN_STANDIN_PROBE_EVENT=NAME it looks, before anything else,
//     whether the named event exists and records it as "probed_event_exists"
//     (a stand-in launcher tells so whether its starter still held an event).
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "handles.h"
#include "text_convert.h"

#ifndef STANDIN_VERSION
#define STANDIN_VERSION ""
#endif

namespace {

using tavrin::UniqueFileHandle;
using tavrin::UniqueHandle;
using Json = nlohmann::json;

constexpr const char kSettingSwitch[] = " --update-cloud-setting=";
constexpr const char kVersionSwitch[] = " --update-cloud-version=";
constexpr const char* kSettingKinds[] = {"bookmarks", "search_engines", "navigate_page"};

uint64_t nowFileTime() {
  using PreciseFn = void(WINAPI*)(FILETIME*);
  auto precise = reinterpret_cast<PreciseFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "GetSystemTimePreciseAsFileTime")));
  FILETIME now = {};
  if (precise != nullptr) {
    precise(&now);
  } else {
    ::GetSystemTimeAsFileTime(&now);
  }
  return (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

std::string environment(const char* name, const std::string& fallback = std::string()) {
  const char* value = std::getenv(name);
  return value == nullptr ? fallback : std::string(value);
}

std::string modulePath() {
  wchar_t buffer[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  return tavrin::wideToUtf8(buffer);
}

std::string currentDirectory() {
  wchar_t buffer[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, buffer);
  return tavrin::wideToUtf8(buffer);
}

std::string readWholeFile(const std::wstring& path, bool& ok) {
  std::ifstream in(path.c_str(), std::ios::binary);
  ok = static_cast<bool>(in);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

// The two switches are appended unquoted, so a path may hold blanks: the
// setting path runs up to the version switch, the version path to the end.
struct SettingsSwitches {
  std::wstring settingPath;
  std::wstring versionPath;
  bool present = false;
};

SettingsSwitches parseSwitches(const std::wstring& commandLine) {
  SettingsSwitches found;
  std::wstring setting = tavrin::utf8ToWide(kSettingSwitch);
  std::wstring version = tavrin::utf8ToWide(kVersionSwitch);
  size_t settingAt = commandLine.find(setting);
  size_t versionAt = commandLine.find(version);
  if (settingAt == std::wstring::npos || versionAt == std::wstring::npos || versionAt < settingAt) {
    return found;
  }
  found.settingPath = commandLine.substr(settingAt + setting.size(), versionAt - settingAt - setting.size());
  found.versionPath = commandLine.substr(versionAt + version.size());
  found.present = true;
  return found;
}

// A member of the settings plaintext names the version of that kind either
// as a string or as an object with a string "version".
std::string versionOfKind(const Json& settings, const char* kind) {
  if (!settings.is_object() || !settings.contains(kind)) return std::string();
  const Json& entry = settings[kind];
  if (entry.is_string()) return entry.get<std::string>();
  if (entry.is_object() && entry.contains("version") && entry["version"].is_string()) {
    return entry["version"].get<std::string>();
  }
  return std::string();
}

Json applySettings(const SettingsSwitches& switches, Json& record) {
  bool readOk = false;
  std::string plaintext = readWholeFile(switches.settingPath, readOk);
  record["settings_read"] = readOk;
  Json settings = Json::parse(plaintext, nullptr, false);
  record["settings"] = settings.is_discarded() ? Json(nullptr) : settings;
  record["settings_size"] = plaintext.size();

  bool previousOk = false;
  Json applied = Json::parse(readWholeFile(switches.versionPath, previousOk), nullptr, false);
  if (!applied.is_object()) applied = Json::object();
  for (const char* kind : kSettingKinds) {
    std::string version = versionOfKind(settings, kind);
    if (!version.empty() || !applied.contains(kind)) applied[kind] = version;
  }
  std::ofstream out(switches.versionPath.c_str(), std::ios::binary | std::ios::trunc);
  out << applied.dump();
  record["version_written"] = static_cast<bool>(out);
  return applied;
}

void appendRecord(const Json& record) {
  std::string path = environment("TAVRIN_STANDIN_LOG");
  if (path.empty()) {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    path = tavrin::wideToUtf8(temp) + "tavrin-standin-runs.jsonl";
  }
  std::string line = record.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
  // One append of the whole line, so runs that end at the same time do not mix.
  UniqueFileHandle file(::CreateFileW(tavrin::utf8ToWide(path).c_str(), FILE_APPEND_DATA,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  DWORD written = 0;
  ::WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

void waitUntilTold(DWORD maxMs) {
  UniqueHandle everyone(::CreateEventA(nullptr, TRUE, FALSE, "TavrinStandInQuit"));
  std::string ownName = "TavrinStandInQuit-" + std::to_string(::GetCurrentProcessId());
  UniqueHandle own(::CreateEventA(nullptr, TRUE, FALSE, ownName.c_str()));
  HANDLE events[2] = {everyone.get(), own.get()};
  if (everyone && own) {
    ::WaitForMultipleObjects(2, events, FALSE, maxMs);
  } else {
    ::Sleep(maxMs);
  }
}

void liveAsTold() {
  std::string lifetime = environment("TAVRIN_STANDIN_LIFETIME", "wait");
  DWORD maxMs = static_cast<DWORD>(std::strtoul(environment("TAVRIN_STANDIN_MAX_MS", "600000").c_str(), nullptr, 10));
  if (lifetime == "wait") {
    waitUntilTold(maxMs);
  } else {
    DWORD ms = static_cast<DWORD>(std::strtoul(lifetime.c_str(), nullptr, 10));
    if (ms > 0) ::Sleep(ms < maxMs ? ms : maxMs);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  uint64_t started = nowFileTime();
  std::string probedEvent = environment("TAVRIN_STANDIN_PROBE_EVENT");
  bool probedEventExists = false;
  if (!probedEvent.empty()) {
    UniqueHandle event(::OpenEventA(SYNCHRONIZE, FALSE, probedEvent.c_str()));
    probedEventExists = static_cast<bool>(event);
  }
  std::wstring commandLine = ::GetCommandLineW();

  Json record;
  record["start_filetime"] = started;
  record["pid"] = ::GetCurrentProcessId();
  record["exe"] = modulePath();
  record["version"] = STANDIN_VERSION;
  record["cmdline"] = tavrin::wideToUtf8(commandLine);
  record["cwd"] = currentDirectory();
  if (!probedEvent.empty()) record["probed_event_exists"] = probedEventExists;

  SettingsSwitches switches = parseSwitches(commandLine);
  record["has_switches"] = switches.present;
  if (switches.present) {
    record["setting_path"] = tavrin::wideToUtf8(switches.settingPath);
    record["version_path"] = tavrin::wideToUtf8(switches.versionPath);
    record["applied"] = applySettings(switches, record);
  }
  appendRecord(record);

  liveAsTold();
  return std::atoi(environment("TAVRIN_STANDIN_EXIT_CODE", "0").c_str());
}
