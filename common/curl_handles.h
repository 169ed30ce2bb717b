// Owner types for libcurl's easy handles and string lists. Header-only, for
// the code that links libcurl.
#pragma once

#include <curl/curl.h>

#include "handles.h"

namespace tavrin {

struct CurlEasyTraits {
  using type = CURL*;
  static type invalid() { return nullptr; }
  static bool isValid(type handle) { return handle != nullptr; }
  static void close(type handle) { curl_easy_cleanup(handle); }
};

struct CurlSlistTraits {
  using type = curl_slist*;
  static type invalid() { return nullptr; }
  static bool isValid(type list) { return list != nullptr; }
  static void close(type list) { curl_slist_free_all(list); }
};

using UniqueCurl = UniqueResource<CurlEasyTraits>;
using UniqueCurlSlist = UniqueResource<CurlSlistTraits>;

}  // namespace tavrin
