# The public key the launcher embeds: the test key unless the build is told
# otherwise with -DTAVRIN_PUBLIC_KEY_PEM=path.pem.
if(NOT DEFINED TAVRIN_PUBLIC_KEY_PEM)
  set(TAVRIN_PUBLIC_KEY_PEM ${TAVRIN_TEST_DATA}/keys/test_public.pem)
endif()

# Writes OUT_VAR's file: the definition of embeddedPublicKeyPem() holding the
# PEM text as a string literal. Rewritten only when the key changes.
function(tavrin_generate_embedded_key out_var)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${TAVRIN_PUBLIC_KEY_PEM})
  file(READ ${TAVRIN_PUBLIC_KEY_PEM} TAVRIN_PUBLIC_KEY_TEXT)
  set(generated ${CMAKE_CURRENT_BINARY_DIR}/generated/embedded_public_key.cpp)
  file(CONFIGURE OUTPUT ${generated} @ONLY CONTENT [==[
// Generated from @TAVRIN_PUBLIC_KEY_PEM@ at configure time; do not edit.
#include "embedded_public_key.h"

const char* embeddedPublicKeyPem()
{
    return R"PEM(@TAVRIN_PUBLIC_KEY_TEXT@)PEM";
}
]==])
  set(${out_var} ${generated} PARENT_SCOPE)
endfunction()
