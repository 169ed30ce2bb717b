// tavrin-devservice: a loopback stand-in for the configuration and statistics
// service, for tests and the demo. Never part of the shipped programs.
#include "command_line.h"
#include "protect_command.h"
#include "service_runner.h"
#include "stop_signal.h"

#include <exception>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  const Command command = parseCommandLine(arguments);
  try {
    switch (command.kind) {
      case CommandKind::Serve:
        installStopSignalHandlers();
        return runService(command.serve);
      case CommandKind::Protect:
        return runProtect(command.protect);
      case CommandKind::Invalid:
        break;
    }
  } catch (const std::exception& failure) {
    std::cerr << "tavrin-devservice: " << failure.what() << "\n";
    return 1;
  }
  std::cerr << "tavrin-devservice: " << command.error << "\n" << usageText();
  return command.exitCode;
}
