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

# Static dependencies built by scripts/setup.
add_library(dep_crypto INTERFACE)
target_include_directories(dep_crypto SYSTEM INTERFACE ${TAVRIN_DEPS_DIR}/include)
target_link_libraries(dep_crypto INTERFACE ${TAVRIN_DEPS_DIR}/lib/libcrypto.a ws2_32 crypt32 bcrypt)

add_library(dep_curl INTERFACE)
target_include_directories(dep_curl SYSTEM INTERFACE ${TAVRIN_DEPS_DIR}/include)
target_compile_definitions(dep_curl INTERFACE CURL_STATICLIB)
target_link_libraries(dep_curl INTERFACE ${TAVRIN_DEPS_DIR}/lib/libcurl.a
  /usr/${TAVRIN_TRIPLE}/lib/libz.a ws2_32 crypt32 bcrypt secur32 advapi32 user32)

add_library(dep_zlib INTERFACE)
target_link_libraries(dep_zlib INTERFACE /usr/${TAVRIN_TRIPLE}/lib/libz.a)

add_library(dep_minizip INTERFACE)
target_include_directories(dep_minizip SYSTEM INTERFACE ${TAVRIN_DEPS_DIR}/include/minizip)
target_link_libraries(dep_minizip INTERFACE ${TAVRIN_DEPS_DIR}/lib/libminizip.a dep_zlib)

add_library(dep_jsoncpp INTERFACE)
target_include_directories(dep_jsoncpp SYSTEM INTERFACE ${TAVRIN_DEPS_DIR}/include)
target_link_libraries(dep_jsoncpp INTERFACE ${TAVRIN_DEPS_DIR}/lib/libjsoncpp.a)

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
