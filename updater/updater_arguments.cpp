#include "updater_arguments.h"

namespace tavrin {

namespace {

bool isSwitch(const char* argument, char letter) {
  if (argument == nullptr || argument[0] != '-') return false;
  char given = argument[1];
  if (given >= 'A' && given <= 'Z') given = static_cast<char>(given - 'A' + 'a');
  return given == letter && argument[2] == '\0';
}

}  // namespace

UpdaterArguments scanUpdaterArguments(int argc, const char* const* argv) {
  UpdaterArguments found;
  for (int i = 1; i + 1 < argc; ++i) {
    const char* value = argv[i + 1] != nullptr ? argv[i + 1] : "";
    if (isSwitch(argv[i], 'f')) {
      found.archivePath = value;
    } else if (isSwitch(argv[i], 'p')) {
      found.installDir = value;
    }
  }
  return found;
}

}  // namespace tavrin
