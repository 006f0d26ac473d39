# Cross-compiling for Windows x64 with Debian's mingw-w64 (posix threads).
# The libraries the build links (protobuf, libzip, zlib, libdeflate, pugixml)
# come from SW_WINDOWS_DEPS, the prefix scripts/build-windows-deps.sh fills;
# protoc is the host's, which generates the same code for either target.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

if(NOT SW_WINDOWS_DEPS AND DEFINED ENV{SW_WINDOWS_DEPS})
  set(SW_WINDOWS_DEPS $ENV{SW_WINDOWS_DEPS})
endif()
if(NOT SW_WINDOWS_DEPS)
  if(DEFINED ENV{XDG_CACHE_HOME})
    set(SW_WINDOWS_DEPS $ENV{XDG_CACHE_HOME}/sheetwright/mingw-w64/prefix)
  else()
    set(SW_WINDOWS_DEPS $ENV{HOME}/.cache/sheetwright/mingw-w64/prefix)
  endif()
endif()
set(SW_WINDOWS_DEPS ${SW_WINDOWS_DEPS} CACHE PATH "Prefix of the cross-built Windows libraries")
# try_compile projects see the prefix too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES SW_WINDOWS_DEPS)

set(CMAKE_FIND_ROOT_PATH ${SW_WINDOWS_DEPS} /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ENV{PKG_CONFIG_LIBDIR} ${SW_WINDOWS_DEPS}/lib/pkgconfig)
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
set(Protobuf_PROTOC_EXECUTABLE /usr/bin/protoc CACHE FILEPATH "host protoc")
