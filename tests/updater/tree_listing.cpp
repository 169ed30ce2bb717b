#include "tree_listing.h"

#include <windows.h>

#include "handles.h"
#include "text_convert.h"

namespace tavrin::test {

namespace {

void collect(const std::wstring& root, const std::wstring& relative, std::set<std::string>& found) {
  std::wstring folder = relative.empty() ? root : root + L"\\" + relative;
  WIN32_FIND_DATAW entry = {};
  UniqueFindHandle find(::FindFirstFileW((folder + L"\\*").c_str(), &entry));
  if (!find) return;
  do {
    std::wstring name = entry.cFileName;
    if (name == L"." || name == L"..") continue;
    std::wstring path = relative.empty() ? name : relative + L"\\" + name;
    found.insert(wideToUtf8(path));
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) collect(root, path, found);
  } while (::FindNextFileW(find.get(), &entry));
}

}  // namespace

std::set<std::string> listTree(const std::string& root) {
  std::set<std::string> found;
  collect(utf8ToWide(root), std::wstring(), found);
  return found;
}

unsigned long fileAttributes(const std::string& path) { return ::GetFileAttributesW(utf8ToWide(path).c_str()); }

}  // namespace tavrin::test
