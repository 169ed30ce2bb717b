// Command line of tavrin-devservice:
//   tavrin-devservice serve --config FILE --log FILE [--port N] [--port-file FILE]
//                           [--exit-when-missing FILE] [--max-seconds N]
//   tavrin-devservice protect --key PRIVATE.pem
#pragma once

#include "service_runner.h"

#include <string>
#include <vector>

enum class CommandKind { Serve, Protect, Invalid };

struct Command {
    CommandKind kind = CommandKind::Invalid;
    ServeOptions serve;
    std::string keyPath; // protect
    std::string error;   // why the command line is invalid
};

Command parseCommandLine(const std::vector<std::string>& arguments);
const char* usageText();
