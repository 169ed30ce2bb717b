# The launcher's version resource (launcher/launcher_version.rc.in): its
# version, and in "Comments" what embedded_key.cmake says of its key.
set(TAVRIN_LAUNCHER_VERSION 1.0.0.0)

# Writes OUT_VAR's file, the configured .rc. Needs embedded_key.cmake first.
function(tavrin_generate_launcher_version_resource out_var)
  if(NOT DEFINED TAVRIN_EMBEDDED_KEY_DESCRIPTION)
    message(FATAL_ERROR "include embedded_key.cmake before launcher_version.cmake")
  endif()
  string(REPLACE "." ";" parts ${TAVRIN_LAUNCHER_VERSION})
  list(GET parts 0 V1)
  list(GET parts 1 V2)
  list(GET parts 2 V3)
  list(GET parts 3 V4)
  set(VERSION ${TAVRIN_LAUNCHER_VERSION})
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/generated/launcher_version.rc)
  configure_file(${TAVRIN_ROOT}/launcher/launcher_version.rc.in ${rc} @ONLY)
  set(${out_var} ${rc} PARENT_SCOPE)
endfunction()
