// Starting the service binary as a child process from the tests.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// A started child with a pipe on its standard output.
struct ChildProcess {
  pid_t pid = -1;
  int stdoutFd = -1;
};

// Starts `program` with `arguments`; standard input is /dev/null.
bool startChild(const std::string& program, const std::vector<std::string>& arguments, ChildProcess& child);

// Reads one line from the child's standard output, waiting at most timeoutMs.
bool readChildLine(const ChildProcess& child, int timeoutMs, std::string& line);

// Sends SIGTERM and waits up to timeoutMs; SIGKILL after that. Returns the
// exit status as waitpid reports it, or -1 when the child had to be killed.
int stopChild(ChildProcess& child, int timeoutMs);

struct ProgramRun {
  int exitCode = -1;
  std::string output;
};

// Runs `program` to its end with `input` on standard input (bounded by timeoutMs).
ProgramRun runProgram(const std::string& program, const std::vector<std::string>& arguments, const std::string& input,
                      int timeoutMs);
