// The display-name lookup and the removal of registry subtrees.
#include <gtest/gtest.h>

#include "app_name.h"
#include "reg_settings.h"
#include "registry_view.h"
#include "text_convert.h"
#include "uninst_fixture.h"

namespace {

using namespace tavrin;
using namespace tavrin::test;

const std::string kTestRoot = "SOFTWARE\\tavrin-uninst-test";

class KeyTree : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(deleteKeyTree(kTestRoot)); }
  void TearDown() override { deleteKeyTree(kTestRoot); }
};

TEST_F(KeyTree, RemovesEveryLevelBelowTheSubkey) {
  ASSERT_TRUE(createKey(kTestRoot + "\\product\\a\\b\\c\\d"));
  ASSERT_TRUE(createKey(kTestRoot + "\\product\\a\\second"));
  ASSERT_TRUE(createKey(kTestRoot + "\\product\\z"));
  ASSERT_TRUE(createKey(kTestRoot + "\\product-sibling"));
  uninst::CRegSettings parent;
  ASSERT_TRUE(parent.OpenOrCreate(utf8ToWide(kTestRoot).c_str()));
  EXPECT_EQ(uninst::CRegSettings::DeleteKeyTree(parent.Key(), L"product"), ERROR_SUCCESS);
  EXPECT_FALSE(keyExists(kTestRoot + "\\product"));
  EXPECT_TRUE(keyExists(kTestRoot + "\\product-sibling"));
}

TEST_F(KeyTree, ReportsAMissingSubkeyAndANullParent) {
  uninst::CRegSettings parent;
  ASSERT_TRUE(parent.OpenOrCreate(utf8ToWide(kTestRoot).c_str()));
  EXPECT_EQ(uninst::CRegSettings::DeleteKeyTree(parent.Key(), L"absent"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(uninst::CRegSettings::DeleteKeyTree(nullptr, L"product"), ERROR_INVALID_HANDLE);
}

TEST_F(KeyTree, OpenOrCreateMakesAMissingKey) {
  uninst::CRegSettings settings;
  EXPECT_TRUE(settings.OpenOrCreate(utf8ToWide(kTestRoot + "\\made").c_str()));
  EXPECT_NE(settings.Key(), nullptr);
  EXPECT_TRUE(keyExists(kTestRoot + "\\made"));
}

TEST(AppName, IsTheRegistryValue) {
  InstallRecord record;
  ASSERT_TRUE(record.setString("appname", wideToAnsi(L"塔文测试版")));
  EXPECT_EQ(uninst::GetAppName(), L"塔文测试版");
}

TEST(AppName, DefaultsWhenTheValueIsEmptyOrMissing) {
  InstallRecord record;
  ASSERT_TRUE(record.setString("channel", "gw"));
  EXPECT_EQ(wideToUtf8(uninst::GetAppName()), "塔文浏览器");
  ASSERT_TRUE(record.setString("appname", ""));
  EXPECT_EQ(wideToUtf8(uninst::GetAppName()), "塔文浏览器");
}

TEST(AppName, ReadsAtMost128Bytes) {
  InstallRecord record;
  std::string longest(63, 'n');  // 63 characters and the terminator fill 128 bytes
  ASSERT_TRUE(record.setString("appname", longest));
  EXPECT_EQ(wideToUtf8(uninst::GetAppName()), longest);
  ASSERT_TRUE(record.setString("appname", std::string(64, 'n')));
  EXPECT_EQ(wideToUtf8(uninst::GetAppName()), "塔文浏览器") << "a longer value cannot be read";
}

}  // namespace
