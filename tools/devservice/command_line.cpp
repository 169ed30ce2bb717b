#include "command_line.h"

#include "protected_reply.h"

#include <map>
#include <set>

namespace {

// Options of a command that stand alone, without a value.
std::set<std::string> flagsOf(const std::string& commandWord) {
  if (commandWord == "protect") return {"--legacy"};
  return {};
}

// "--name value" pairs and lone flags after the command word (a flag gets an
// empty value); false on a stray or repeated word.
bool collectOptions(const std::vector<std::string>& arguments, const std::set<std::string>& flags,
                    std::map<std::string, std::string>& options, std::string& error) {
  size_t index = 1;
  while (index < arguments.size()) {
    const std::string& name = arguments[index];
    const bool flag = flags.count(name) != 0;
    if (name.compare(0, 2, "--") != 0 || (!flag && index + 1 >= arguments.size())) {
      error = "expected \"--option value\" at \"" + name + "\"";
      return false;
    }
    if (!options.emplace(name, flag ? std::string() : arguments[index + 1]).second) {
      error = "option given twice: " + name;
      return false;
    }
    index += flag ? 1 : 2;
  }
  return true;
}

bool parsePort(const std::string& text, uint16_t& port) {
  if (text.empty() || text.size() > 5) return false;
  unsigned value = 0;
  for (char digit : text) {
    if (digit < '0' || digit > '9') return false;
    value = value * 10 + static_cast<unsigned>(digit - '0');
  }
  if (value > 65535) return false;
  port = static_cast<uint16_t>(value);
  return true;
}

bool parseSeconds(const std::string& text, uint32_t& seconds) {
  if (text.empty() || text.size() > 9) return false;
  uint32_t value = 0;
  for (char digit : text) {
    if (digit < '0' || digit > '9') return false;
    value = value * 10 + static_cast<uint32_t>(digit - '0');
  }
  seconds = value;
  return true;
}

bool takeOption(std::map<std::string, std::string>& options, const std::string& name, std::string& value) {
  const auto found = options.find(name);
  if (found == options.end()) return false;
  value = found->second;
  options.erase(found);
  return true;
}

Command invalid(const std::string& error) {
  Command command;
  command.error = error;
  return command;
}

Command parseServe(std::map<std::string, std::string> options) {
  Command command;
  if (!takeOption(options, "--config", command.serve.configPath)) return invalid("serve needs --config FILE");
  if (!takeOption(options, "--log", command.serve.logPath)) return invalid("serve needs --log FILE");
  std::string portText;
  if (takeOption(options, "--port", portText) && !parsePort(portText, command.serve.port)) {
    return invalid("--port needs a number from 0 to 65535");
  }
  takeOption(options, "--port-file", command.serve.portFile);
  takeOption(options, "--exit-when-missing", command.serve.exitWhenMissing);
  std::string secondsText;
  if (takeOption(options, "--max-seconds", secondsText) && !parseSeconds(secondsText, command.serve.maxSeconds)) {
    return invalid("--max-seconds needs a number of seconds (0: no cap)");
  }
  if (!options.empty()) return invalid("unknown option for serve: " + options.begin()->first);
  command.kind = CommandKind::Serve;
  return command;
}

// The protect command makes no reply when its form is unclear: exit code 1,
// as for any other reply it cannot make.
Command invalidProtectForm(const std::string& error) {
  Command command = invalid(error);
  command.exitCode = 1;
  return command;
}

Command parseProtect(std::map<std::string, std::string> options) {
  Command command;
  if (!takeOption(options, "--key", command.protect.keyPath)) return invalid("protect needs --key PRIVATE.pem");
  std::string unused;
  command.protect.legacy = takeOption(options, "--legacy", unused);
  std::string nonceText;
  const bool bound = takeOption(options, "--nonce", nonceText);
  if (!options.empty()) return invalid("unknown option for protect: " + options.begin()->first);
  if (!bound && !command.protect.legacy) {
    return invalidProtectForm("protect needs --nonce HEX (a bound reply) or --legacy (the older form)");
  }
  if (bound && command.protect.legacy) return invalidProtectForm("protect takes --nonce HEX or --legacy, not both");
  if (bound && !nonceFromHex(nonceText, command.protect.nonce)) {
    return invalidProtectForm("--nonce needs 32 hexadecimal digits");
  }
  command.kind = CommandKind::Protect;
  return command;
}

}  // namespace

Command parseCommandLine(const std::vector<std::string>& arguments) {
  if (arguments.empty()) return invalid("no command given");
  std::map<std::string, std::string> options;
  std::string error;
  if (!collectOptions(arguments, flagsOf(arguments[0]), options, error)) return invalid(error);
  if (arguments[0] == "serve") return parseServe(options);
  if (arguments[0] == "protect") return parseProtect(options);
  return invalid("unknown command: " + arguments[0]);
}

const char* usageText() {
  return "usage:\n"
         "  tavrin-devservice serve --config FILE --log FILE [--port N] [--port-file FILE]\n"
         "                          [--exit-when-missing FILE] [--max-seconds N]\n"
         "      --port-file FILE          the port, written once listening, removed at the end\n"
         "      --exit-when-missing FILE  end once FILE no longer exists (checked every 100 ms)\n"
         "      --max-seconds N           end after N seconds; 0: never (default: 900 with\n"
         "                                --exit-when-missing, else never)\n"
         "  tavrin-devservice protect --key PRIVATE.pem (--nonce HEX | --legacy)\n"
         "      plaintext on stdin, the protected reply (Base64) on stdout\n"
         "      --nonce HEX               bound to this nonce (32 hexadecimal digits): the RSA\n"
         "                                block carries key, SHA-256 of the ciphertext, nonce\n"
         "      --legacy                  the older form: the RSA block carries the key alone\n";
}
