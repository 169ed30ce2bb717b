#include "link_cleanup.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include "com_handles.h"
#include "file_removal.h"
#include "shell_folders.h"

namespace tavrin::uninst {

namespace {

// The taskbar shortcut keeps the product's own name whatever "appname" says.
constexpr wchar_t kTaskbarShortcutName[] = L"塔文浏览器";
constexpr wchar_t kLauncherExe[] = L"TavrinLauncher.exe";

// The shell's pinned list: class, interface, and the position in the
// interface's table of the call that changes the list (after the three
// IUnknown calls). Its arguments: the item to take off, the item to put
// on, and who asks.
constexpr CLSID kPinnedListClass = {0x90AA3A4E, 0x1CBA, 0x4233, {0xB8, 0xBB, 0x53, 0x57, 0x73, 0xD4, 0x84, 0x49}};
constexpr IID kPinnedListInterface = {0x0DD79AE2, 0xD156, 0x45D4, {0x9E, 0xEB, 0x3B, 0x54, 0x97, 0x69, 0xE9, 0x40}};
constexpr size_t kModifyPinsSlot = 16;
constexpr DWORD kPinCallerUninstall = 4;
constexpr DWORD kAnyServerContext =
    CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;  // 23

using ModifyPinsFn = HRESULT(STDMETHODCALLTYPE*)(IUnknown* self, PCIDLIST_ABSOLUTE unpin, PCIDLIST_ABSOLUTE pin,
                                                 DWORD caller);

HRESULT ModifyPins(IUnknown* pinnedList, PCIDLIST_ABSOLUTE unpin, PCIDLIST_ABSOLUTE pin) {
  void** table = *reinterpret_cast<void***>(pinnedList);
  auto modify = reinterpret_cast<ModifyPinsFn>(table[kModifyPinsSlot]);
  return modify(pinnedList, unpin, pin, kPinCallerUninstall);
}

// The shell verb counts as done at 32 and above.
bool ShellVerbSucceeded(HINSTANCE result) { return reinterpret_cast<INT_PTR>(result) >= 32; }

}  // namespace

void RemoveShortcutsAndPin(const std::wstring& appName, const std::wstring& installDir) {
  // The step uninitialises COM at its end whatever the initialisation returned.
  tavrin::ComApartment com = tavrin::pairedComApartment(::CoInitialize(nullptr));
  DeleteShortcut(appName, CSIDL_DESKTOP);
  DeleteShortcut(appName, CSIDL_APPDATA);
  DeleteShortcut(appName, CSIDL_COMMON_STARTMENU);

  std::wstring appData;
  if (ResolveSpecialFolder(CSIDL_APPDATA, appData)) {
    std::wstring pinned = TaskbarShortcutPath(appData, kTaskbarShortcutName);
    HINSTANCE verb = ::ShellExecuteW(nullptr, L"taskbarunpin", pinned.c_str(), nullptr, nullptr, SW_HIDE);
    if (!ShellVerbSucceeded(verb)) UnpinFromTaskbar(installDir + L"\\" + kLauncherExe);
  }
}

int DeleteShortcut(const std::wstring& name, int csidl) {
  std::wstring folder;
  if (!ResolveSpecialFolder(csidl, folder) || !PathExists(folder)) return 0;
  switch (csidl) {
    case CSIDL_COMMON_STARTMENU: {
      std::wstring group = StartMenuGroupPath(folder, name);
      if (PathExists(group)) CFilePath(group).DeleteDirectory();
      break;
    }
    case CSIDL_APPDATA:
    case CSIDL_DESKTOP: {
      std::wstring shortcut =
          csidl == CSIDL_APPDATA ? QuickLaunchShortcutPath(folder, name) : DesktopShortcutPath(folder, name);
      if (PathExists(shortcut)) ::DeleteFileW(shortcut.c_str());
      break;
    }
    default:
      break;
  }
  return 1;
}

bool UnpinFromTaskbar(const std::wstring& exePath) {
  tavrin::ComApartment com = tavrin::enteredComApartment(::CoInitialize(nullptr));
  if (!com) return false;
  bool unpinned = false;
  tavrin::UniqueItemIdList exeItem(::ILCreateFromPathW(exePath.c_str()));
  if (exeItem) {
    tavrin::ComPtr<IUnknown> pinnedList;
    HRESULT created = ::CoCreateInstance(kPinnedListClass, nullptr, kAnyServerContext, kPinnedListInterface,
                                         reinterpret_cast<void**>(pinnedList.receive()));
    if (SUCCEEDED(created) && pinnedList) {
      tavrin::UniqueItemIdList nothingToPin(::ILCreateFromPathW(nullptr));
      unpinned = ModifyPins(pinnedList.get(), exeItem.get(), nothingToPin.get()) >= 0;
    }
  }
  return unpinned;  // the item ID list is freed before COM is uninitialised
}

}  // namespace tavrin::uninst
