// TavrinLauncher: what the browser's shortcuts start. A GUI-subsystem
// program that never opens a window and always ends with exit code 0.
#include "debug_log.h"
#include "embedded_public_key.h"
#include "main_flow.h"

namespace {

// A build that trusts the repository's test key says so at every start.
void announceDevelopmentKey() {
  if (tavrin::embeddedKeyIsDevelopmentKey()) tavrin::debugLog("%s", tavrin::kDevelopmentKeyNotice);
}

}  // namespace

int main(int argc, char** argv) {
  // Whatever happens, the user gets no crash dialog and the exit code is 0.
  try {
    announceDevelopmentKey();
    return tavrin::runLauncher(argc, argv);
  } catch (...) {
    return 0;
  }
}
