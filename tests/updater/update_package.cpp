#include "update_package.h"

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

std::string packageCompanion(const std::string& packagePath) {
  std::string text = std::to_string(readFile(packagePath).size());
  text.resize(512, '\0');
  return text;
}

}  // namespace tavrin::test
