// Where a skin's files come from, process-wide: the program instance, the
// resource path, and the skin archive held in memory ("membuffer") once a
// window asked for it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace SkinUI {

class CSkinResources {
 public:
  static void SetInstance(HINSTANCE instance);
  static HINSTANCE GetInstance();
  // The folder names not found in the archive are looked up in; a missing
  // trailing backslash is added.
  static void SetResourcePath(const std::wstring& path);
  static const std::wstring& GetResourcePath();

  // Copies the resource of type "ZIPRES" with this id out of the program
  // module into a buffer that lives as long as the process and makes it the
  // current archive. Ignored (true) while an archive is set.
  static bool LoadZipResource(UINT id);
  static bool HasArchive();

  // A member of the current archive, matched without regard to case.
  static bool ReadArchiveMember(const std::wstring& name, std::vector<uint8_t>& bytes);
  // A skin file: the archive first, then a file under the resource path,
  // then the name as a path relative to the current directory.
  static bool ReadSkinFile(const std::wstring& name, std::vector<uint8_t>& bytes);
};

bool ReadWholeFile(const std::wstring& path, std::vector<uint8_t>& bytes);

}  // namespace SkinUI
