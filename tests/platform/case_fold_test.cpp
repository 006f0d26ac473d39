// The platform's case folding (ProgIDs, moniker display names, file names)
// against the table of cases it shares with the server's engine.
#include <gtest/gtest.h>

#include "platform/internal/case_fold.h"
#include "tests/common/case_fold_cases.h"

namespace {

TEST(CaseFold, FollowsTheSharedTable) {
  for (const CaseFoldCase& c : kCaseFoldCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(static_cast<uint32_t>(FoldCaseChar(c.from)), static_cast<uint32_t>(c.folded));
  }
  EXPECT_TRUE(EqualsIgnoringCase(L"\u0178VES.XLSX", L"\u00FFves.xlsx"));
  EXPECT_FALSE(EqualsIgnoringCase(L"\u0130", L"i"));
}

}  // namespace
