// Reads an integer parameter the way the host's values have always been read:
// leading white space (space, \t, \n, \v, \f, \r) skipped, an optional sign,
// then decimal digits up to the first other character; the rest is ignored.
// No leading number gives 0; a number outside the 32-bit range saturates to
// 2147483647 or -2147483648.
//
//   ReadLenientInteger(" 12abc") == 12
//   ReadLenientInteger("true") == 0
//   ReadLenientInteger("99999999999") == 2147483647
#pragma once

#include <cstdint>
#include <string_view>

int32_t ReadLenientInteger(std::string_view text);
// The same rule over wide text (an R1C1 address's row or column digits).
int32_t ReadLenientInteger(std::wstring_view text);
