// Translation of a Windows-style wide path to the name the Linux file system
// uses: every '\\' becomes '/', and the text is encoded as UTF-8 (values that
// are not Unicode scalar values become U+FFFD).
#pragma once

#include <string>

#include "platform/base_types.h"

std::string NativePath(LPCWSTR path);

// Maps the errno of a failed file-system call to a Win32 error code.
DWORD Win32ErrorFromErrno(int error);
