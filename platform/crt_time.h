// The C runtime's checked local-time conversion, as the Windows C runtime
// declares it (the argument order differs from localtime_r's).
#pragma once

#include <ctime>

typedef int errno_t;

// Fills *result with the local time of *time; 0 on success, EINVAL when an
// argument is null or the time cannot be converted (*result is then zeroed
// when it can be written).
errno_t localtime_s(std::tm* result, const std::time_t* time);
