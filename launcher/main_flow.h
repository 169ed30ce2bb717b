// One start of the launcher, from the updater guard to the end of the run.
#pragma once

namespace tavrin {

// Always returns the exit code 0.
int runLauncher(int argc, char** argv);

}  // namespace tavrin
