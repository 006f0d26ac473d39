// Case folding for comparisons without regard to case: Unicode's simple case
// folding of the ASCII, Latin-1, Latin Extended-A, basic Greek, basic
// Cyrillic and fullwidth Latin capitals. The platform layer and the server's
// engine each have their own routine (the server reaches the platform only
// through the Windows API surface); both run through this one table, and the
// server suite also compares the two over every code point.
#pragma once

struct CaseFoldCase {
  const char* name;
  wchar_t from;
  wchar_t folded;
};

inline constexpr CaseFoldCase kCaseFoldCases[] = {
    {"ASCII capital", L'A', L'a'},
    {"ASCII small stays", L'z', L'z'},
    {"digit stays", L'5', L'5'},
    {"Latin-1 capital", 0xC0, 0xE0},
    {"Latin-1 capital thorn", 0xDE, 0xFE},
    {"multiplication sign stays", 0xD7, 0xD7},
    {"sharp s stays", 0xDF, 0xDF},
    {"small y with diaeresis stays", 0xFF, 0xFF},
    {"Latin Extended-A even capital", 0x100, 0x101},
    {"Latin Extended-A small stays", 0x101, 0x101},
    {"capital I with dot has no simple folding", 0x130, 0x130},
    {"dotless i stays", 0x131, 0x131},
    {"kra stays", 0x138, 0x138},
    {"odd stretch capital", 0x139, 0x13A},
    {"odd stretch small stays", 0x13A, 0x13A},
    {"n preceded by apostrophe stays", 0x149, 0x149},
    {"eng capital", 0x14A, 0x14B},
    {"capital Y with diaeresis folds into Latin-1", 0x178, 0xFF},
    {"capital Z with acute", 0x179, 0x17A},
    {"small z with caron stays", 0x17E, 0x17E},
    {"long s stays", 0x17F, 0x17F},
    {"Greek capital alpha", 0x391, 0x3B1},
    {"Greek gap stays", 0x3A2, 0x3A2},
    {"Greek capital upsilon with dialytika", 0x3AB, 0x3CB},
    {"Cyrillic capital ie with grave", 0x400, 0x450},
    {"Cyrillic capital dzhe", 0x40F, 0x45F},
    {"Cyrillic capital a", 0x410, 0x430},
    {"Cyrillic capital ya", 0x42F, 0x44F},
    {"fullwidth capital A", 0xFF21, 0xFF41},
    {"fullwidth capital Z", 0xFF3A, 0xFF5A},
    {"fullwidth small a stays", 0xFF41, 0xFF41},
};
