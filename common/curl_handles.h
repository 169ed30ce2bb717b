// Owner types for libcurl's easy handles and string lists. Header-only, for
// the code that links libcurl.
#pragma once

#include <curl/curl.h>

#include <memory>

namespace tavrin {

struct CurlEasyCleanup {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

struct CurlSlistFree {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

using UniqueCurl = std::unique_ptr<CURL, CurlEasyCleanup>;
using UniqueCurlSlist = std::unique_ptr<curl_slist, CurlSlistFree>;

}  // namespace tavrin
