// The updater's command-line scan.
#include <gtest/gtest.h>

#include <vector>

#include "updater_arguments.h"

namespace {

using tavrin::scanUpdaterArguments;
using tavrin::UpdaterArguments;

UpdaterArguments scan(std::vector<const char*> arguments) {
  return scanUpdaterArguments(static_cast<int>(arguments.size()), arguments.data());
}

TEST(UpdaterArguments, TakesArchiveAndInstallDirectory) {
  UpdaterArguments found = scan({"Mirup.exe", "-f", "C:\\a b\\uppackage.zip", "-p", "C:\\Program Files\\tavrin"});
  EXPECT_EQ(found.archivePath, "C:\\a b\\uppackage.zip");
  EXPECT_EQ(found.installDir, "C:\\Program Files\\tavrin");
}

TEST(UpdaterArguments, SwitchesIgnoreCase) {
  UpdaterArguments found = scan({"Mirup.exe", "-P", "dir", "-F", "pkg.zip"});
  EXPECT_EQ(found.archivePath, "pkg.zip");
  EXPECT_EQ(found.installDir, "dir");
}

TEST(UpdaterArguments, ArchiveAlone) {
  UpdaterArguments found = scan({"Mirup.exe", "-f", "pkg.zip"});
  EXPECT_EQ(found.archivePath, "pkg.zip");
  EXPECT_EQ(found.installDir, "");
}

TEST(UpdaterArguments, LaterOccurrencesWinAndValuesAreExaminedToo) {
  UpdaterArguments found = scan({"Mirup.exe", "-f", "first.zip", "-f", "second.zip"});
  EXPECT_EQ(found.archivePath, "second.zip");
  // "-p" takes "-f" as its value, and "-f" is then a switch of its own.
  found = scan({"Mirup.exe", "-p", "-f", "pkg.zip"});
  EXPECT_EQ(found.installDir, "-f");
  EXPECT_EQ(found.archivePath, "pkg.zip");
}

TEST(UpdaterArguments, ASwitchWithoutValueOrALongerWordIsNothing) {
  UpdaterArguments found = scan({"Mirup.exe", "pkg.zip", "-f"});
  EXPECT_EQ(found.archivePath, "");
  found = scan({"Mirup.exe", "-file", "pkg.zip", "/f", "x.zip", "-pf", "dir"});
  EXPECT_EQ(found.archivePath, "");
  EXPECT_EQ(found.installDir, "");
}

}  // namespace
