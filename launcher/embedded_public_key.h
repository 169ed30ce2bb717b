#pragma once

// The configuration server's RSA public key as PEM text
// ("-----BEGIN PUBLIC KEY-----" block). The definition is generated at build
// time from the PEM file chosen for the build.
const char* embeddedPublicKeyPem();
