// Range("...") parsing and the Address forms, through IDispatch.
#include "tests/server/server_fixture.h"

namespace sheetwright::test {

namespace {

struct AddressCase {
  const wchar_t* input;
  const wchar_t* absolute;  // Address(); null = Range(input) must fail with 1004
  const wchar_t* relative;  // Address(RowAbsolute:=False, ColumnAbsolute:=False)
  const wchar_t* r1c1;      // Address(ReferenceStyle:=xlR1C1)
};

const AddressCase kAddressCases[] = {
    {L"B3", L"$B$3", L"B3", L"R3C2"},
    {L"$B$3", L"$B$3", L"B3", L"R3C2"},
    {L"b3", L"$B$3", L"B3", L"R3C2"},
    {L"A1:C5", L"$A$1:$C$5", L"A1:C5", L"R1C1:R5C3"},
    {L"C9:A1", L"$A$1:$C$9", L"A1:C9", L"R1C1:R9C3"},
    {L"3:7", L"$3:$7", L"3:7", L"R3:R7"},
    {L"3:3", L"$3:$3", L"3:3", L"R3"},
    {L"B:D", L"$B:$D", L"B:D", L"C2:C4"},
    {L"b:b", L"$B:$B", L"B:B", L"C2"},
    {L"1:1048576", L"$1:$1048576", L"1:1048576", L"R1:R1048576"},
    {L"A1,C3", L"$A$1,$C$3", L"A1,C3", L"R1C1,R3C3"},
    {L"A1, A10", L"$A$1,$A$10", L"A1,A10", L"R1C1,R10C1"},
    {L"A1:A5 A5:A10", L"$A$5", L"A5", L"R5C1"},
    {L"Sheet1!B2", L"$B$2", L"B2", L"R2C2"},
    {L"XFD1048576", L"$XFD$1048576", L"XFD1048576", L"R1048576C16384"},
    {L"", nullptr, nullptr, nullptr},
    {L"A0", nullptr, nullptr, nullptr},
    {L"XFE1", nullptr, nullptr, nullptr},
    {L"A1048577", nullptr, nullptr, nullptr},
    {L"ZZZZ1", nullptr, nullptr, nullptr},
    {L"B2:", nullptr, nullptr, nullptr},
    {L"R1C1", nullptr, nullptr, nullptr},
    {L"   ", nullptr, nullptr, nullptr},
    {L"\u00C41", nullptr, nullptr, nullptr},
    {L"Other!A1", nullptr, nullptr, nullptr},
    {L"A1:B", nullptr, nullptr, nullptr},
    {L"A1,,B2", nullptr, nullptr, nullptr},
    {L"TestRange", nullptr, nullptr, nullptr},
};

}  // namespace

TEST_F(ServerTest, RangeAddressFormsAndRejectedAddresses) {
  for (const AddressCase& c : kAddressCases) {
    SCOPED_TRACE(std::string("input '") + std::string(c.input, c.input + wcslen(c.input)) + "'");
    Result range = Get(sheet_.get(), L"Range", {Str(c.input)});
    if (!c.absolute) {
      EXPECT_EQ(range.hr, DISP_E_EXCEPTION);
      EXPECT_EQ(range.scode, SCODE(0x800A03EC));
      EXPECT_EQ(range.source, L"Microsoft Excel");
      EXPECT_FALSE(range.description.empty());
      continue;
    }
    ASSERT_EQ(range.hr, S_OK);
    Ref r(range.TakeObject());
    EXPECT_EQ(Get(r.get(), L"Address").Text(), c.absolute);
    EXPECT_EQ(AddressOf(r.get()), c.relative);
    EXPECT_EQ(Get(r.get(), L"Address", {I2(-4150, L"ReferenceStyle")}).Text(), c.r1c1);
  }
}

TEST_F(ServerTest, RelativeR1C1CountsFromA1OrRelativeTo) {
  Ref b3 = RangeOf(L"B3");
  EXPECT_EQ(Get(b3.get(), L"Address", {Bool(false, L"RowAbsolute"), Bool(false, L"ColumnAbsolute"),
                                       I2(-4150, L"ReferenceStyle")})
                .Text(),
            L"R[2]C[1]");
  Ref block = RangeOf(L"A1:C5");
  EXPECT_EQ(Get(block.get(), L"Address", {Bool(false, L"RowAbsolute"), Bool(false, L"ColumnAbsolute"),
                                          I2(-4150, L"ReferenceStyle")})
                .Text(),
            L"RC:R[4]C[2]");
  Ref a1 = RangeOf(L"A1");
  Ref c3 = RangeOf(L"C3");
  EXPECT_EQ(Get(a1.get(), L"Address", {Bool(false, L"RowAbsolute"), Bool(false, L"ColumnAbsolute"),
                                       I2(-4150, L"ReferenceStyle"), Obj(c3.get(), L"RelativeTo")})
                .Text(),
            L"R[-2]C[-2]");
  // Mixed: only the row absolute.
  EXPECT_EQ(Get(b3.get(), L"Address", {Bool(true, L"RowAbsolute"), Bool(false, L"ColumnAbsolute")}).Text(), L"B$3");
}

TEST_F(ServerTest, ApplicationRangeUsesTheActiveSheet) {
  Ref range = GetObject(app_.get(), L"Range", {Str(L"C4")});
  EXPECT_EQ(Get(range.get(), L"Address").Text(), L"$C$4");
  Ref ws = GetObject(range.get(), L"Worksheet");
  EXPECT_EQ(Get(ws.get(), L"Name").Text(), L"Sheet1");
}

TEST_F(ServerTest, RangeWithTwoCornersSpansBoth) {
  Ref d5 = RangeOf(L"D5");
  Ref block = GetObject(sheet_.get(), L"Range", {Str(L"B2"), Obj(d5.get())});
  EXPECT_EQ(Get(block.get(), L"Address").Text(), L"$B$2:$D$5");
}

}  // namespace sheetwright::test
