// The escape spreadsheet XML uses for characters XML cannot carry: "_xHHHH_"
// stands for the UTF-16 code unit HHHH (a control character, say), and a
// literal "_xHHHH_" in the text is written with its underscore escaped as
// "_x005F_".
#pragma once

#include <string>

namespace sheetwright::files {

// Replaces every _xHHHH_ in `utf8` by the character it stands for (a
// surrogate pair written as two escapes is combined; a lone surrogate
// becomes U+FFFD).
void DecodeEscapedCharacters(std::string& utf8);

// Whether `text` at `at` starts an "_xHHHH_" sequence.
bool StartsEscapeSequence(std::string_view text, size_t at);

}  // namespace sheetwright::files
