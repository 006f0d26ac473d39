# The Windows x64 build inside the Linux build: the target windows_build runs
# scripts/build-windows.sh into <build>/windows (the mingw-w64 libraries are
# cross-built once and cached outside the build folder), giving
#   SW_WINDOWS_DIR/Norvix.Sheetwright.dll          the library
#   SW_WINDOWS_DIR/Norvix.Sheetwright.Server.dll   the server, a COM server DLL
#   SW_WINDOWS_DIR/sheetwright.exe                 the command-line tool
# The Java jar carries the library DLL and tests/wine_session runs the tool
# under Wine. Left out (SW_WINDOWS_BUILD false) when the cross compiler or
# Wine is missing, and in the sanitizer, thread and fuzz builds, which check
# the Linux code only.
find_program(SW_MINGW_CXX x86_64-w64-mingw32-g++-posix)
find_program(SW_WINE64 wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(SW_WINE64 wine64)
set(SW_WINDOWS_BUILD FALSE)
if(SW_SANITIZE OR SW_FUZZ OR SW_TSAN)
  return()
endif()
if(NOT SW_MINGW_CXX OR NOT SW_WINE64)
  message(STATUS "Windows build: mingw-w64 or wine64 missing, not built "
                 "(scripts/install-deps.sh installs both)")
  return()
endif()
set(SW_WINDOWS_BUILD TRUE)
set(SW_WINDOWS_DIR ${CMAKE_BINARY_DIR}/windows)
add_custom_target(windows_build ALL
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/build-windows.sh ${SW_WINDOWS_DIR}
  BYPRODUCTS ${SW_WINDOWS_DIR}/Norvix.Sheetwright.dll ${SW_WINDOWS_DIR}/Norvix.Sheetwright.Server.dll
             ${SW_WINDOWS_DIR}/sheetwright.exe
  WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
  COMMENT "Windows x64 build (mingw-w64) in ${SW_WINDOWS_DIR}"
  VERBATIM)
