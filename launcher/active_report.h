// The activity report: every run that starts the browser tells the
// statistics service that this installation is active.
#pragma once

#include <string>

#include "transfer_cancel.h"

namespace tavrin {

// The compact JSON record, members in key order: b, channel, mac, os (a
// number), version. Bytes that are not valid UTF-8 are replaced, so the
// record is always made.
std::string buildActiveReport(const std::string& brand, const std::string& channel, const std::string& machineId,
                              int osCode, const std::string& version);

// MD5 (RFC 1321) of `bytes` as 32 lower-case hexadecimal digits.
std::string md5Hex(const std::string& bytes);

// The machine identity: MD5 of the computer account SID's text (UTF-16LE)
// followed by the system volume's serial number (4 bytes, low byte first).
std::string getMachineId();

// Posts "info=" + Base64 of the record to "/app/count/active/"; the reply is
// not looked at. `cancel` stops the post (null: never).
void reportActive(const std::string& browserVersion, const CancelToken* cancel);

}  // namespace tavrin
