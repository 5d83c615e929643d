# CMake toolchain file: cross-compile for Windows x64 with Debian's mingw-w64
# posix-thread compilers (packages gcc-mingw-w64-x86-64-posix,
# g++-mingw-w64-x86-64-posix, binutils-mingw-w64-x86-64).
#
# Usage:
#   prefix=$(scripts/build-win-deps | tail -1)
#   cmake -S . -B build-win \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#     -DINSTALLER_WIN_DEPS_PREFIX="$prefix"
#
# INSTALLER_WIN_DEPS_PREFIX (cache variable, or the environment variable of
# the same name) is the prefix printed by scripts/build-win-deps: static
# zlib, minizip, jsoncpp and libcurl (find_package(ZLIB), find_package(CURL
# CONFIG), find_package(jsoncpp CONFIG), or pkg-config).

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_installer_mingw_triplet x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${_installer_mingw_triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_installer_mingw_triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${_installer_mingw_triplet}-windres)
# CMake cannot derive the binutils names from the "-posix" compiler names. The gcc-
# wrappers load the compiler's LTO plugin, so archives of link-time optimised objects
# get a symbol index.
find_program(CMAKE_AR NAMES ${_installer_mingw_triplet}-gcc-ar-posix ${_installer_mingw_triplet}-ar)
find_program(CMAKE_RANLIB NAMES ${_installer_mingw_triplet}-gcc-ranlib-posix ${_installer_mingw_triplet}-ranlib)

# Target environment: the compiler's own sysroot, plus the deps prefix.
set(CMAKE_FIND_ROOT_PATH /usr/${_installer_mingw_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(INSTALLER_WIN_DEPS_PREFIX "$ENV{INSTALLER_WIN_DEPS_PREFIX}" CACHE PATH
    "Prefix with the static Windows dependencies (output of scripts/build-win-deps)")
if(INSTALLER_WIN_DEPS_PREFIX)
  if(NOT INSTALLER_WIN_DEPS_PREFIX IN_LIST CMAKE_FIND_ROOT_PATH)
    list(APPEND CMAKE_FIND_ROOT_PATH "${INSTALLER_WIN_DEPS_PREFIX}")
  endif()
  if(NOT INSTALLER_WIN_DEPS_PREFIX IN_LIST CMAKE_PREFIX_PATH)
    list(APPEND CMAKE_PREFIX_PATH "${INSTALLER_WIN_DEPS_PREFIX}")
  endif()
endif()
# try_compile() projects re-read this file: hand the prefix down to them.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES INSTALLER_WIN_DEPS_PREFIX)

# Runs the built .exe files (try_run, add_test) under wine. A cache variable,
# so that a build can override it (-DCMAKE_CROSSCOMPILING_EMULATOR=...).
get_filename_component(_installer_wine_run
  "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run" ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${_installer_wine_run}" CACHE FILEPATH
    "Runs Windows executables on the build machine")
