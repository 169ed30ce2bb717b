// The pieces of the shortcut, taskbar and firewall step that can be looked
// at on their own.
#include <gtest/gtest.h>

#include <objbase.h>
#include <shlobj.h>

#include "app_name.h"
#include "firewall_settings.h"
#include "shell_folders.h"
#include "text_convert.h"
#include "uninst_fixture.h"
#include "uninst_mgr.h"

namespace {

using namespace tavrin;
using namespace tavrin::test;

TEST(StartMenuGroup, IsUnderProgramsWhenThatFolderExists) {
  TempDir menu("uninst start menu");
  ASSERT_TRUE(makeFolders(menu.file("Programs")));
  EXPECT_EQ(wideToUtf8(uninst::StartMenuGroupPath(utf8ToWide(menu.path()), L"塔文浏览器")),
            menu.path() + "\\Programs\\塔文浏览器");
}

TEST(StartMenuGroup, IsUnderTheChineseProgramsFolderOtherwise) {
  TempDir menu("uninst start menu");
  EXPECT_EQ(wideToUtf8(uninst::StartMenuGroupPath(utf8ToWide(menu.path()), L"塔文浏览器")),
            menu.path() + "\\程序\\塔文浏览器");
}

TEST(ShortcutPaths, FollowTheShellsLayout) {
  EXPECT_EQ(uninst::DesktopShortcutPath(L"C:\\D", L"N"), L"C:\\D\\N.lnk");
  EXPECT_EQ(uninst::QuickLaunchShortcutPath(L"C:\\A", L"N"),
            L"C:\\A\\Microsoft\\Internet Explorer\\Quick Launch\\N.lnk");
  EXPECT_EQ(uninst::TaskbarShortcutPath(L"C:\\A", L"塔文浏览器"),
            L"C:\\A\\Microsoft\\Internet Explorer\\Quick Launch\\User Pinned\\TaskBar\\塔文浏览器.lnk");
  std::wstring longFolder(250, L'a');
  EXPECT_EQ(uninst::DesktopShortcutPath(longFolder, L"name").size(), 259u) << "cut to the 260-character buffer";
  EXPECT_EQ(uninst::TaskbarShortcutPath(longFolder, L"name").size(), 260u) << "a limit of 261 characters";
}

TEST(AppName, OnlyOnePlainNameIsTaken) {
  InstallRecord record;
  for (const std::wstring& plain : {std::wstring(L"塔文 Browser 2"), std::wstring(L"Tavrin.Beta"),
                                    std::wstring(L".tavrin"), std::wstring(L"a..b"), std::wstring(L"CONSOLE")}) {
    ASSERT_TRUE(record.setString("appname", wideToAnsi(plain)));
    EXPECT_EQ(uninst::GetAppName(), plain);
  }
  // Each of these, joined to a folder, names another folder or a device.
  for (const std::wstring& hostile :
       {std::wstring(L"."), std::wstring(L".."), std::wstring(L"..."), std::wstring(L". ."), std::wstring(L".. "),
        std::wstring(L"..\\.."), std::wstring(L"x\\..\\.."), std::wstring(L"../x"), std::wstring(L"C:"),
        std::wstring(L"C:\\Windows"), std::wstring(L"x:y"), std::wstring(L"*"), std::wstring(L"a?"),
        std::wstring(L"a\tb"), std::wstring(L"NUL"), std::wstring(L"com1.lnk"), std::wstring(L"name.")}) {
    ASSERT_TRUE(record.setString("appname", wideToAnsi(hostile)));
    EXPECT_EQ(uninst::GetAppName(), uninst::kDefaultAppName) << wideToUtf8(hostile);
  }
}

TEST(DeleteShortcut, AFolderThatCannotBeResolvedGivesZero) {
  uninst::CUninstMgr manager;
  EXPECT_EQ(manager.DeleteShortcut(L"塔文浏览器", 0x3F), 0);
  EXPECT_EQ(manager.DeleteShortcut(L"塔文浏览器", CSIDL_PERSONAL), 1) << "resolved, nothing more to do";
}

// Whether this thread's COM is uninitialised: a fresh initialisation
// answers S_OK (and is undone again here).
bool comIsUninitialised() {
  HRESULT result = ::CoInitialize(nullptr);
  if (SUCCEEDED(result)) ::CoUninitialize();
  return result == S_OK;
}

TEST(Taskbar, UnpinningWithoutThePinnedListObjectFailsAndLeavesComAsItWas) {
  ASSERT_TRUE(comIsUninitialised());
  uninst::CUninstMgr manager;
  // The prefix has no pinned-list class registered.
  EXPECT_FALSE(manager.UnpinFromTaskbar(utf8ToWide(binDir() + "\\tavrin.exe")));
  EXPECT_TRUE(comIsUninitialised());
}

TEST(Firewall, TheRuleIsRemovedThroughThePolicyObject) {
  ASSERT_TRUE(comIsUninitialised());
  {
    uninst::CFirewallSettings firewall(tavrin::pairedComApartment(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    EXPECT_TRUE(firewall.HasPolicy()) << "the prefix provides the firewall policy object";
    EXPECT_TRUE(firewall.RemoveRule(L"塔文浏览器"));
    EXPECT_TRUE(firewall.RemoveRule(L"")) << "an empty name never reaches the rules";
  }
  EXPECT_TRUE(comIsUninitialised()) << "the holder uninitialises what the step initialised";
}

TEST(Firewall, WithoutCOMThereIsNoPolicyAndNothingFails) {
  ASSERT_TRUE(comIsUninitialised());
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  ::CoUninitialize();
  // The holder's own CoUninitialize has nothing to undo here.
  uninst::CFirewallSettings firewall(tavrin::pairedComApartment(S_OK));
  EXPECT_FALSE(firewall.HasPolicy());
  EXPECT_TRUE(firewall.RemoveRule(L"塔文浏览器"));
}

}  // namespace
