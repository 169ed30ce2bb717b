#include "update_package.h"

#include "package_bytes.h"
#include "test_env.h"

namespace tavrin::test {

namespace {

std::string standInBytes(const std::string& version) {
  if (version == "1.0.0.1") return readFile(binDir() + "\\tavrin.exe");
  return readFile(binDir() + "\\browser-" + version + "\\tavrin.exe");
}

}  // namespace

ArchiveBuilder updatePackage(const std::string& browserVersion, const std::string& password) {
  std::string folder = browserVersion == "unversioned" ? "resources" : browserVersion;
  ArchiveBuilder builder;
  builder.addFile("tavrin.exe", standInBytes(browserVersion), password)
      .addFile(folder + "/resources.pak", "resources of " + browserVersion, password)
      .addFile(folder + "/locales/zh-CN.pak", "locale of " + browserVersion, password)
      .addFile("update/Mirup.exe", readFile(binDir() + "\\Mirup.exe"), password);
  return builder;
}

ArchiveBuilder bulkyUpdatePackage(const std::string& browserVersion, const std::string& password) {
  ArchiveBuilder builder;
  builder.addFile("tavrin.exe", standInBytes(browserVersion), password);
  for (uint32_t part = 0; part < 6; ++part) {
    builder.addFile(browserVersion + "/data/large" + std::to_string(part) + ".bin", packageBytes(1u << 20, part),
                    password);
  }
  builder.addFile("update/Mirup.exe", readFile(binDir() + "\\Mirup.exe"), password);
  for (uint32_t part = 0; part < 80; ++part) {
    builder.addFile(browserVersion + "/data/small" + std::to_string(part) + ".bin", packageBytes(16384, 100 + part),
                    password);
  }
  builder.addFile(browserVersion + "/resources.pak", "resources of " + browserVersion, password);
  return builder;
}

std::string packageCompanion(const std::string& packagePath) {
  return sideFileRecording(static_cast<int64_t>(readFile(packagePath).size()));
}

}  // namespace tavrin::test
