// Entry names: the clean-up rules and the check that keeps extraction
// inside the destination folder.
#include <gtest/gtest.h>

#include "archive_name.h"

namespace {

using tavrin::cleanEntryName;
using tavrin::hasNamespacePrefix;
using tavrin::staysInsideDestination;

TEST(EntryNameCleanUp, DropsTheDriveAndTheLeadingBackslash) {
  EXPECT_EQ(cleanEntryName(L"C:\\Windows\\x.dll"), L"Windows\\x.dll");
}

TEST(EntryNameCleanUp, DropsEverythingUpToTheFirstParentStep) {
  EXPECT_EQ(cleanEntryName(L"a\\..\\b.txt"), L"b.txt");
  EXPECT_EQ(cleanEntryName(L"a/../b.txt"), L"b.txt");
  EXPECT_EQ(cleanEntryName(L"a\\../b.txt"), L"b.txt");
  EXPECT_EQ(cleanEntryName(L"a/..\\b.txt"), L"b.txt");
  EXPECT_EQ(cleanEntryName(L"a/b/c/../d/e.txt"), L"d/e.txt");
}

TEST(EntryNameCleanUp, RepeatsUntilNoRuleApplies) {
  EXPECT_EQ(cleanEntryName(L"C:D:\\\\/x.txt"), L"x.txt");
  EXPECT_EQ(cleanEntryName(L"/a\\..\\C:\\b\\..\\c.txt"), L"c.txt");
  EXPECT_EQ(cleanEntryName(L"\\\\server\\share\\x"), L"server\\share\\x");
}

TEST(EntryNameCleanUp, LeavesOrdinaryNamesAlone) {
  EXPECT_EQ(cleanEntryName(L"tavrin.exe"), L"tavrin.exe");
  EXPECT_EQ(cleanEntryName(L"1.0.0.2/resources/zh-CN.pak"), L"1.0.0.2/resources/zh-CN.pak");
  EXPECT_EQ(cleanEntryName(L"docs/"), L"docs/");
  EXPECT_EQ(cleanEntryName(L"..a/b..c"), L"..a/b..c");
}

// What the rules leave for the check below to catch.
TEST(EntryNameCleanUp, LeavesALeadingParentStep) {
  EXPECT_EQ(cleanEntryName(L"..\\x"), L"..\\x");
  EXPECT_EQ(cleanEntryName(L"../x"), L"../x");
  EXPECT_EQ(cleanEntryName(L"a\\..\\..\\x"), L"..\\x");
  EXPECT_EQ(cleanEntryName(L"x/../../y"), L"../y");
  EXPECT_EQ(cleanEntryName(L"C:..\\x"), L"..\\x");
  EXPECT_EQ(cleanEntryName(L"\\\\?\\C:\\x"), L"?\\C:\\x");
  EXPECT_EQ(cleanEntryName(L"ab:stream"), L"ab:stream");
}

TEST(EntryNamespaceForm, IsTwoSeparatorsAtTheStart) {
  EXPECT_TRUE(hasNamespacePrefix(L"\\\\server\\share\\x"));
  EXPECT_TRUE(hasNamespacePrefix(L"\\\\?\\C:\\x"));
  EXPECT_TRUE(hasNamespacePrefix(L"\\\\.\\PhysicalDrive0"));
  EXPECT_TRUE(hasNamespacePrefix(L"//server/share/x"));
  EXPECT_TRUE(hasNamespacePrefix(L"\\/x"));
  EXPECT_FALSE(hasNamespacePrefix(L"\\x"));
  EXPECT_FALSE(hasNamespacePrefix(L"C:\\\\x"));
  EXPECT_FALSE(hasNamespacePrefix(L"x\\\\y"));
  EXPECT_FALSE(hasNamespacePrefix(L""));
}

TEST(InsideDestination, AcceptsRelativeNames) {
  for (const wchar_t* name :
       {L"a.txt", L"dir/sub/a.txt", L"dir\\sub\\", L"", L"a/./b", L"x.", L"..a", L"a..b", L"a//b",
        L"1.0.0.2\\chrome_elf.dll", L"COM10", L"console.log", L"nullable.h", L"\u6587\u4ef6.txt"}) {
    EXPECT_TRUE(staysInsideDestination(name)) << std::wstring(name).size();
  }
}

TEST(InsideDestination, RefusesParentSteps) {
  for (const wchar_t* name :
       {L"..\\x", L"../x", L"..", L"a/..", L"a\\..\\..\\b", L"...", L". .", L" ", L"a\\ \\b", L"x/.../y"}) {
    EXPECT_FALSE(staysInsideDestination(name)) << std::wstring(name).size();
  }
}

TEST(InsideDestination, RefusesRootedAndDriveNames) {
  for (const wchar_t* name : {L"\\x", L"/x", L"\\\\server\\share\\x", L"//?/C:/x", L"C:x", L"C:\\x", L"?\\C:\\x"}) {
    EXPECT_FALSE(staysInsideDestination(name)) << std::wstring(name).size();
  }
}

TEST(InsideDestination, RefusesStreamsOfOtherFiles) {
  EXPECT_FALSE(staysInsideDestination(L"ab:stream"));
  EXPECT_FALSE(staysInsideDestination(L"dir\\file.txt:evil"));
  EXPECT_FALSE(staysInsideDestination(L"file.txt::$DATA"));
}

TEST(InsideDestination, RefusesDeviceNames) {
  for (const wchar_t* name : {L"nul", L"NUL.txt", L"dir\\con", L"com1.log", L"LPT9", L"conin$", L"CONOUT$.x",
                              L"aux .txt", L"prn", L"dir/Com\u00B9"}) {
    EXPECT_FALSE(staysInsideDestination(name)) << std::wstring(name).size();
  }
}

}  // namespace
