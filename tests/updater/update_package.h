// Update packages as the service delivers them: a password-protected
// archive holding the stand-in browser of a version, a folder named by that
// version and the updater itself.
#pragma once

#include <string>

#include "archive_builder.h"

namespace tavrin::test {

// The entries of a package of `browserVersion` ("unversioned" for the
// stand-in without a version resource), encrypted with `password`.
ArchiveBuilder updatePackage(const std::string& browserVersion, const std::string& password);

// A package of `browserVersion` that takes a while to apply: the browser,
// 6 MiB in large files, the updater, 80 small files and the version
// folder's "resources.pak" last.
ArchiveBuilder bulkyUpdatePackage(const std::string& browserVersion, const std::string& password);

// The launcher's companion of a downloaded package: its size as text,
// padded with NULs to 512 bytes.
std::string packageCompanion(const std::string& packagePath);

}  // namespace tavrin::test
