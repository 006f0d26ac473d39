// Find's search order and matching, and Replace, through IDispatch.
#include "tests/server/server_fixture.h"

namespace sheetwright::test {

namespace {

constexpr short kByRows = 1, kByColumns = 2, kNext = 1, kPrevious = 2;
constexpr short kWhole = 1, kPart = 2, kValues = -4163;

class FindTest : public ServerTest {
 protected:
  // The address of Find's answer, "<nothing>" for Nothing, or "<error>".
  std::wstring FindIn(IDispatch* scope, const std::wstring& what, IDispatch* after, short order, short direction,
                      short lookAt = kWhole, bool matchCase = false) {
    std::vector<Arg> args{Str(what, L"What"),           I2(kValues, L"LookIn"),       I2(lookAt, L"LookAt"),
                          I2(order, L"SearchOrder"),    I2(direction, L"SearchDirection"),
                          Bool(matchCase, L"MatchCase"), Bool(false, L"MatchByte")};
    if (after) args.push_back(Obj(after, L"After"));
    Result found = Method(scope, L"Find", std::move(args));
    if (found.hr != S_OK) return L"<error>";
    if (found.value.vt != VT_DISPATCH) return L"<not a dispatch>";
    if (!found.value.pdispVal) return L"<nothing>";
    Ref cell(found.TakeObject());
    return AddressOf(cell.get());
  }
  // Follows After from the first answer `count` times.
  std::vector<std::wstring> Chain(const std::wstring& scope, const std::wstring& what, short order, short direction,
                                  int count) {
    Ref range = RangeOf(scope);
    std::vector<std::wstring> found;
    std::wstring after;
    for (int i = 0; i < count; ++i) {
      Ref afterCell = after.empty() ? Ref() : RangeOf(after);
      after = FindIn(range.get(), what, afterCell.get(), order, direction);
      found.push_back(after);
      if (after.front() == L'<') break;
    }
    return found;
  }
};

}  // namespace

TEST_F(FindTest, SearchOrderWrapsAroundAndExaminesAfterLast) {
  FillGrid({{L"x", L"a", L"x"}, {L"a", L"x", L"a"}, {L"x", L"a", L"x"}});
  struct Case {
    const char* name;
    short order, direction;
    std::vector<std::wstring> expected;
  } cases[] = {
      {"rows forward", kByRows, kNext, {L"C1", L"B2", L"A3", L"C3", L"A1", L"C1"}},
      {"columns forward", kByColumns, kNext, {L"A3", L"B2", L"C1", L"C3", L"A1", L"A3"}},
      {"rows backward", kByRows, kPrevious, {L"C3", L"A3", L"B2", L"C1", L"A1", L"C3"}},
      {"columns backward", kByColumns, kPrevious, {L"C3", L"C1", L"B2", L"A3", L"A1", L"C3"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Chain(L"A1:C3", L"x", c.order, c.direction, 6), c.expected);
  }
}

TEST_F(FindTest, OmittedAfterStartsAfterTheTopLeftCell) {
  SetValue(L"A1", L"hit");
  SetValue(L"A2", L"hit");
  Ref column = RangeOf(L"A1:A10");
  EXPECT_EQ(FindIn(column.get(), L"hit", nullptr, kByRows, kNext), L"A2");
  EXPECT_EQ(FindIn(column.get(), L"hit", nullptr, kByRows, kPrevious), L"A2");
  Ref a2 = RangeOf(L"A2");
  EXPECT_EQ(FindIn(column.get(), L"hit", a2.get(), kByRows, kNext), L"A1");
  // The only match is After itself: it is found, last.
  SetValue(L"A1", L"");
  EXPECT_EQ(FindIn(column.get(), L"hit", a2.get(), kByRows, kNext), L"A2");
}

TEST_F(FindTest, MatchingRules) {
  FillGrid({{L"Apple pie", L"apple", L"a*b", L"50%", L"12.5"}});
  Ref row = RangeOf(L"A1:E1");
  struct Case {
    const wchar_t* what;
    short lookAt;
    bool matchCase;
    const wchar_t* expected;
  } cases[] = {
      {L"apple", kWhole, false, L"B1"},      {L"APPLE", kWhole, true, L"<nothing>"},
      {L"apple", kPart, true, L"B1"},        {L"Apple", kPart, true, L"A1"},
      {L"pie", kPart, false, L"A1"},         {L"*pie", kWhole, false, L"A1"},
      {L"appl?", kWhole, false, L"B1"},      {L"a~*b", kWhole, false, L"C1"},
      {L"a*b", kWhole, false, L"C1"},        {L"50%", kWhole, false, L"D1"},
      {L"12.5", kWhole, false, L"E1"},       {L"*", kWhole, false, L"B1"},
      {L"banana", kPart, false, L"<nothing>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.what, c.what + wcslen(c.what)));
    EXPECT_EQ(FindIn(row.get(), c.what, nullptr, kByRows, kNext, c.lookAt, c.matchCase), c.expected);
  }
}

TEST_F(FindTest, AreasAreSearchedInTurnAndOneCellSearchesTheSheet) {
  SetValue(L"B2", L"k");
  SetValue(L"D9", L"k");
  SetValue(L"Z100", L"k");
  Ref areas = RangeOf(L"D5:D10,A1:C3");
  EXPECT_EQ(FindIn(areas.get(), L"k", nullptr, kByRows, kNext), L"D9");
  Ref d9 = RangeOf(L"D9");
  EXPECT_EQ(FindIn(areas.get(), L"k", d9.get(), kByRows, kNext), L"B2");
  Ref single = RangeOf(L"B2");
  EXPECT_EQ(FindIn(single.get(), L"k", nullptr, kByRows, kNext), L"D9");
}

TEST_F(FindTest, AfterOutsideTheRangeFailsWith1004) {
  SetValue(L"A1", L"k");
  Ref block = RangeOf(L"A1:B2");
  Ref outside = RangeOf(L"C3");
  Result found = Method(block.get(), L"Find", {Str(L"k", L"What"), Obj(outside.get(), L"After")});
  EXPECT_EQ(found.hr, DISP_E_EXCEPTION);
  EXPECT_EQ(found.description, L"Unable to get the Find property of the Range class");
}

TEST_F(FindTest, ReplaceReentersTheResultAsTypedAndAnswersTrue) {
  FillGrid({{L"12", L"cat", L"Cat", L"=SIN(1)"}, {L"category", L"", L"x", L""}});
  Ref block = RangeOf(L"A1:D2");
  Result replaced = Method(block.get(), L"Replace",
                           {Str(L"1", L"What"), Str(L"3", L"Replacement"), I2(kPart, L"LookAt"),
                            I2(kByRows, L"SearchOrder"), Bool(false, L"MatchCase"), Bool(false, L"MatchByte")});
  ASSERT_EQ(replaced.hr, S_OK);
  EXPECT_EQ(Describe(replaced.value), L"BOOL:1");
  EXPECT_EQ(ValueOf(L"A1"), L"R8:32");
  EXPECT_EQ(ValueOf(L"D1", L"Formula"), L"BSTR:=SIN(3)");

  ASSERT_EQ(Method(block.get(), L"Replace",
                   {Str(L"cat", L"What"), Str(L"dog", L"Replacement"), I2(kWhole, L"LookAt"), Bool(true, L"MatchCase")})
                .hr,
            S_OK);
  EXPECT_EQ(ValueOf(L"B1"), L"BSTR:dog");
  EXPECT_EQ(ValueOf(L"C1"), L"BSTR:Cat");
  EXPECT_EQ(ValueOf(L"A2"), L"BSTR:category");

  Result none = Method(block.get(), L"Replace", {Str(L"zzz", L"What"), Str(L"y", L"Replacement")});
  EXPECT_EQ(Describe(none.value), L"BOOL:1");
  Result broken = Method(block.get(), L"Replace", {Str(L"SIN(3)", L"What"), Str(L"SIN(", L"Replacement"), I2(kPart, L"LookAt")});
  EXPECT_EQ(broken.hr, DISP_E_EXCEPTION);
  EXPECT_EQ(ValueOf(L"D1", L"Formula"), L"BSTR:=SIN(3)");
}

}  // namespace sheetwright::test
