#include "child_process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

std::vector<char*> argumentVector(const std::string& program, const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  return argv;
}

// Spawns with the given descriptors as standard input and output; both are
// closed in the parent afterwards.
pid_t spawnWithPipes(const std::string& program, const std::vector<std::string>& arguments, int inputFd, int outputFd) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, inputFd, STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, outputFd, STDOUT_FILENO);
  std::vector<char*> argv = argumentVector(program, arguments);
  pid_t pid = -1;
  if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

bool waitReadable(int fd, int timeoutMs) {
  pollfd waiting{fd, POLLIN, 0};
  return ::poll(&waiting, 1, timeoutMs) > 0;
}

int waitForExit(pid_t pid, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  int status = 0;
  while (std::chrono::steady_clock::now() < deadline) {
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) return status;
    if (done < 0 && errno != EINTR) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, &status, 0);
  return -1;
}

}  // namespace

bool startChild(const std::string& program, const std::vector<std::string>& arguments, ChildProcess& child) {
  int output[2];
  if (::pipe2(output, O_CLOEXEC) != 0) return false;
  const int input = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  child.pid = spawnWithPipes(program, arguments, input, output[1]);
  ::close(input);
  ::close(output[1]);
  if (child.pid < 0) {
    ::close(output[0]);
    return false;
  }
  child.stdoutFd = output[0];
  return true;
}

bool readChildLine(const ChildProcess& child, int timeoutMs, std::string& line) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  line.clear();
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || !waitReadable(child.stdoutFd, static_cast<int>(left.count()))) return false;
    char symbol = 0;
    if (::read(child.stdoutFd, &symbol, 1) != 1) return false;
    if (symbol == '\n') return true;
    line += symbol;
  }
}

int stopChild(ChildProcess& child, int timeoutMs) {
  if (child.pid < 0) return -1;
  ::kill(child.pid, SIGTERM);
  const int status = waitForExit(child.pid, timeoutMs);
  child.pid = -1;
  if (child.stdoutFd >= 0) ::close(child.stdoutFd);
  child.stdoutFd = -1;
  return status;
}

ProgramRun runProgram(const std::string& program, const std::vector<std::string>& arguments, const std::string& input,
                      int timeoutMs) {
  ProgramRun run;
  int toChild[2];
  int fromChild[2];
  if (::pipe2(toChild, O_CLOEXEC) != 0) return run;
  if (::pipe2(fromChild, O_CLOEXEC) != 0) {
    ::close(toChild[0]);
    ::close(toChild[1]);
    return run;
  }
  const pid_t pid = spawnWithPipes(program, arguments, toChild[0], fromChild[1]);
  ::close(toChild[0]);
  ::close(fromChild[1]);
  if (pid >= 0) {
    // Inputs of the tests are small: they fit the pipe without a reader
    // thread. A child that ends without reading (a missing key) must not
    // end the test with SIGPIPE: the write then just fails.
    std::signal(SIGPIPE, SIG_IGN);
    (void)!::write(toChild[1], input.data(), input.size());
  }
  ::close(toChild[1]);
  char chunk[4096];
  while (pid >= 0 && waitReadable(fromChild[0], timeoutMs)) {
    const ssize_t got = ::read(fromChild[0], chunk, sizeof chunk);
    if (got <= 0) break;
    run.output.append(chunk, static_cast<size_t>(got));
  }
  ::close(fromChild[0]);
  if (pid < 0) return run;
  const int status = waitForExit(pid, timeoutMs);
  run.exitCode = (status >= 0 && WIFEXITED(status)) ? WEXITSTATUS(status) : -1;
  return run;
}
