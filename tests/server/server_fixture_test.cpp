// The fixture's helpers, and the checks every server test relies on.
#include "tests/server/server_fixture.h"

#include "server/engine/address.h"

namespace sheetwright::test {

std::wstring Describe(const VARIANT& v) {
  auto number = [](double d) {
    std::wstring text = std::to_wstring(d);
    while (!text.empty() && text.back() == L'0') text.pop_back();
    if (!text.empty() && text.back() == L'.') text.pop_back();
    return text;
  };
  switch (v.vt) {
    case VT_EMPTY: return L"EMPTY";
    case VT_R8: return L"R8:" + number(v.dblVal);
    case VT_I4: return L"I4:" + std::to_wstring(v.lVal);
    case VT_BSTR: return L"BSTR:" + std::wstring(v.bstrVal ? v.bstrVal : L"", SysStringLen(v.bstrVal));
    case VT_BOOL: return std::wstring(L"BOOL:") + (v.boolVal ? L"1" : L"0");
    case VT_DATE: return L"DATE:" + number(v.date);
    case VT_CY: return L"CY:" + std::to_wstring(v.cyVal.int64);
    case VT_ERROR: return L"ERROR:" + std::to_wstring(v.scode - SCODE(0x800A0000));
    case VT_DISPATCH: return v.pdispVal ? L"DISPATCH" : L"DISPATCH:null";
    default: return L"VT:" + std::to_wstring(v.vt);
  }
}

Ref ServerTest::StartApplication() {
  CLSID clsid{};
  EXPECT_EQ(CLSIDFromProgID(L"Excel.Application", &clsid), S_OK);
  IDispatch* app = nullptr;
  EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, reinterpret_cast<void**>(&app)), S_OK);
  return Ref(app);
}

void ServerTest::SetUp() {
  CoInitialize(nullptr);
  app_ = StartApplication();
  ASSERT_TRUE(app_);
  Ref books = GetObject(app_.get(), L"Workbooks");
  Result added = Method(books.get(), L"Add");
  ASSERT_EQ(added.hr, S_OK);
  book_ = Ref(added.TakeObject());
  sheet_ = GetObject(book_.get(), L"ActiveSheet");
  ASSERT_TRUE(sheet_);
}

void ServerTest::TearDown() {
  if (app_) {
    Put(app_.get(), L"DisplayAlerts", Bool(false));
    EXPECT_EQ(Method(app_.get(), L"Quit").hr, S_OK);
  }
  sheet_.Reset();
  book_.Reset();
  app_.Reset();
  EXPECT_EQ(SheetwrightLiveServerObjects(), 0) << "server objects left alive";
  CoUninitialize();
}

Ref ServerTest::RangeOf(const std::wstring& address) { return GetObject(sheet_.get(), L"Range", {Str(address)}); }

void ServerTest::SetValue(const std::wstring& address, const std::wstring& text) {
  Ref range = RangeOf(address);
  ASSERT_EQ(Put(range.get(), L"Value", Str(text)).hr, S_OK) << "put into " << std::string(address.begin(), address.end());
}

std::wstring ServerTest::ValueOf(const std::wstring& address, const wchar_t* member) {
  Ref range = RangeOf(address);
  Result value = Get(range.get(), member);
  EXPECT_EQ(value.hr, S_OK);
  return Describe(value.value);
}

void ServerTest::FillGrid(const std::vector<std::vector<std::wstring>>& rows) {
  for (size_t r = 0; r < rows.size(); ++r)
    for (size_t c = 0; c < rows[r].size(); ++c)
      if (!rows[r][c].empty()) SetValue(engine::ColumnLetters(int32_t(c + 1)) + std::to_wstring(r + 1), rows[r][c]);
}

std::wstring ServerTest::AddressOf(IDispatch* range) {
  if (!range) return L"<null>";
  Result address = Get(range, L"Address", {Bool(false, L"RowAbsolute"), Bool(false, L"ColumnAbsolute")});
  return address.hr == S_OK ? address.Text() : L"<error>";
}

TEST_F(ServerTest, FreshWorkbookHasOneEmptySheetNamedSheet1) {
  EXPECT_EQ(Get(sheet_.get(), L"Name").Text(), L"Sheet1");
  Ref used = GetObject(sheet_.get(), L"UsedRange");
  EXPECT_EQ(Get(used.get(), L"Address").Text(), L"$A$1");
  EXPECT_EQ(Describe(Get(used.get(), L"Value").value), L"EMPTY");
  EXPECT_GT(SheetwrightLiveServerObjects(), 0);
}

}  // namespace sheetwright::test
