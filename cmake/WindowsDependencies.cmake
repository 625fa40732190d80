# The libraries of the Windows build, all from Debian: libzip compiled here
# from its Debian source package (scripts/install-windows-deps.sh unpacks it),
# zlib from libz-mingw-w64-dev, nlohmann-json's headers, GoogleTest from
# Debian's googletest sources. Defines zel_libzip, nlohmann_json::nlohmann_json
# and (with tests) GTest::gtest, GTest::gtest_main, GTest::gmock.
include(ExternalProject)
# Programs carry zlib inside (find_package(ZLIB) would take the DLL's import
# library).
set(ZLIB_USE_STATIC_LIBS ON)

set(ZEL_LIBZIP_SOURCE_DIR "${CMAKE_BINARY_DIR}/sources/libzip" CACHE PATH
    "libzip's Debian source (scripts/install-windows-deps.sh SOURCES_DIR)")
if(NOT EXISTS "${ZEL_LIBZIP_SOURCE_DIR}/CMakeLists.txt")
  message(FATAL_ERROR "No libzip source in ${ZEL_LIBZIP_SOURCE_DIR}: run "
                      "scripts/install-windows-deps.sh ${CMAKE_BINARY_DIR}/sources first")
endif()

get_filename_component(ZEL_TOOLCHAIN_FILE "${CMAKE_TOOLCHAIN_FILE}" ABSOLUTE
                       BASE_DIR "${CMAKE_BINARY_DIR}")
set(ZEL_LIBZIP_PREFIX "${CMAKE_BINARY_DIR}/libzip")
set(ZEL_LIBZIP_LAUNCHER "")
if(CMAKE_C_COMPILER_LAUNCHER)
  set(ZEL_LIBZIP_LAUNCHER "-DCMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER}")
endif()
# A static library with Windows' own cryptography (BCrypt) for AES, deflate
# through zlib, and nothing else: no tools, tests or manual pages.
ExternalProject_Add(libzip_windows
  SOURCE_DIR "${ZEL_LIBZIP_SOURCE_DIR}"
  PREFIX "${ZEL_LIBZIP_PREFIX}"
  INSTALL_DIR "${ZEL_LIBZIP_PREFIX}/install"
  CMAKE_ARGS
    "-DCMAKE_TOOLCHAIN_FILE=${ZEL_TOOLCHAIN_FILE}"
    "-DCMAKE_INSTALL_PREFIX=<INSTALL_DIR>"
    -DCMAKE_BUILD_TYPE=Release
    ${ZEL_LIBZIP_LAUNCHER}
    -DBUILD_SHARED_LIBS=OFF
    -DENABLE_WINDOWS_CRYPTO=ON -DENABLE_COMMONCRYPTO=OFF -DENABLE_GNUTLS=OFF
    -DENABLE_MBEDTLS=OFF -DENABLE_OPENSSL=OFF -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF
    -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF
  BUILD_BYPRODUCTS "${ZEL_LIBZIP_PREFIX}/install/lib/libzip.a"
  UPDATE_COMMAND ""
  USES_TERMINAL_BUILD ON)
file(MAKE_DIRECTORY "${ZEL_LIBZIP_PREFIX}/install/include")
add_library(zel_libzip_static STATIC IMPORTED GLOBAL)
set_target_properties(zel_libzip_static PROPERTIES
  IMPORTED_LOCATION "${ZEL_LIBZIP_PREFIX}/install/lib/libzip.a"
  INTERFACE_INCLUDE_DIRECTORIES "${ZEL_LIBZIP_PREFIX}/install/include"
  INTERFACE_COMPILE_DEFINITIONS ZIP_STATIC
  INTERFACE_LINK_LIBRARIES "z;bcrypt;advapi32")
add_dependencies(zel_libzip_static libzip_windows)
add_library(zel_libzip INTERFACE)
target_link_libraries(zel_libzip INTERFACE zel_libzip_static)

# nlohmann-json is header-only: its folder alone, since the build machine's
# /usr/include must not be searched for Windows.
set(ZEL_HOST_HEADERS "${CMAKE_BINARY_DIR}/host-headers")
if(NOT EXISTS "/usr/include/nlohmann/json.hpp")
  message(FATAL_ERROR "nlohmann/json.hpp not found: install nlohmann-json3-dev")
endif()
file(MAKE_DIRECTORY "${ZEL_HOST_HEADERS}")
file(CREATE_LINK /usr/include/nlohmann "${ZEL_HOST_HEADERS}/nlohmann" SYMBOLIC)
add_library(nlohmann_json_headers INTERFACE)
target_include_directories(nlohmann_json_headers SYSTEM INTERFACE "${ZEL_HOST_HEADERS}")
add_library(nlohmann_json::nlohmann_json ALIAS nlohmann_json_headers)

if(ZEL_BUILD_TESTS)
  set(ZEL_GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "Debian's googletest sources")
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory("${ZEL_GOOGLETEST_SOURCE_DIR}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)
endif()
