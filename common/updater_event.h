// The named event an updater holds while it applies a package: a second
// updater ends at once when it exists, and the launcher hands nothing over.
#pragma once

namespace tavrin {

constexpr char kUpdaterEventName[] = "A7ADFC94-908D-4B80-963C-E1DB9B26DC07";

}  // namespace tavrin
