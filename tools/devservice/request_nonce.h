// The nonce a client sends with a configuration request: the query member
// "n", 32 hexadecimal digits, which the protected reply is bound to.
#pragma once

#include <optional>
#include <string>

// The raw value (not percent-decoded) of the last "n" member of a query, ""
// for a bare "n"; nothing when the query has no such member. The launcher
// sends it as the last member.
std::optional<std::string> nonceMemberOf(const std::string& query);

// The 16 bytes a reply is bound to: those the member spells when it is 32
// hexadecimal digits, else 16 zero bytes.
std::string nonceToBind(const std::optional<std::string>& member);
