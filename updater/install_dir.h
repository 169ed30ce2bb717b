// The folder the updater applies a package to. The launcher names it after
// "-p"; it counts as the installation only when it holds "tavrin.exe" or is
// the recorded install path, so that a command line cut short or made up
// cannot make the updater write beside the installation (into its parent,
// say) and record a version from there.
#pragma once

#include <string>

namespace tavrin {

// Whether two folders are the same text, ignoring case and trailing
// separators.
bool sameFolder(const std::string& a, const std::string& b);

// True when `folder` holds a file "tavrin.exe" or is the recorded install
// path (`recordedInstallPath`, may be empty).
bool isInstallationFolder(const std::string& folder, const std::string& recordedInstallPath);

}  // namespace tavrin
