// Mirup: the updater the launcher starts from a temporary copy. A
// GUI-subsystem program that never opens a window and always ends with
// exit code 0.
#include "updater_flow.h"

int main(int argc, char** argv) {
  try {
    return tavrin::runUpdater(argc, argv);
  } catch (...) {
    return 0;
  }
}
