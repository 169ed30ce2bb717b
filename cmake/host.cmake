# Native build settings (development service, host-side tests).
add_compile_options(-Wall -Wextra)
find_package(OpenSSL REQUIRED)
find_package(Threads REQUIRED)
set(TAVRIN_NLOHMANN_INCLUDE /usr/include)

# GoogleTest from Debian's source package, built with the project.
if(NOT TARGET gtest)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()
include(GoogleTest)
