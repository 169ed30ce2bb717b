// Archives whose entries try to write outside the destination folder, plain
// and encrypted: each makes extractAll fail with the bad-argument code at
// that entry, and nothing is written for it anywhere.
#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>

#include "archive_builder.h"
#include "test_env.h"
#include "text_convert.h"
#include "tree_listing.h"
#include "updater_flow.h"
#include "zip_manager.h"
#include "zip_archive.h"

namespace {

using namespace tavrin;
using namespace tavrin::test;

const std::string kPassword = kPackagePassword;

// Absolute targets some names would reach; none may appear.
const char* const kAbsoluteTargets[] = {"C:\\tavrin-evil.txt", "C:\\windows\\tavrin-evil.txt"};

struct HostileCase {
  const char* label;
  const char* storedName;
  bool folderEntry;
  bool utf8Name = false;  // stored in UTF-8 and flagged so
};

std::ostream& operator<<(std::ostream& out, const HostileCase& hostile) { return out << hostile.label; }

const HostileCase kHostileCases[] = {
    {"ParentBackslash", "..\\evil.txt", false},
    {"ParentSlash", "../evil.txt", false},
    {"ParentAfterFirstCut", "a\\..\\..\\evil.txt", false},
    {"ParentAfterFirstCutSlash", "x/../../evil.txt", false},
    {"ParentBehindDrive", "C:..\\evil.txt", false},
    {"ParentInFolderName", "../evil-folder/evil.txt", false},
    {"DevicePathNamespace", "\\\\?\\C:\\tavrin-evil.txt", false},
    {"DeviceNamespace", "\\\\.\\C:\\tavrin-evil.txt", false},
    {"DevicePathNamespaceSlashes", "//?/C:/windows/tavrin-evil.txt", false},
    {"UncShare", "\\\\localhost\\C$\\tavrin-evil.txt", false},
    {"StreamOfNewFile", "evil.txt:hidden", false},
    {"StreamOfExtractedFile", "before.txt:hidden", false},
    {"StreamOfTheDestination", "dest:hidden", false},
    {"StreamInSubfolder", "sub\\evil.txt::$DATA", false},
    {"NulDevice", "nul", false},
    {"ConsoleWithExtension", "sub/con.txt", false},
    {"DotsOnly", "...\\evil.txt", false},
    {"ParentFolderEntry", "../evil-folder/", true},
    {"ParentFolderEntryAfterCut", "a\\..\\..\\evil-folder\\", true},
    {"UncFolderEntry", "\\\\localhost\\C$\\evil-folder\\", true},
    // Names flagged as UTF-8 go through the same clean-up and checks.
    {"ParentUtf8", "..\\\xe5\x90\x8d\xe5\xad\x97.txt", false, true},
    {"ParentAfterFirstCutUtf8", "\xe5\x90\x8d/../../evil.txt", false, true},
    {"UncShareUtf8", "\\\\localhost\\C$\\\xe5\x90\x8d.txt", false, true},
    {"StreamUtf8", "evil.txt:\xe5\x90\x8d", false, true},
    {"DeviceUtf8", "sub/con.\xe5\x90\x8d", false, true},
};

class HostileArchive : public ::testing::TestWithParam<std::tuple<HostileCase, bool>> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(::CreateDirectoryW(utf8ToWide(dest()).c_str(), nullptr));
    for (const char* target : kAbsoluteTargets) ASSERT_FALSE(pathExists(target)) << target;
  }
  void TearDown() override {
    for (const char* target : kAbsoluteTargets) removeTree(target);
  }

  std::string archive() const { return root.file("package.zip"); }
  std::string dest() const { return root.file("dest"); }

  bool writeHostileArchive(const HostileCase& hostile, bool encrypted) {
    std::string password = encrypted ? kPassword : std::string();
    ArchiveBuilder builder;
    builder.addFile("before.txt", "written before", password);
    if (hostile.folderEntry) {
      builder.addUnixFolder(hostile.storedName);
    } else if (hostile.utf8Name) {
      builder.addUtf8File(hostile.storedName, "evil content", password);
    } else {
      builder.addFile(hostile.storedName, "evil content", password);
    }
    builder.addFile("after.txt", "never written", password);
    return builder.writeTo(archive());
  }

  TempDir root{"hostile archive"};
};

TEST_P(HostileArchive, NothingIsWrittenForTheEntry) {
  const HostileCase& hostile = std::get<0>(GetParam());
  bool encrypted = std::get<1>(GetParam());
  ASSERT_TRUE(writeHostileArchive(hostile, encrypted));

  CZipManager zip;
  ASSERT_EQ(zip.open(utf8ToWide(archive()).c_str(), kPassword.c_str()), 1);
  ASSERT_EQ(zip.setDestination(utf8ToWide(dest()).c_str()), 1);
  EXPECT_EQ(zip.extractAll(), 0);
  EXPECT_EQ(zip.lastResult(), kZipBadArgument);
  zip.close();

  EXPECT_EQ(listTree(root.path()), (std::set<std::string>{"package.zip", "dest", "dest\\before.txt"}));
  EXPECT_EQ(readFile(root.file("dest\\before.txt")), "written before");
  for (const char* target : kAbsoluteTargets) EXPECT_FALSE(pathExists(target)) << target;
  EXPECT_FALSE(pathExists("C:\\evil-folder"));
}

INSTANTIATE_TEST_SUITE_P(Corpus, HostileArchive,
                         ::testing::Combine(::testing::ValuesIn(kHostileCases), ::testing::Bool()),
                         [](const ::testing::TestParamInfo<std::tuple<HostileCase, bool>>& info) {
                           return std::string(std::get<0>(info.param).label) +
                                  (std::get<1>(info.param) ? "Encrypted" : "Plain");
                         });

// Names that look odd but stay inside are extracted.
TEST(HarmlessOddNames, AreExtractedInsideTheDestination) {
  TempDir root{"odd names"};
  std::string dest = root.file("dest");
  ASSERT_TRUE(::CreateDirectoryW(utf8ToWide(dest).c_str(), nullptr));
  std::string archive = root.file("package.zip");
  ASSERT_TRUE(ArchiveBuilder()
                  .addFile("..\\..\\inside.txt", "1", kPassword)  // the first cut leaves "inside.txt"
                  .addFile("a/./b.txt", "2", kPassword)
                  .addFile("..dots..txt", "3", kPassword)
                  .addFile("/abs/path.txt", "4", kPassword)
                  .writeTo(archive));
  CZipManager zip;
  ASSERT_EQ(zip.open(utf8ToWide(archive).c_str(), kPassword.c_str()), 1);
  ASSERT_EQ(zip.setDestination(utf8ToWide(dest).c_str()), 1);
  EXPECT_EQ(zip.extractAll(), 1);
  zip.close();
  EXPECT_EQ(listTree(root.path()),
            (std::set<std::string>{"package.zip", "dest", "dest\\inside.txt", "dest\\a", "dest\\a\\b.txt",
                                   "dest\\..dots..txt", "dest\\abs", "dest\\abs\\path.txt"}));
  EXPECT_EQ(readFile(root.file("dest\\a\\b.txt")), "2");
}

}  // namespace
