// Small path operations of the uninstaller: the folder of its own
// executable, the long-path form, and the recursive removal of a folder.
#pragma once

#include <string>

namespace tavrin::uninst {

constexpr size_t kPathChars = 260;

// Folder of the running executable, without a trailing backslash. A path
// without any backslash comes back whole.
std::wstring GetModuleDir();

// "\\?\" followed by the path, unchanged otherwise.
std::wstring MakeLongPath(const std::wstring& path);

// A path whose file or folder tree can be removed.
class CFilePath {
 public:
  explicit CFilePath(std::wstring path) : m_path(std::move(path)) {}
  const std::wstring& Str() const { return m_path; }

  // Walks the path as a folder with "\*.*": files (and folders carrying any
  // attribute besides "directory") are removed in their long-path form,
  // plain folders are walked the same way, then the folder itself is
  // removed. When the walk cannot start the path is removed as a file.
  // A reparse point (junction, folder or file link), the path itself
  // included, is never walked: the link itself is removed, never what it
  // points at. True when the path was walked as a folder. Nothing is retried; locked
  // or read-only entries stay, and so do the folders above them.
  bool DeleteDirectory() const;

 private:
  std::wstring m_path;
};

}  // namespace tavrin::uninst
