// An extracted file is written under a staging name beside its target and
// put in the target's place only once it is complete, so that an updater
// stopped half-way (killed, power cut short of the disk) never leaves a
// truncated program in the installation: the target holds either its old
// bytes or the new ones.
#pragma once

#include <windows.h>

#include <string>

#include "handles.h"
#include "zip_result.h"

namespace tavrin {

// The staging name of a target: the target's path plus ".mirup~". A later
// extraction of the same entry reuses (and so removes) a staging file that
// an interrupted run left.
std::wstring stagingNameFor(const std::wstring& target);

// The full path in the long form the wide calls take beyond the path limit
// (Windows XP included): "\\?\C:\...", "\\?\UNC\server\share\...";
// "." and ".." resolved and "/" turned into "\" first. Empty when the path
// cannot be made full.
std::wstring longPathForm(const std::wstring& path);

class StagedTarget {
 public:
  StagedTarget() = default;
  StagedTarget(const StagedTarget&) = delete;
  StagedTarget& operator=(const StagedTarget&) = delete;
  // Deletes the staging file unless it was committed.
  ~StagedTarget();

  // Creates the staging file for `target` (no sharing, replacing a stale
  // one), whatever the length of the target's path. A read-only target is not replaced. False when either fails.
  bool create(const std::wstring& target, DWORD attributes);
  HANDLE file() const { return m_file.get(); }
  // Closes the staging file, gives it the entry's attributes and puts it in
  // the target's place. False (staging file deleted) when the target cannot
  // be replaced, e.g. because it is in use.
  bool commit();

 private:
  void discard();

  std::wstring m_target;
  std::wstring m_staging;
  DWORD m_attributes = 0;
  UniqueFileHandle m_file;
};

}  // namespace tavrin
