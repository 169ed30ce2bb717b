// The updater's command line: "-f" names the update archive, "-p" the
// install directory. No Windows header here.
#pragma once

#include <string>

namespace tavrin {

struct UpdaterArguments {
  std::string archivePath;
  std::string installDir;
};

// Examines every argument from the first to the last but one (values
// included); a switch, compared without regard to case, takes the next
// argument as its value, and a later occurrence overrides an earlier one.
UpdaterArguments scanUpdaterArguments(int argc, const char* const* argv);

}  // namespace tavrin
