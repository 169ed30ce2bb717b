// The cloud-settings cycle across two launcher runs: one run fetches the
// protected reply and keeps it as "corveldata.tsc"; the next start verifies
// and decrypts it into "setting.tsc", which the browser is told to read.
#pragma once

#include <string>

#include "transfer_cancel.h"

namespace tavrin {

class CSettingCore {
 public:
  virtual ~CSettingCore() = default;

  // The body of one settings request (possibly empty), asking for what is
  // newer than the versions in the browser's "version.tsc".
  std::string fetchSetting();
  // Stores a reply as "corveldata.tsc"; true when the file was written.
  bool saveSettingReply(const std::string& reply);
  // Verifies and decrypts the reply file into "setting.tsc"; its path, or
  // empty when nothing was written.
  std::string decodeStoredSetting(const std::string& replyPath);
  // The run's cancel token, which stops the request (null: never). Not owned.
  void setCancelToken(const CancelToken* cancel) { m_cancel = cancel; }

 private:
  const CancelToken* m_cancel = nullptr;
};

}  // namespace tavrin
