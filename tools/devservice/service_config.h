// The service's behaviour, read from a JSON file before every request so that
// a test can change it between two requests without restarting the service.
#pragma once

#include "fault_rules.h"

#include <nlohmann/json.hpp>

#include <map>
#include <string>
#include <vector>

struct ServiceConfig {
  std::string privateKeyPath;  // signs the protected replies
  std::string otherKeyPath;    // signs them under the "wrong_key" fault
  nlohmann::json update;       // null, an object of reply members, or a raw plaintext string
  nlohmann::json settings;     // null or the settings plaintext (string)
  std::string packagesDir;     // empty: no packages
  std::vector<std::string> packageHeaders;
  std::map<std::string, Fault> faults;  // by endpoint: update, settings, active, uninstall, package
};

// A missing, unreadable or malformed file gives the defaults; members of the
// wrong type keep their defaults. Relative paths are taken from the folder of
// the configuration file; the default keys are the test keys of the source tree.
ServiceConfig loadServiceConfig(const std::string& configPath);
