#include "skin_resources.h"

#include <memory>

#include "handles.h"
#include "memory_zip.h"
#include "text_convert.h"

namespace SkinUI {

namespace {

struct ResourceState {
  HINSTANCE instance = nullptr;
  std::wstring resourcePath;
  std::unique_ptr<std::vector<uint8_t>> archive;  // kept until the process ends
};

// The archive buffer stays until the process ends, after every window.
ResourceState& State() {
  static ResourceState state;
  return state;
}

}  // namespace

bool ReadWholeFile(const std::wstring& path, std::vector<uint8_t>& bytes) {
  tavrin::UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart > 256 * 1024 * 1024) return false;
  std::vector<uint8_t> content(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  if (!content.empty() &&
      (!::ReadFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &read, nullptr) ||
       read != content.size())) {
    return false;
  }
  bytes.swap(content);
  return true;
}

void CSkinResources::SetInstance(HINSTANCE instance) { State().instance = instance; }

HINSTANCE CSkinResources::GetInstance() {
  return State().instance != nullptr ? State().instance : ::GetModuleHandleW(nullptr);
}

void CSkinResources::SetResourcePath(const std::wstring& path) {
  std::wstring value = path;
  if (!value.empty() && value.back() != L'\\') value += L'\\';
  State().resourcePath = value;
}

const std::wstring& CSkinResources::GetResourcePath() { return State().resourcePath; }

bool CSkinResources::LoadZipResource(UINT id) {
  if (State().archive) return true;
  HINSTANCE instance = GetInstance();
  HRSRC found = ::FindResourceW(instance, MAKEINTRESOURCEW(id), L"ZIPRES");
  if (found == nullptr) return false;
  HGLOBAL loaded = ::LoadResource(instance, found);
  DWORD size = ::SizeofResource(instance, found);
  const void* data = loaded != nullptr ? ::LockResource(loaded) : nullptr;
  if (data == nullptr || size == 0) return false;
  const auto* begin = static_cast<const uint8_t*>(data);
  State().archive = std::make_unique<std::vector<uint8_t>>(begin, begin + size);
  return true;
}

bool CSkinResources::HasArchive() { return State().archive != nullptr; }

bool CSkinResources::ReadArchiveMember(const std::wstring& name, std::vector<uint8_t>& bytes) {
  if (!State().archive || name.empty()) return false;
  return ReadZipMember(*State().archive, tavrin::wideToUtf8(name), bytes);
}

bool CSkinResources::ReadSkinFile(const std::wstring& name, std::vector<uint8_t>& bytes) {
  if (name.empty()) return false;
  if (ReadArchiveMember(name, bytes)) return true;
  if (!State().resourcePath.empty() && ReadWholeFile(State().resourcePath + name, bytes)) return true;
  return ReadWholeFile(name, bytes);
}

}  // namespace SkinUI
