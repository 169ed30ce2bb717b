// Command line of tavrin-devservice:
//   tavrin-devservice serve --config FILE --log FILE [--port N] [--port-file FILE]
//                           [--exit-when-missing FILE] [--max-seconds N]
//   tavrin-devservice protect --key PRIVATE.pem (--nonce HEX | --legacy)
#pragma once

#include "protect_command.h"
#include "service_runner.h"

#include <string>
#include <vector>

enum class CommandKind { Serve, Protect, Invalid };

struct Command {
  CommandKind kind = CommandKind::Invalid;
  ServeOptions serve;
  ProtectOptions protect;
  std::string error;  // why the command line is invalid
  int exitCode = 2;   // the exit code of an invalid command line
};

Command parseCommandLine(const std::vector<std::string>& arguments);
const char* usageText();
