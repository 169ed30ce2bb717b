#include "staged_target.h"

namespace tavrin {

namespace {

constexpr wchar_t kStagingSuffix[] = L".mirup~";
constexpr size_t kStagingSuffixLength = sizeof(kStagingSuffix) / sizeof(kStagingSuffix[0]) - 1;

DWORD creationAttributes(DWORD attributes) {
  DWORD flags = attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY);
  return flags == 0 ? FILE_ATTRIBUTE_NORMAL : flags;
}

bool isReadOnly(const std::wstring& path) {
  DWORD existing = ::GetFileAttributesW(path.c_str());
  return existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_READONLY);
}

}  // namespace

std::wstring stagingNameFor(const std::wstring& target) { return target + kStagingSuffix; }

StagedTarget::~StagedTarget() { discard(); }

// A read-only target is refused here as well as by the final rename,
// because not every system refuses it (Wine under a superuser account
// does not).
bool StagedTarget::create(const std::wstring& target, DWORD attributes) {
  discard();
  if (isReadOnly(target)) return false;
  target_ = target;
  attributes_ = attributes;
  // A target whose staging name would pass the path limit is written in
  // place, as it would be without staging.
  direct_ = target.size() + kStagingSuffixLength >= MAX_PATH;
  if (direct_) {
    file_.reset(::CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              creationAttributes(attributes), nullptr));
    return static_cast<bool>(file_);
  }
  staging_ = stagingNameFor(target);
  ::SetFileAttributesW(staging_.c_str(), FILE_ATTRIBUTE_NORMAL);  // a stale one may be read-only
  file_.reset(::CreateFileW(staging_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr));
  if (!file_) staging_.clear();
  return static_cast<bool>(file_);
}

bool StagedTarget::commit() {
  file_.reset();
  if (direct_) {
    direct_ = false;
    return true;
  }
  if (staging_.empty()) return false;
  DWORD attributes = creationAttributes(attributes_);
  if (attributes != FILE_ATTRIBUTE_NORMAL) ::SetFileAttributesW(staging_.c_str(), attributes);
  if (isReadOnly(target_) || !::MoveFileExW(staging_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    discard();
    return false;
  }
  staging_.clear();
  return true;
}

void StagedTarget::discard() {
  file_.reset();
  direct_ = false;
  if (staging_.empty()) return;
  ::SetFileAttributesW(staging_.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::DeleteFileW(staging_.c_str());
  staging_.clear();
}

}  // namespace tavrin
