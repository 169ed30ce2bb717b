// Benchmark reference for the launcher's package download: the same libcurl
// under the same system, doing nothing but one GET written to a file with
// fwrite (libcurl's default buffer, no progress callback, no pre-flight).
//
//   bench_fetch URL FILE
//
// Exit code: 0 when the transfer succeeded with status 200, 1 otherwise,
// 2 for a bad command line.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

#include <curl/curl.h>

#include "curl_handles.h"
#include "handles.h"
#include "text_convert.h"

namespace {

size_t WriteToFile(char* data, size_t size, size_t count, void* file) {
  return std::fwrite(data, size, count, static_cast<FILE*>(file));
}

int Fetch(const char* url, const char* path) {
  tavrin::UniqueCFile file(std::fopen(path, "wb"));
  tavrin::UniqueCurl curl(curl_easy_init());
  if (!file || !curl) return 1;
  curl_easy_setopt(curl.get(), CURLOPT_URL, url);
  curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, &WriteToFile);
  curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, file.get());
  curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
  CURLcode result = curl_easy_perform(curl.get());
  long status = 0;
  curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &status);
  return result == CURLE_OK && status == 200 ? 0 : 1;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  int count = 0;
  tavrin::UniqueLocalMemory memory(::CommandLineToArgvW(::GetCommandLineW(), &count));
  wchar_t** argv = static_cast<wchar_t**>(memory.get());
  if (argv == nullptr || count != 3) return 2;
  std::string url = tavrin::wideToAnsi(argv[1]);
  std::string path = tavrin::wideToAnsi(argv[2]);
  if (curl_global_init(CURL_GLOBAL_ALL) != CURLE_OK) return 1;
  int result = Fetch(url.c_str(), path.c_str());
  curl_global_cleanup();
  return result;
}
