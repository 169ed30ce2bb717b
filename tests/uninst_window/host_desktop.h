// The test display as a person at the screen sees it, reached from inside
// Wine: shell scripts run on the Linux host (xdotool moves the pointer,
// clicks and types; ImageMagick takes screenshots). Wine starts /bin/sh
// for us, but a Linux process cannot be waited on from Windows, so every
// script runs in a folder under /tmp that both sides see (Z:\tmp\...) and
// leaves its exit status there.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace tavrin::test {

// One shell script on the host, started at construction.
class HostJob {
 public:
  explicit HostJob(const std::string& script);
  // Waits a little for a job that still runs, then removes its folder.
  ~HostJob();
  HostJob(const HostJob&) = delete;
  HostJob& operator=(const HostJob&) = delete;

  bool started() const { return m_started; }
  // True once the script has ended within the time.
  bool wait(std::chrono::milliseconds timeout);
  // The script's exit status; -1 while it runs.
  int status() const;
  // What the script wrote to standard output and standard error.
  std::string output() const;
  // Creates the file "$STOP" names, for scripts that loop until it exists.
  void requestStop() const;

  const std::string& unixFolder() const { return m_unixFolder; }
  const std::string& windowsFolder() const { return m_windowsFolder; }

 private:
  std::string m_unixFolder;
  std::string m_windowsFolder;
  bool m_started = false;
};

// Runs a script and waits for its end; its exit status, -1 on time-out.
int runOnHost(const std::string& script, std::string* output = nullptr,
              std::chrono::milliseconds timeout = std::chrono::seconds(30));

// "'text'" with every single quote escaped, for the shell.
std::string shellQuoted(const std::string& text);
// "Z:\tmp\x" or "Z:/tmp/x" to "/tmp/x".
std::string unixPathOf(const std::string& windowsPath);
// "/tmp/x" to "Z:\tmp\x".
std::string windowsPathOf(const std::string& unixPath);

// The pointer and the keyboard of the test display (xdotool).
bool movePointer(int x, int y);
// Moves the pointer there, presses and releases the left button.
bool clickAt(int x, int y);
// One xdotool key chord, e.g. "Escape", "Return", "alt+F4".
bool pressKeys(const std::string& chord);

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
};

// A part of the screen as it was shown, with its pixels.
class ScreenShot {
 public:
  ScreenShot() = default;
  // Takes the area (screen coordinates); with `keepAs` (a Unix path of a
  // PNG file) the picture is also kept there.
  static ScreenShot take(const RECT& area, const std::string& keepAs = std::string());
  // A frame written by a host script as raw 8-bit RGB of the area.
  static ScreenShot fromRawFile(const std::string& windowsPath, const RECT& area);

  bool valid() const { return !m_pixels.empty(); }
  const RECT& area() const { return m_area; }
  // The pixel at screen coordinates (inside the area).
  Rgb pixel(int x, int y) const;
  // Pixels of a part of the area, row by row, for comparing parts.
  std::vector<uint8_t> region(const RECT& part) const;
  int count(const RECT& part, bool (*predicate)(const Rgb&)) const;

 private:
  RECT m_area{};
  std::vector<uint8_t> m_pixels;
};

}  // namespace tavrin::test
