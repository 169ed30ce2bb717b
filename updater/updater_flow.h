// Mirup's main flow: apply a downloaded update package over the
// installation, record the new version and start the launcher again.
#pragma once

namespace tavrin {

// Named event whose existence tells a second updater to end at once.
constexpr char kUpdaterEventName[] = "A7ADFC94-908D-4B80-963C-E1DB9B26DC07";
// The password of every encrypted entry of an update package.
constexpr char kPackagePassword[] = "ZXC456$%^***";

// The whole run; always 0.
int runUpdater(int argc, char** argv);

}  // namespace tavrin
