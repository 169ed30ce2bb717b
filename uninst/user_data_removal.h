// Step 30, on the user's choice: the browser's user data and the launcher's
// data, the folder %LOCALAPPDATA%\Halvex\tavrin with everything in it.
#pragma once

namespace tavrin::uninst {

// Nothing happens when the local application-data folder cannot be found
// or the folder does not exist.
void RemoveUserData();

}  // namespace tavrin::uninst
