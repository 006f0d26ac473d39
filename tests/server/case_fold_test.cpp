// The engine's case folding (sheet names, Find and Replace, member and macro
// names) against the table of cases it shares with the platform layer, and
// against the platform's routine over every code point.
#include <gtest/gtest.h>

#include "platform/internal/case_fold.h"
#include "server/engine/case_fold.h"
#include "tests/common/case_fold_cases.h"

namespace {

using sheetwright::engine::FoldCase;

TEST(EngineCaseFold, FollowsTheSharedTable) {
  for (const CaseFoldCase& c : kCaseFoldCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(static_cast<uint32_t>(FoldCase(c.from)), static_cast<uint32_t>(c.folded));
  }
}

TEST(EngineCaseFold, AgreesWithThePlatformOnEveryCodePoint) {
  int disagreements = 0;
  for (uint32_t code = 0; code <= 0x10FFFF; ++code) {
    const wchar_t c = static_cast<wchar_t>(code);
    if (FoldCase(c) != FoldCaseChar(c) && ++disagreements <= 5) {
      ADD_FAILURE() << "U+" << std::hex << code << ": engine " << static_cast<uint32_t>(FoldCase(c))
                    << ", platform " << static_cast<uint32_t>(FoldCaseChar(c));
    }
  }
  EXPECT_EQ(disagreements, 0);
}

}  // namespace
