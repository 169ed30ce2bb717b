// The JSON text of the uninstall report, from values already in UTF-8.
// Platform-neutral.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace tavrin::uninst {

// A compact JSON object of string members followed by a line feed: members
// in ascending key order, no spaces; in keys and values '"' and '\' and the
// control characters are escaped ("\b", "\f", "\n", "\r", "\t", otherwise
// "\u00xx"), "/" and DEL are written as they are, every character beyond
// ASCII is a "\uxxxx" escape in lower-case hex (a surrogate pair beyond the
// BMP), so the text is plain ASCII. Malformed UTF-8 gives U+FFFD (see
// report_json.cpp for how it is read). Throws only what nlohmann json throws
// on memory exhaustion.
std::string WriteReportJson(const std::vector<std::pair<std::string, std::string>>& members);

}  // namespace tavrin::uninst
