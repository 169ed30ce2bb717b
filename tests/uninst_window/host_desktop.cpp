#include "host_desktop.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "handles.h"
#include "test_env.h"

namespace tavrin::test {

namespace {

constexpr char kShell[] = "Z:\\bin\\sh";
constexpr char kDrivePrefix[] = "Z:";
constexpr std::chrono::seconds kFinishGrace(10);
constexpr std::chrono::milliseconds kPoll(20);

std::string readWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

bool writeWhole(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.flush();
  return static_cast<bool>(out);
}

// A fresh folder under /tmp, in both spellings.
bool makeSharedFolder(std::string& unixFolder, std::string& windowsFolder) {
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = "tavrin-hostjob-" + std::to_string(::GetCurrentProcessId()) + "-" +
                       std::to_string(::GetTickCount()) + "-" + std::to_string(++counter);
    std::string candidate = std::string("Z:\\tmp\\") + name;
    if (::CreateDirectoryA(candidate.c_str(), nullptr)) {
      windowsFolder = candidate;
      unixFolder = "/tmp/" + name;
      return true;
    }
    if (::GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

bool startShell(const std::string& scriptPath) {
  std::string commandLine = std::string(kShell) + " " + scriptPath;
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  if (!::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    return false;
  }
  ProcessHandles::adopt(info);  // closed at once: a Linux process cannot be waited on
  return true;
}

}  // namespace

std::string shellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

std::string unixPathOf(const std::string& windowsPath) {
  std::string path = windowsPath.compare(0, 2, kDrivePrefix) == 0 ? windowsPath.substr(2) : windowsPath;
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

std::string windowsPathOf(const std::string& unixPath) {
  std::string path = std::string(kDrivePrefix) + unixPath;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

HostJob::HostJob(const std::string& script) {
  if (!makeSharedFolder(m_unixFolder, m_windowsFolder)) return;
  // Standard streams go to files: a Linux child would otherwise inherit the
  // test's own, and ctest waits for those to close.
  std::string wrapper = "exec </dev/null >" + shellQuoted(m_unixFolder + "/output") + " 2>&1\n" +
                        "STOP=" + shellQuoted(m_unixFolder + "/stop") + "\n" + "DIR=" + shellQuoted(m_unixFolder) +
                        "\n" + "(\n" + script + "\n)\n" + "echo $? >" + shellQuoted(m_unixFolder + "/status.new") +
                        "\n" + "mv " + shellQuoted(m_unixFolder + "/status.new") + " " +
                        shellQuoted(m_unixFolder + "/status") + "\n";
  if (!writeWhole(m_windowsFolder + "\\job.sh", wrapper)) return;
  m_started = startShell(m_unixFolder + "/job.sh");
}

HostJob::~HostJob() {
  if (m_windowsFolder.empty()) return;
  if (m_started) {
    requestStop();
    wait(kFinishGrace);
  }
  removeTree(m_windowsFolder);
}

bool HostJob::wait(std::chrono::milliseconds timeout) {
  if (!m_started) return false;
  return waitUntil([this] { return status() >= 0; }, timeout);
}

int HostJob::status() const {
  if (!m_started) return -1;
  std::string text = readWhole(m_windowsFolder + "\\status");
  if (text.empty()) return -1;
  return std::atoi(text.c_str());
}

std::string HostJob::output() const { return readWhole(m_windowsFolder + "\\output"); }

void HostJob::requestStop() const { writeWhole(m_windowsFolder + "\\stop", ""); }

int runOnHost(const std::string& script, std::string* output, std::chrono::milliseconds timeout) {
  HostJob job(script);
  if (!job.wait(timeout)) return -1;
  if (output != nullptr) *output = job.output();
  return job.status();
}

bool movePointer(int x, int y) {
  return runOnHost("xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) + " && sleep 0.15") == 0;
}

bool clickAt(int x, int y) {
  // As a hand does it: move, rest, press, release.
  return runOnHost("xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) +
                   " && sleep 0.15 && xdotool mousedown 1 && sleep 0.1 && xdotool mouseup 1 && sleep 0.2") == 0;
}

bool pressKeys(const std::string& chord) {
  return runOnHost("xdotool key " + shellQuoted(chord) + " && sleep 0.2") == 0;
}

ScreenShot ScreenShot::take(const RECT& area, const std::string& keepAs) {
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  std::string geometry = std::to_string(width) + "x" + std::to_string(height) + "+" + std::to_string(area.left) + "+" +
                         std::to_string(area.top);
  HostJob job("import -window root -crop " + geometry + " +repage -depth 8 rgb:\"$DIR/shot.rgb\"" +
              (keepAs.empty() ? std::string()
                              : " && convert -size " + std::to_string(width) + "x" + std::to_string(height) +
                                    " -depth 8 rgb:\"$DIR/shot.rgb\" " + shellQuoted(keepAs)));
  if (!job.wait(std::chrono::seconds(30)) || job.status() != 0) return ScreenShot();
  return fromRawFile(job.windowsFolder() + "\\shot.rgb", area);
}

ScreenShot ScreenShot::fromRawFile(const std::string& windowsPath, const RECT& area) {
  ScreenShot shot;
  std::string bytes = readWhole(windowsPath);
  size_t expected = static_cast<size_t>(area.right - area.left) * static_cast<size_t>(area.bottom - area.top) * 3;
  if (bytes.size() != expected || expected == 0) return shot;
  shot.m_area = area;
  shot.m_pixels.assign(bytes.begin(), bytes.end());
  return shot;
}

Rgb ScreenShot::pixel(int x, int y) const {
  Rgb rgb;
  if (x < m_area.left || x >= m_area.right || y < m_area.top || y >= m_area.bottom) return rgb;
  size_t i = (static_cast<size_t>(y - m_area.top) * static_cast<size_t>(m_area.right - m_area.left) +
              static_cast<size_t>(x - m_area.left)) *
             3;
  rgb.r = m_pixels[i];
  rgb.g = m_pixels[i + 1];
  rgb.b = m_pixels[i + 2];
  return rgb;
}

std::vector<uint8_t> ScreenShot::region(const RECT& part) const {
  std::vector<uint8_t> bytes;
  for (int y = part.top; y < part.bottom; ++y) {
    for (int x = part.left; x < part.right; ++x) {
      Rgb p = pixel(x, y);
      bytes.insert(bytes.end(), {p.r, p.g, p.b});
    }
  }
  return bytes;
}

int ScreenShot::count(const RECT& part, bool (*predicate)(const Rgb&)) const {
  int n = 0;
  for (int y = part.top; y < part.bottom; ++y) {
    for (int x = part.left; x < part.right; ++x) {
      if (predicate(pixel(x, y))) ++n;
    }
  }
  return n;
}

}  // namespace tavrin::test
