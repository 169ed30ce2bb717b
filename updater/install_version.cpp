#include "install_version.h"

#include "registry_key.h"
#include "registry_view.h"

namespace tavrin {

bool writeInstalledVersion(const std::string& version) {
  return RegistryKey::openOrCreateForWriting(kInstallKeyPathW).writeAnsiText("version", version);
}

}  // namespace tavrin
