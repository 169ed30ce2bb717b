// The archive messages as they reach the debugger output: the exact texts,
// in the ANSI code page (936 in the test prefix), one line per failure.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "archive_builder.h"
#include "debuggee.h"
#include "test_env.h"
#include "text_convert.h"
#include "updater_flow.h"

namespace {

using namespace tavrin;
using namespace tavrin::test;

const std::string kPassword = kPackagePassword;

std::string inQuotes(const std::string& text) { return "\"" + text + "\""; }

// The bytes a text has in code page 936, whatever the ANSI code page.
std::string inCodePage936(const std::string& utf8) {
  std::wstring wide = utf8ToWide(utf8);
  int length = ::WideCharToMultiByte(936, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(length), '\0');
  ::WideCharToMultiByte(936, 0, wide.c_str(), -1, &bytes[0], length, nullptr, nullptr);
  bytes.pop_back();
  return bytes;
}

class ZipMessages : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(::CreateDirectoryW(utf8ToWide(dest()).c_str(), nullptr)); }

  DebuggeeResult drive(const std::vector<std::string>& steps) {
    std::string commandLine = inQuotes(binDir() + "\\zip_driver.exe");
    for (const std::string& step : steps) commandLine += " " + inQuotes(step);
    return runDebuggee(commandLine);
  }

  std::string archive() const { return root.file("package.zip"); }
  std::string dest() const { return root.file("dest"); }

  TempDir root{"zip messages"};
};

TEST_F(ZipMessages, ANonZipFileFailsToLoad) {
  ASSERT_TRUE(writeFile(archive(), "plain text, no archive"));
  DebuggeeResult run = drive({"password=" + kPassword, "open=" + archive()});
  ASSERT_TRUE(run.started);
  EXPECT_EQ(run.exitCode, 1u);
  ASSERT_EQ(run.texts(), std::vector<std::string>{"加载压缩文件失败 错误代码：0x00000200"});
  EXPECT_EQ(run.lines[0].raw, inCodePage936("加载压缩文件失败 错误代码：0x00000200"));
  EXPECT_FALSE(run.lines[0].wide);
}

TEST_F(ZipMessages, ANullArchivePath) {
  DebuggeeResult run = drive({"opennull"});
  EXPECT_EQ(run.exitCode, 1u);
  EXPECT_EQ(run.texts(), std::vector<std::string>{"压缩文件名为NULL. 错误代码：0x00000000"});
}

TEST_F(ZipMessages, ADestinationWithoutArchive) {
  ASSERT_TRUE(writeFile(archive(), "no archive"));
  DebuggeeResult run = drive({"open=" + archive(), "dest=" + dest(), "all"});
  EXPECT_EQ(run.exitCode, 3u);
  EXPECT_EQ(run.texts(),
            (std::vector<std::string>{"加载压缩文件失败 错误代码：0x00000200", "设置压缩路径失败. 错误代码：0x00010000",
                                      "get zip item failed 错误代码：0x00010000"}));
}

TEST_F(ZipMessages, AWrongPassword) {
  ASSERT_TRUE(ArchiveBuilder().addFile("a.txt", "a", kPassword).writeTo(archive()));
  DebuggeeResult run = drive({"password=wrong", "open=" + archive(), "dest=" + dest(), "all"});
  EXPECT_EQ(run.exitCode, 1u);
  EXPECT_EQ(run.texts(), std::vector<std::string>{"UnzipItem failed 错误代码：0x00001000"});
}

TEST_F(ZipMessages, AnEntryOutsideTheDestination) {
  ASSERT_TRUE(
      ArchiveBuilder().addFile("ok.txt", "ok", kPassword).addFile("..\\x.txt", "x", kPassword).writeTo(archive()));
  DebuggeeResult run = drive({"password=" + kPassword, "open=" + archive(), "dest=" + dest(), "all"});
  EXPECT_EQ(run.exitCode, 1u);
  EXPECT_EQ(run.texts(), std::vector<std::string>{"UnzipItem failed 错误代码：0x00010000"});
  EXPECT_TRUE(pathExists(root.file("dest\\ok.txt")));
  EXPECT_FALSE(pathExists(root.file("x.txt")));
}

TEST_F(ZipMessages, ExtractionByName) {
  ASSERT_TRUE(ArchiveBuilder().addFile("dir/wanted.txt", "w", kPassword).writeTo(archive()));
  ASSERT_TRUE(writeFile(root.file("dest\\wanted.txt"), "locked"));
  ASSERT_TRUE(::SetFileAttributesW(utf8ToWide(root.file("dest\\wanted.txt")).c_str(), FILE_ATTRIBUTE_READONLY));
  DebuggeeResult run = drive({"password=" + kPassword, "open=" + archive(), "dest=" + dest(), "bynamenull",
                              "byname=dir/missing.txt", "byname=DIR/WANTED.TXT"});
  EXPECT_EQ(run.exitCode, 3u);
  EXPECT_EQ(run.texts(), (std::vector<std::string>{"待解压的子项名为NULL. 错误代码：0x00000000",
                                                   "查找待解压的子项失败. 错误代码：0x00000500",
                                                   "解压子项失败. 错误代码：0x00000200"}));
}

TEST_F(ZipMessages, SuccessSaysNothing) {
  ASSERT_TRUE(ArchiveBuilder().addFile("a.txt", "a", kPassword).addUnixFolder("d/").writeTo(archive()));
  DebuggeeResult run = drive({"password=" + kPassword, "open=" + archive(), "dest=" + dest(), "all"});
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_TRUE(run.lines.empty());
  EXPECT_EQ(readFile(root.file("dest\\a.txt")), "a");
}

}  // namespace
