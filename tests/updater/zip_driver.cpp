// Drives one CZipManager through the steps named on its command line, so
// that tests can collect the messages it sends to the debugger output.
// Steps (UTF-16 command line):
//   password=<text>   password for the next open ("password-" for none)
//   open=<path>       opennull           open with a null path
//   dest=<folder>     destdefault        setDestination(null)
//   all               extractAll
//   byname=<name>     bynamenull         extractItemByName
// The exit code is the number of steps that answered 0. Nothing else is
// written to the debugger output.
#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <string>

#include "handles.h"
#include "text_convert.h"
#include "zip_manager.h"

namespace {

bool startsWith(const std::wstring& text, const std::wstring& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

class Driver {
 public:
  // 1 or 0 as the manager answered; -1 for an unknown step.
  int run(const std::wstring& step) {
    if (startsWith(step, L"password=")) {
      m_password = tavrin::wideToUtf8(step.substr(9));
      m_hasPassword = true;
      return 1;
    }
    if (step == L"password-") {
      m_hasPassword = false;
      return 1;
    }
    const char* password = m_hasPassword ? m_password.c_str() : nullptr;
    if (startsWith(step, L"open=")) return m_zip.open(step.substr(5).c_str(), password);
    if (step == L"opennull") return m_zip.open(nullptr, password);
    if (startsWith(step, L"dest=")) return m_zip.setDestination(step.substr(5).c_str());
    if (step == L"destdefault") return m_zip.setDestination(nullptr);
    if (step == L"all") return m_zip.extractAll();
    wchar_t fileName[tavrin::kItemNameLength] = {};
    if (startsWith(step, L"byname=")) return m_zip.extractItemByName(step.substr(7).c_str(), fileName);
    if (step == L"bynamenull") return m_zip.extractItemByName(nullptr, fileName);
    return -1;
  }

 private:
  tavrin::CZipManager m_zip;
  std::string m_password;
  bool m_hasPassword = false;
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  int count = 0;
  wchar_t** arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (arguments == nullptr) return 100;
  tavrin::UniqueLocalMemory owner(reinterpret_cast<HLOCAL>(arguments));
  Driver driver;
  int failures = 0;
  for (int i = 1; i < count; ++i) {
    int answer = driver.run(arguments[i]);
    if (answer < 0) return 100;
    if (answer == 0) ++failures;
  }
  return failures;
}
