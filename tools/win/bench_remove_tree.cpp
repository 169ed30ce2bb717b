// Benchmark helper: removes one folder tree with the uninstaller's own
// removal (CFilePath::DeleteDirectory), nothing before or after it.
//
//   bench_remove_tree FOLDER
//
// FOLDER should be a full path (files are removed in their "\\?\" form).
// Exit code: 0 when the folder is gone afterwards, 1 when something of it
// is left, 2 for a bad command line.
#include <windows.h>
#include <shellapi.h>

#include "file_removal.h"
#include "handles.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  int count = 0;
  tavrin::UniqueLocalMemory memory(::CommandLineToArgvW(::GetCommandLineW(), &count));
  wchar_t** argv = static_cast<wchar_t**>(memory.get());
  if (argv == nullptr || count != 2) return 2;
  tavrin::uninst::CFilePath(argv[1]).DeleteDirectory();
  return ::GetFileAttributesW(argv[1]) == INVALID_FILE_ATTRIBUTES ? 0 : 1;
}
