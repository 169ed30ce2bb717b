# Settings shared by both Windows builds (x86_64 test build, i686 shipping build).
add_compile_options(-Wall -Wextra)
add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601 WIN32_LEAN_AND_MEAN NOMINMAX)

# Everything is linked statically, so the linker drops every function and
# object nobody calls (the dependencies are built with sections too).
add_compile_options(-ffunction-sections -fdata-sections)
add_link_options(-Wl,--gc-sections)

# The i686 build is the one that ships: its programs are linked without
# symbols or debug information. The x86_64 test build keeps them.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  set(strip_default ON)
else()
  set(strip_default OFF)
endif()
option(TAVRIN_STRIP_PROGRAMS "Link the programs without symbols (the shipping build)" ${strip_default})
if(TAVRIN_STRIP_PROGRAMS)
  add_link_options(-s)
endif()

if(NOT EXISTS "${TAVRIN_DEPS_DIR}/lib")
  message(FATAL_ERROR "MinGW dependencies not found in ${TAVRIN_DEPS_DIR}: run scripts/setup first")
endif()

# Delay-loaded system DLLs. A program with the target property
# TAVRIN_LATE_DLLS set to ON loads the DLLs named in tavrin_late_dlls() on
# the first call into each, not when it starts: the launcher starts the
# browser before it needs sockets, certificates, COM or the shell, and does
# not wait for them to load and initialise. Their import libraries are made
# here from the toolchain's own: every function it imports, none of its data.
set(TAVRIN_DELAY_DIR ${CMAKE_BINARY_DIR}/delay-import)
file(MAKE_DIRECTORY ${TAVRIN_DELAY_DIR})
function(tavrin_make_delay_import_library dll)
  set(library ${TAVRIN_DELAY_DIR}/lib${dll}_delay.a)
  if(EXISTS ${library})
    return()
  endif()
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=lib${dll}.a
                  OUTPUT_VARIABLE import_library OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    set(strip_underscore 1)
    set(kill_at -k)
  else()
    set(strip_underscore 0)
    set(kill_at)
  endif()
  # A function import defines both the thunk "T name" and "I __imp_name".
  execute_process(
    COMMAND sh -c "\"$0\" -g \"$1\" | awk -v strip=$2 'NF >= 2 && $(NF-1) == \"I\" && index($NF, \"__imp_\") == 1 { imported[substr($NF, 7)] = 1 } NF >= 2 && $(NF-1) == \"T\" { thunk[$NF] = 1 } END { for (name in thunk) if (name in imported) print (strip && substr(name, 1, 1) == \"_\") ? substr(name, 2) : name }' | sort"
            ${CMAKE_NM} ${import_library} ${strip_underscore}
    OUTPUT_VARIABLE functions RESULT_VARIABLE listed)
  if(NOT listed EQUAL 0 OR functions STREQUAL "")
    message(FATAL_ERROR "no functions found in ${import_library} for the delay-loaded ${dll}.dll")
  endif()
  file(WRITE ${TAVRIN_DELAY_DIR}/${dll}.def "LIBRARY ${dll}.dll\nEXPORTS\n${functions}")
  execute_process(COMMAND ${CMAKE_DLLTOOL} ${kill_at} -d ${TAVRIN_DELAY_DIR}/${dll}.def -y ${library}
                  RESULT_VARIABLE made)
  if(NOT made EQUAL 0)
    file(REMOVE ${library})
    message(FATAL_ERROR "dlltool could not make the delay-load library for ${dll}.dll")
  endif()
endfunction()

# The delay-load libraries of `dlls` for a program that asks for them; they
# stand before the ordinary import libraries, which still serve every other
# program and anything a delay library does not hold.
function(tavrin_late_dlls out)
  set(libraries)
  foreach(dll IN LISTS ARGN)
    tavrin_make_delay_import_library(${dll})
    list(APPEND libraries ${TAVRIN_DELAY_DIR}/lib${dll}_delay.a)
  endforeach()
  set(${out} "$<$<BOOL:$<TARGET_PROPERTY:TAVRIN_LATE_DLLS>>:${libraries}>" PARENT_SCOPE)
endfunction()
tavrin_late_dlls(late_crypto_dlls ws2_32 crypt32 bcrypt user32)

# GNU ld for i386 drops the loader stub of a delay-loaded function that the
# program reaches only through its __imp_ slot (every function the system
# headers declare dllimport) and leaves the slot 0, so the first call jumps to
# address 0. Before an i686 program with delay-loaded DLLs is linked, its
# objects and static libraries are searched for such slots and each of their
# stubs is named with -u, which keeps it. (x86_64 keeps them by itself.)
# scripts/check-binaries fails a program with a slot that leads nowhere.
function(tavrin_keep_delay_stubs target)
  if(NOT CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    return()
  endif()
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/CMakeFiles/${target}.dir)
  set(options ${dir}/delay-stubs.rsp)
  add_custom_command(TARGET ${target} PRE_LINK
    COMMAND ${Python3_EXECUTABLE} ${TAVRIN_ROOT}/cmake/keep_delay_stubs.py ${CMAKE_NM} ${options}
            ${dir}/objects1 ${dir}/linkLibs.rsp ${TAVRIN_DELAY_DIR}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    VERBATIM)
  target_link_options(${target} PRIVATE "@${options}")
endfunction()

# Static dependencies built by scripts/setup.
add_library(dep_crypto INTERFACE)
target_include_directories(dep_crypto SYSTEM INTERFACE ${TAVRIN_DEPS_DIR}/include)
target_link_libraries(dep_crypto INTERFACE ${TAVRIN_DEPS_DIR}/lib/libcrypto.a ${late_crypto_dlls}
  ws2_32 crypt32 bcrypt user32)

add_library(dep_curl INTERFACE)
target_include_directories(dep_curl SYSTEM INTERFACE ${TAVRIN_DEPS_DIR}/include)
target_compile_definitions(dep_curl INTERFACE CURL_STATICLIB)
target_link_libraries(dep_curl INTERFACE ${TAVRIN_DEPS_DIR}/lib/libcurl.a
  /usr/${TAVRIN_TRIPLE}/lib/libz.a ${late_crypto_dlls} ws2_32 crypt32 bcrypt secur32 advapi32 user32)

add_library(dep_zlib INTERFACE)
target_link_libraries(dep_zlib INTERFACE /usr/${TAVRIN_TRIPLE}/lib/libz.a)

add_library(dep_minizip INTERFACE)
target_include_directories(dep_minizip SYSTEM INTERFACE ${TAVRIN_DEPS_DIR}/include/minizip)
target_link_libraries(dep_minizip INTERFACE ${TAVRIN_DEPS_DIR}/lib/libminizip.a dep_zlib)

add_library(dep_nlohmann INTERFACE)
target_include_directories(dep_nlohmann SYSTEM INTERFACE ${TAVRIN_DEPS_DIR}/include)

# A Windows GUI-subsystem program that never opens a console.
function(tavrin_gui_program target)
  set_target_properties(${target} PROPERTIES WIN32_EXECUTABLE TRUE)
endfunction()

# pugixml (the UI framework's layout parser), built by scripts/setup.
add_library(dep_pugixml INTERFACE)
target_include_directories(dep_pugixml SYSTEM INTERFACE ${TAVRIN_DEPS_DIR}/include)
target_link_libraries(dep_pugixml INTERFACE ${TAVRIN_DEPS_DIR}/lib/libpugixml.a)
