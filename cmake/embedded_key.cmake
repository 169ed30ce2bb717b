# The public key the launcher embeds and trusts for signed replies.
#
# -DTAVRIN_PUBLIC_KEY_PEM=path.pem names the key (a relative path is taken
# from the top folder of the checkout). Without it the build embeds the
# development key, tests/data/keys/test_public.pem, whose private half is in
# the repository: the x86_64 test build and the native build do so by
# default, the i686 shipping build only with -DTAVRIN_DEVELOPMENT_KEY=ON.
# Whatever path is given, a key equal to the development key counts as it.

set(TAVRIN_DEVELOPMENT_KEY_PEM ${TAVRIN_TEST_DATA}/keys/test_public.pem)
option(TAVRIN_DEVELOPMENT_KEY
  "Let the i686 shipping build embed the development key (tests/data/keys/test_public.pem)" OFF)

# The Base64 text of the first "-----BEGIN PUBLIC KEY-----" block of `pem`,
# without blanks or line ends; empty when the file holds no such block.
function(tavrin_public_key_base64 pem out_var)
  file(READ ${pem} text)
  set(body "")
  if(text MATCHES "-----BEGIN PUBLIC KEY-----([A-Za-z0-9+/=\r\n\t ]+)-----END PUBLIC KEY-----")
    string(REGEX REPLACE "[\r\n\t ]" "" body "${CMAKE_MATCH_1}")
  endif()
  set(${out_var} "${body}" PARENT_SCOPE)
endfunction()

# SHA-256 (lower-case hex) of the key's DER form, the Base64 text decoded:
# the same number as `openssl pkey -pubin -outform DER | sha256sum`.
function(tavrin_public_key_der_sha256 base64_text out_var)
  set(work ${CMAKE_CURRENT_BINARY_DIR}/generated)
  file(WRITE ${work}/embedded_public_key.b64 "${base64_text}\n")
  execute_process(COMMAND base64 -d ${work}/embedded_public_key.b64
                  OUTPUT_FILE ${work}/embedded_public_key.der RESULT_VARIABLE decoded)
  if(NOT decoded EQUAL 0)
    message(FATAL_ERROR "the public key in ${TAVRIN_PUBLIC_KEY_PEM} is not valid Base64")
  endif()
  file(SHA256 ${work}/embedded_public_key.der digest)
  set(${out_var} ${digest} PARENT_SCOPE)
endfunction()

function(tavrin_fail_without_release_key reason)
  message(FATAL_ERROR
    "${reason} The development key "
    "(${TAVRIN_DEVELOPMENT_KEY_PEM}) has its private half in the repository, so a launcher "
    "embedding it trusts replies anyone can sign. Give the release key with "
    "-DTAVRIN_PUBLIC_KEY_PEM=path/to/public.pem, or pass -DTAVRIN_DEVELOPMENT_KEY=ON for a "
    "build that is not released (CI, tests, the demo).")
endfunction()

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  set(tavrin_shipping_build ON)
else()
  set(tavrin_shipping_build OFF)
endif()

if(NOT DEFINED TAVRIN_PUBLIC_KEY_PEM OR TAVRIN_PUBLIC_KEY_PEM STREQUAL "")
  if(tavrin_shipping_build AND NOT TAVRIN_DEVELOPMENT_KEY)
    tavrin_fail_without_release_key("No public key given for the i686 shipping build.")
  endif()
  set(TAVRIN_PUBLIC_KEY_PEM ${TAVRIN_DEVELOPMENT_KEY_PEM})
endif()
get_filename_component(TAVRIN_PUBLIC_KEY_PEM "${TAVRIN_PUBLIC_KEY_PEM}" ABSOLUTE BASE_DIR "${TAVRIN_ROOT}")
if(NOT EXISTS "${TAVRIN_PUBLIC_KEY_PEM}" OR IS_DIRECTORY "${TAVRIN_PUBLIC_KEY_PEM}")
  message(FATAL_ERROR "TAVRIN_PUBLIC_KEY_PEM: no such file: ${TAVRIN_PUBLIC_KEY_PEM}")
endif()

tavrin_public_key_base64(${TAVRIN_PUBLIC_KEY_PEM} tavrin_embedded_key_base64)
if(tavrin_embedded_key_base64 STREQUAL "")
  message(FATAL_ERROR "TAVRIN_PUBLIC_KEY_PEM: ${TAVRIN_PUBLIC_KEY_PEM} holds no "
    "\"-----BEGIN PUBLIC KEY-----\" block")
endif()
tavrin_public_key_base64(${TAVRIN_DEVELOPMENT_KEY_PEM} tavrin_development_key_base64)
if(tavrin_embedded_key_base64 STREQUAL tavrin_development_key_base64)
  set(TAVRIN_EMBEDS_DEVELOPMENT_KEY ON)
  if(tavrin_shipping_build AND NOT TAVRIN_DEVELOPMENT_KEY)
    tavrin_fail_without_release_key("TAVRIN_PUBLIC_KEY_PEM holds the development key, and the i686 build is the shipping build.")
  endif()
else()
  set(TAVRIN_EMBEDS_DEVELOPMENT_KEY OFF)
endif()

# What the launcher's version resource says about its key ("Comments").
if(TAVRIN_EMBEDS_DEVELOPMENT_KEY)
  set(TAVRIN_EMBEDDED_KEY_DESCRIPTION
    "Built with the development key (tests/data/keys/test_public.pem): trusts replies signed with the repository's test key. Not for release.")
else()
  tavrin_public_key_der_sha256(${tavrin_embedded_key_base64} tavrin_embedded_key_sha256)
  set(TAVRIN_EMBEDDED_KEY_DESCRIPTION
    "Embedded public key SHA-256: ${tavrin_embedded_key_sha256} (of the key's DER form)")
endif()

# Writes OUT_VAR's file: the definitions of embeddedPublicKeyPem(), holding
# the PEM text as a string literal, and of embeddedKeyIsDevelopmentKey().
# Rewritten only when they change.
function(tavrin_generate_embedded_key out_var)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
    ${TAVRIN_PUBLIC_KEY_PEM} ${TAVRIN_DEVELOPMENT_KEY_PEM})
  file(READ ${TAVRIN_PUBLIC_KEY_PEM} TAVRIN_PUBLIC_KEY_TEXT)
  if(TAVRIN_EMBEDS_DEVELOPMENT_KEY)
    set(TAVRIN_IS_DEVELOPMENT_KEY true)
  else()
    set(TAVRIN_IS_DEVELOPMENT_KEY false)
  endif()
  set(generated ${CMAKE_CURRENT_BINARY_DIR}/generated/embedded_public_key.cpp)
  file(CONFIGURE OUTPUT ${generated} @ONLY CONTENT [==[
// Generated from @TAVRIN_PUBLIC_KEY_PEM@ at configure time; do not edit.
#include "embedded_public_key.h"

namespace tavrin {

const char* embeddedPublicKeyPem()
{
    return R"PEM(@TAVRIN_PUBLIC_KEY_TEXT@)PEM";
}

bool embeddedKeyIsDevelopmentKey()
{
    return @TAVRIN_IS_DEVELOPMENT_KEY@;
}

}  // namespace tavrin
]==])
  set(${out_var} ${generated} PARENT_SCOPE)
endfunction()
