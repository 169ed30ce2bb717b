#pragma once

namespace tavrin {

// The configuration server's RSA public key as PEM text
// ("-----BEGIN PUBLIC KEY-----" block). The definition is generated at build
// time from the PEM file chosen for the build.
const char* embeddedPublicKeyPem();

// True when that key is the development key (tests/data/keys/test_public.pem),
// whose private half is in the repository: such a launcher trusts replies
// anyone can sign.
bool embeddedKeyIsDevelopmentKey();

// What a launcher built with the development key writes to the debugger
// output at every start, before anything else.
inline constexpr char kDevelopmentKeyNotice[] =
    "TavrinLauncher: built with the development key; replies signed with the repository's test key are trusted. "
    "Not for release.";

}  // namespace tavrin
