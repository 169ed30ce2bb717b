// Removing files and folders the way the uninstaller does.
#include <gtest/gtest.h>

#include "file_removal.h"
#include "text_convert.h"
#include "uninst_fixture.h"

namespace {

using namespace tavrin;
using namespace tavrin::test;
using uninst::CFilePath;

bool deleteDirectory(const std::string& path) { return CFilePath(utf8ToWide(path)).DeleteDirectory(); }

TEST(ModuleDir, IsTheFolderOfTheRunningProgramWithoutATrailingBackslash) {
  std::wstring dir = uninst::GetModuleDir();
  EXPECT_EQ(wideToUtf8(dir), binDir());
  ASSERT_FALSE(dir.empty());
  EXPECT_NE(dir.back(), L'\\');
}

TEST(LongPath, PrefixesThePathUnchanged) {
  EXPECT_EQ(uninst::MakeLongPath(L"C:\\a b\\c"), L"\\\\?\\C:\\a b\\c");
  EXPECT_EQ(uninst::MakeLongPath(L"\\\\?\\C:\\x"), L"\\\\?\\\\\\?\\C:\\x") << "no test for an existing prefix";
  EXPECT_EQ(uninst::MakeLongPath(L"rel\\..\\x"), L"\\\\?\\rel\\..\\x") << "no normalisation";
}

TEST(DeleteDirectory, RemovesASingleFileAndSaysItWasNoFolder) {
  TempDir dir("uninst file");
  std::string file = dir.file("only file.txt");
  std::string neighbour = dir.file("neighbour.txt");
  ASSERT_TRUE(makeFile(file));
  ASSERT_TRUE(makeFile(neighbour));
  EXPECT_FALSE(deleteDirectory(file));
  EXPECT_FALSE(pathExists(file));
  EXPECT_TRUE(pathExists(neighbour));
}

TEST(DeleteDirectory, AMissingPathIsTreatedAsAFile) {
  TempDir dir("uninst missing");
  std::string sibling = dir.file("kept.txt");
  ASSERT_TRUE(makeFile(sibling));
  EXPECT_FALSE(deleteDirectory(dir.file("no such thing")));
  EXPECT_TRUE(pathExists(sibling));
  EXPECT_TRUE(pathExists(dir.path()));
}

TEST(DeleteDirectory, RemovesATreeWithPlainSubfolders) {
  TempDir dir("uninst tree");
  std::string root = dir.file("group");
  ASSERT_TRUE(makeFile(root + "\\a.lnk"));
  ASSERT_TRUE(makeFile(root + "\\sub\\b.lnk"));
  ASSERT_TRUE(makeFile(root + "\\sub\\deeper\\c.txt"));
  ASSERT_TRUE(makeFolders(root + "\\empty"));
  EXPECT_TRUE(deleteDirectory(root));
  EXPECT_FALSE(pathExists(root));
  EXPECT_TRUE(pathExists(dir.path()));
}

TEST(DeleteDirectory, AHiddenFolderIsNotEnteredAndStaysWithItsParent) {
  TempDir dir("uninst hidden");
  std::string root = dir.file("install");
  std::string hidden = root + "\\hidden";
  ASSERT_TRUE(makeFile(root + "\\top.txt"));
  ASSERT_TRUE(makeFile(hidden + "\\inner.txt"));
  ASSERT_TRUE(makeFile(root + "\\plain\\b.txt"));
  ASSERT_TRUE(::SetFileAttributesW(utf8ToWide(hidden).c_str(), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN));
  ASSERT_EQ(::GetFileAttributesW(utf8ToWide(hidden).c_str()), 18u) << "the prefix keeps the hidden attribute";

  EXPECT_TRUE(deleteDirectory(root));
  EXPECT_FALSE(pathExists(root + "\\top.txt"));
  EXPECT_FALSE(pathExists(root + "\\plain"));
  EXPECT_TRUE(pathExists(hidden + "\\inner.txt")) << "not descended into";
  EXPECT_TRUE(pathExists(hidden));
  EXPECT_TRUE(pathExists(root)) << "a folder with something left in it stays";
}

TEST(DeleteDirectory, ASystemFolderIsHandedToTheFileRemovalToo) {
  TempDir dir("uninst system");
  std::string root = dir.file("install");
  std::string system = root + "\\system";
  ASSERT_TRUE(makeFile(system + "\\inner.txt"));
  ASSERT_TRUE(::SetFileAttributesW(utf8ToWide(system).c_str(), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_SYSTEM));
  ASSERT_EQ(::GetFileAttributesW(utf8ToWide(system).c_str()), 20u) << "the prefix keeps the system attribute";

  EXPECT_TRUE(deleteDirectory(root));
  EXPECT_TRUE(pathExists(system + "\\inner.txt"));
  EXPECT_TRUE(pathExists(root));
  ::SetFileAttributesW(utf8ToWide(system).c_str(), FILE_ATTRIBUTE_DIRECTORY);
}

TEST(DeleteDirectory, ALinkIsNeverWalkedAtTheRootOrBelowIt) {
  TempDir dir("uninst links");
  std::string elsewhere = dir.file("elsewhere");
  ASSERT_TRUE(makeFile(elsewhere + "\\precious.txt"));
  ASSERT_TRUE(makeFile(elsewhere + "\\sub\\deeper.txt"));
  std::string rootLink = dir.file("data");
  std::string tree = dir.file("tree");
  std::string innerLink = tree + "\\inner";
  ASSERT_TRUE(makeFile(tree + "\\own.txt"));
  ASSERT_TRUE(makeFolderLink(rootLink, elsewhere));
  ASSERT_TRUE(makeFolderLink(innerLink, elsewhere));

  EXPECT_FALSE(deleteDirectory(rootLink)) << "a link at the root is not walked as a folder";
  EXPECT_TRUE(deleteDirectory(tree));
  EXPECT_TRUE(pathExists(elsewhere + "\\precious.txt"));
  EXPECT_TRUE(pathExists(elsewhere + "\\sub\\deeper.txt"));
  EXPECT_FALSE(pathExists(tree + "\\own.txt"));
  // Windows removes a folder link with RemoveDirectoryW; Wine cannot remove
  // its Unix links through Win32 at all, so there they stay.
  removeFolderLink(rootLink);
  removeFolderLink(innerLink);
}

TEST(DeleteDirectory, RemovesFilesWhosePathIsLongerThanMaxPath) {
  TempDir dir("uninst deep");
  // A folder path that fits MAX_PATH, holding files whose full paths do not.
  std::string root = dir.file("deep");
  size_t nameLength = root.size() < 190 ? 200 - root.size() : 10;
  std::string folder = root + "\\" + std::string(nameLength, 'd');
  ASSERT_LT(folder.size(), 250u);
  std::string longFile = folder + "\\" + std::string(120, 'f') + ".txt";
  std::string otherLongFile = folder + "\\" + std::string(110, 'g') + ".dat";
  ASSERT_GT(longFile.size(), static_cast<size_t>(MAX_PATH));
  ASSERT_TRUE(makeFile(longFile));
  ASSERT_TRUE(makeFile(otherLongFile));
  ASSERT_TRUE(makeFile(root + "\\short.txt"));

  EXPECT_TRUE(deleteDirectory(root));
  EXPECT_FALSE(pathExists(root));
  removeTreeLong(root);
}

}  // namespace
