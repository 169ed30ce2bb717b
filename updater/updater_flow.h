// Mirup's main flow: apply a downloaded update package over the
// installation, record the new version and start the launcher again.
#pragma once

#include "updater_event.h"

namespace tavrin {

// The password of every encrypted entry of an update package.
constexpr char kPackagePassword[] = "ZXC456$%^***";

// The whole run; always 0.
int runUpdater(int argc, char** argv);

}  // namespace tavrin
