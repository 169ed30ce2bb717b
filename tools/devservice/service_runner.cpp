#include "service_runner.h"

#include "connection.h"
#include "listen_socket.h"
#include "request_log.h"
#include "stop_signal.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <mutex>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kAcceptPollMs = 100;
constexpr int kMaxConnections = 128;
constexpr std::chrono::seconds kShutdownGrace(3);

// Counts the connection threads so that shutdown can wait for them.
class ConnectionTracker {
 public:
  bool tryEnter() {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_active >= kMaxConnections) return false;
    ++m_active;
    return true;
  }
  void leave() {
    std::lock_guard<std::mutex> guard(m_lock);
    --m_active;
    m_idle.notify_all();
  }
  bool waitUntilIdle(std::chrono::steady_clock::duration limit) {
    std::unique_lock<std::mutex> guard(m_lock);
    return m_idle.wait_for(guard, limit, [this] { return m_active == 0; });
  }

 private:
  std::mutex m_lock;
  std::condition_variable m_idle;
  int m_active = 0;
};

bool writePortFile(const std::string& path, uint16_t port) {
  const std::string temporary = path + ".tmp";
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    if (!file) return false;
    file << port << "\n";
    if (!file.flush()) return false;
  }
  return std::rename(temporary.c_str(), path.c_str()) == 0;
}

void startConnectionThread(UniqueFd connection, ServiceContext& context, ConnectionTracker& tracker) {
  if (!tracker.tryEnter()) return;  // over the limit: the connection is closed unanswered
  try {
    std::thread([fd = connection.release(), &context, &tracker]() {
      try {
        serveConnection(UniqueFd(fd), context);
      } catch (const std::exception& failure) {
        std::cerr << "tavrin-devservice: connection failed: " << failure.what() << "\n";
      }
      tracker.leave();
    }).detach();
  } catch (const std::system_error&) {
    tracker.leave();
  }
}

// Ends the service once the watched file is gone or the lifetime cap is
// reached; checked between two accept polls, so within about 100 ms.
class LifetimeWatch {
 public:
  explicit LifetimeWatch(const ServeOptions& options)
      : m_watchedFile(options.exitWhenMissing),
        m_started(std::chrono::steady_clock::now()),
        m_maxSeconds(options.maxSeconds != 0 || m_watchedFile.empty() ? options.maxSeconds
                                                                      : kDefaultWatchedMaxSeconds) {}

  bool timeToEnd() const {
    if (!m_watchedFile.empty() && ::access(m_watchedFile.c_str(), F_OK) != 0) return true;
    return m_maxSeconds != 0 && std::chrono::steady_clock::now() - m_started >= std::chrono::seconds(m_maxSeconds);
  }

 private:
  std::string m_watchedFile;
  std::chrono::steady_clock::time_point m_started;
  uint32_t m_maxSeconds;
};

void acceptUntilStopped(int listenFd, ServiceContext& context, ConnectionTracker& tracker, const LifetimeWatch& watch) {
  while (!stopRequested()) {
    if (watch.timeToEnd()) {
      requestStop();  // also ends the stalls and streams of open connections
      break;
    }
    pollfd waiting{listenFd, POLLIN, 0};
    if (::poll(&waiting, 1, kAcceptPollMs) <= 0 || (waiting.revents & POLLIN) == 0) continue;
    UniqueFd connection(::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC));
    if (connection.valid()) startConnectionThread(std::move(connection), context, tracker);
  }
}

}  // namespace

int runService(const ServeOptions& options) {
  uint16_t port = 0;
  std::string error;
  UniqueFd listener = listenOnLoopback(options.port, port, error);
  if (!listener.valid()) {
    std::cerr << "tavrin-devservice: cannot listen on 127.0.0.1:" << options.port << ": " << error << "\n";
    return 1;
  }
  if (!options.portFile.empty() && !writePortFile(options.portFile, port)) {
    std::cerr << "tavrin-devservice: cannot write the port file " << options.portFile << "\n";
    return 1;
  }
  std::cout << "listening on 127.0.0.1:" << port << std::endl;

  RequestLog log(options.logPath);
  ServiceContext context;
  context.configPath = options.configPath;
  context.baseUrl = "http://127.0.0.1:" + std::to_string(port);
  context.log = &log;
  ConnectionTracker tracker;

  const LifetimeWatch watch(options);
  acceptUntilStopped(listener.get(), context, tracker, watch);
  listener.reset();
  const bool idle = tracker.waitUntilIdle(kShutdownGrace);
  // The port file goes last: once it is gone, nothing more is logged.
  if (!options.portFile.empty()) std::remove(options.portFile.c_str());
  if (!idle) {
    // A connection thread is still blocked in the network; its state lives
    // in this frame, so end the process without unwinding it.
    std::cout.flush();
    std::_Exit(0);
  }
  return 0;
}
