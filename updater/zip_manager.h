// CZipManager: the updater's access to an update archive, over one
// ZipArchive. Every operation answers 1 on success and 0 on failure and
// reports failures to the debugger output; lastResult() tells why.
#pragma once

#include <string>

#include <memory>

#include "zip_archive.h"

namespace tavrin {

constexpr int kItemNameLength = 260;  // characters of the name buffers, NUL included

class CZipManager {
 public:
  CZipManager();
  virtual ~CZipManager();
  CZipManager(const CZipManager&) = delete;
  CZipManager& operator=(const CZipManager&) = delete;

  // Opens the archive (closing one already open); `password` may be null.
  virtual int open(const wchar_t* archivePath, const char* password);
  // Sets the folder to extract into; null means the archive path without
  // its extension.
  virtual int setDestination(const wchar_t* folder);
  virtual int getItemCount(int* count);
  // `name` receives the entry's cleaned-up name (kItemNameLength characters).
  virtual int getItemName(int index, wchar_t* name);
  // Extracts the entry stored as `entryName` (ASCII letters without regard
  // to case) directly into the destination under the part of `entryName`
  // after its last separator, which `fileName` (kItemNameLength characters)
  // receives.
  virtual int extractItemByName(const wchar_t* entryName, wchar_t* fileName);
  // Extracts entry `index` to `name`, relative to the destination.
  virtual int extractItem(int index, const wchar_t* name);
  // Extracts every entry under its cleaned-up name; stops at the first
  // failure, keeping what was written before it.
  virtual int extractAll();
  virtual void close();
  // Destroys an object made with new.
  virtual void release();

  // The result code of the archive operation this object made last.
  ZipResult lastResult() const { return m_lastResult; }

 private:
  // Keeps `result` as the last result and passes it on.
  ZipResult note(ZipResult result);

  std::unique_ptr<ZipArchive> m_archive;
  ZipResult m_lastResult = kZipOk;
  std::wstring m_defaultDestination;
};

}  // namespace tavrin
