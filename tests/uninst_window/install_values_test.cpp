// The values the window reads from the installation record and from
// "config.ini", and the window title made from the display name.
#include <gtest/gtest.h>

#include "app_name.h"
#include "file_removal.h"
#include "install_dir_guard.h"
#include "install_values.h"
#include "text_convert.h"
#include "uninst_fixture.h"

namespace {

using namespace tavrin;
using namespace tavrin::test;

class InstallValues : public ::testing::Test {
 protected:
  std::string ansi(const std::string& utf8) { return wideToAnsi(utf8ToWide(utf8)); }
  bool writeConfig(const std::string& content) { return makeFile(m_config.file("config.ini"), content); }
  std::wstring configFolder() const { return utf8ToWide(m_config.path()); }

  InstallRecord m_record;
  TempDir m_config{"uninst config"};
};

TEST_F(InstallValues, VersionTextIsTheRecordedOneOr1001) {
  EXPECT_EQ(uninst::ReadVersionStr(), L"1.0.0.1") << "no value";
  ASSERT_TRUE(m_record.setString("version_str", ""));
  EXPECT_EQ(uninst::ReadVersionStr(), L"1.0.0.1") << "an empty value";
  ASSERT_TRUE(m_record.setString("version_str", "2.5.0.17"));
  EXPECT_EQ(uninst::ReadVersionStr(), L"2.5.0.17");
}

TEST_F(InstallValues, ChannelIsTheRecordedOneOrEmpty) {
  EXPECT_EQ(uninst::ReadChannel(), L"");
  ASSERT_TRUE(m_record.setString("channel", "c7"));
  EXPECT_EQ(uninst::ReadChannel(), L"c7");
}

TEST_F(InstallValues, AValueEndsAtItsFirstZeroCharacter) {
  const std::string bytes = std::string("gw") + '\0' + "tail";
  ASSERT_TRUE(m_record.setBytes("channel", std::vector<BYTE>(bytes.begin(), bytes.end()), REG_SZ));
  EXPECT_EQ(uninst::ReadChannel(), L"gw");
}

TEST_F(InstallValues, ReadingNeverCreatesTheProductKey) {
  ASSERT_FALSE(InstallRecord::keyExists());
  EXPECT_EQ(wideToUtf8(uninst::GetAppName()), "塔文浏览器");
  EXPECT_EQ(uninst::ReadVersionStr(), L"1.0.0.1");
  EXPECT_EQ(uninst::ReadChannel(), L"");
  EXPECT_EQ(uninst::ReadRecordedInstallPath(), L"");
  EXPECT_FALSE(InstallRecord::keyExists()) << "an uninstall must not leave an empty key behind";
}

TEST_F(InstallValues, ExpandableStringsReadAsMissingLikeTheLaunchersReads) {
  ASSERT_TRUE(m_record.setString("appname", "Tavrin %USERNAME%", REG_EXPAND_SZ));
  ASSERT_TRUE(m_record.setString("version_str", "9.9.9.9", REG_EXPAND_SZ));
  ASSERT_TRUE(m_record.setString("installpath", "%ProgramFiles%\\Tavrin", REG_EXPAND_SZ));
  EXPECT_EQ(wideToUtf8(uninst::GetAppName()), "塔文浏览器");
  EXPECT_EQ(uninst::ReadVersionStr(), L"1.0.0.1");
  EXPECT_EQ(uninst::ReadRecordedInstallPath(), L"");
  ASSERT_TRUE(m_record.setString("version_str", "9.9.9.9"));
  EXPECT_EQ(uninst::ReadVersionStr(), L"9.9.9.9");
}

TEST_F(InstallValues, MachineIdInTheRegistryWinsOverConfigIni) {
  ASSERT_TRUE(writeConfig("[MACHINE]\r\nMachineId=from-ini\r\n"));
  ASSERT_TRUE(m_record.setString("MachineId", "from-registry"));
  EXPECT_EQ(uninst::ReadMachineIdFrom(configFolder()), L"from-registry");
}

TEST_F(InstallValues, AnEmptyRegistryMachineIdFallsBackToConfigIni) {
  ASSERT_TRUE(writeConfig("[OTHER]\r\nMachineId=wrong-section\r\n[MACHINE]\r\nMachineId=from-ini\r\n"));
  EXPECT_EQ(uninst::ReadMachineIdFrom(configFolder()), L"from-ini") << "no value";
  ASSERT_TRUE(m_record.setString("MachineId", ""));
  EXPECT_EQ(uninst::ReadMachineIdFrom(configFolder()), L"from-ini") << "an empty value";
}

TEST_F(InstallValues, WithoutEitherMachineIdItIsEmpty) {
  EXPECT_EQ(uninst::ReadMachineIdFrom(configFolder()), L"") << "no config.ini";
  ASSERT_TRUE(writeConfig("[MACHINE]\r\nOther=1\r\n"));
  EXPECT_EQ(uninst::ReadMachineIdFrom(configFolder()), L"") << "config.ini without the key";
}

TEST_F(InstallValues, ConfigIniIsLookedForBesideTheUninstaller) {
  // This test program stands in for the uninstaller: its folder has no config.ini.
  ASSERT_FALSE(pathExists(wideToUtf8(uninst::GetModuleDir()) + "\\config.ini"));
  ASSERT_TRUE(writeConfig("[MACHINE]\r\nMachineId=elsewhere\r\n"));
  EXPECT_EQ(uninst::ReadMachineId(), L"");
  ASSERT_TRUE(m_record.setString("MachineId", "M1"));
  EXPECT_EQ(uninst::ReadMachineId(), L"M1");
}

TEST_F(InstallValues, TheTitleIsTheDisplayNameAndUninstallProgram) {
  EXPECT_EQ(uninst::UninstWindowTitle(), L"塔文浏览器卸载程序");
  ASSERT_TRUE(m_record.setString("appname", ""));
  EXPECT_EQ(uninst::UninstWindowTitle(), L"塔文浏览器卸载程序");
  ASSERT_TRUE(m_record.setString("appname", ansi("测试浏览器")));
  EXPECT_EQ(uninst::UninstWindowTitle(), L"测试浏览器卸载程序");
}

}  // namespace
