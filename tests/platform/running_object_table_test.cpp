#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "counted_dispatch.h"
#include "platform/windows_api.h"

namespace {

std::wstring DisplayName(IMoniker* moniker) {
  IBindCtx* context = nullptr;
  EXPECT_EQ(CreateBindCtx(0, &context), S_OK);
  LPOLESTR name = nullptr;
  EXPECT_EQ(moniker->GetDisplayName(context, nullptr, &name), S_OK);
  std::wstring text = name ? name : L"";
  CoTaskMemFree(name);
  context->Release();
  return text;
}

// Every display name the table enumerates, in order.
std::vector<std::wstring> RunningNames(IRunningObjectTable* table) {
  std::vector<std::wstring> names;
  IEnumMoniker* monikers = nullptr;
  EXPECT_EQ(table->EnumRunning(&monikers), S_OK);
  IMoniker* moniker = nullptr;
  while (monikers->Next(1, &moniker, nullptr) == S_OK) {
    names.push_back(DisplayName(moniker));
    moniker->Release();
  }
  monikers->Release();
  return names;
}

class RunningObjectTableTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(GetRunningObjectTable(0, &table_), S_OK); }
  void TearDown() override { table_->Release(); }

  IRunningObjectTable* table_ = nullptr;
};

TEST_F(RunningObjectTableTest, MonikerDisplayNamesAreThePathAndTheItem) {
  IMoniker* file = nullptr;
  ASSERT_EQ(CreateFileMoniker(L"C:\\dir\\Book.xlsx", &file), S_OK);
  EXPECT_EQ(DisplayName(file), L"C:\\dir\\Book.xlsx");
  DWORD kind = 0;
  file->IsSystemMoniker(&kind);
  EXPECT_EQ(kind, static_cast<DWORD>(MKSYS_FILEMONIKER));
  IMoniker* item = nullptr;
  ASSERT_EQ(CreateItemMoniker(L"!", L"Book2", &item), S_OK);
  EXPECT_EQ(DisplayName(item), L"!Book2");
  EXPECT_EQ(file->IsEqual(item), S_FALSE);
  file->Release();
  item->Release();
}

TEST_F(RunningObjectTableTest, MonikersCompareWithoutRegardToCaseBeyondAscii) {
  const struct Case {
    const wchar_t* first;
    const wchar_t* second;
    HRESULT equal;
  } kCases[] = {
      {L"C:\\Dir\\Book.xlsx", L"c:\\dir\\BOOK.XLSX", S_OK},
      {L"/data/\u00C9t\u00E9.xlsx", L"/DATA/\u00E9T\u00C9.XLSX", S_OK},
      {L"/data/\u0416\u0443\u0440\u043D\u0430\u043B.xlsx", L"/data/\u0436\u0423\u0440\u043D\u0410\u041B.xlsx", S_OK},
      {L"/data/a.xlsx", L"/data/b.xlsx", S_FALSE},
      {L"/data/a.xlsx", L"/data/a.xlsx ", S_FALSE},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.equal);
    IMoniker* first = nullptr;
    IMoniker* second = nullptr;
    CreateFileMoniker(c.first, &first);
    CreateFileMoniker(c.second, &second);
    EXPECT_EQ(first->IsEqual(second), c.equal);
    first->Release();
    second->Release();
  }
}

TEST_F(RunningObjectTableTest, ItemMonikerIsNotAFileMoniker) {
  IMoniker* file = nullptr;
  IMoniker* item = nullptr;
  CreateFileMoniker(L"!Book2", &file);
  ASSERT_EQ(CreateItemMoniker(L"!", L"Book2", &item), S_OK);
  EXPECT_EQ(file->IsEqual(item), S_FALSE);
  file->Release();
  item->Release();
}

TEST_F(RunningObjectTableTest, RegisteredObjectIsFoundByAnEqualMonikerUntilRevoked) {
  int live = 0;
  auto* workbook = new CountedDispatch(&live);
  IMoniker* registered = nullptr;
  ASSERT_EQ(CreateFileMoniker(L"/tmp/Book.xlsx", &registered), S_OK);
  DWORD cookie = 0;
  ASSERT_EQ(table_->Register(ROTFLAGS_REGISTRATIONKEEPSALIVE, workbook, registered, &cookie), S_OK);
  workbook->Release();  // the table's reference keeps the object alive
  registered->Release();
  EXPECT_EQ(live, 1);

  IMoniker* lookup = nullptr;
  ASSERT_EQ(CreateFileMoniker(L"/TMP/book.XLSX", &lookup), S_OK);
  EXPECT_EQ(table_->IsRunning(lookup), S_OK);
  IUnknown* found = nullptr;
  ASSERT_EQ(table_->GetObject(lookup, &found), S_OK);
  IDispatch* dispatch = nullptr;
  ASSERT_EQ(found->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)), S_OK);
  EXPECT_EQ(dispatch, workbook);
  dispatch->Release();
  found->Release();

  IDispatch* bound = nullptr;
  ASSERT_EQ(lookup->BindToObject(nullptr, nullptr, IID_IDispatch, reinterpret_cast<void**>(&bound)), S_OK);
  bound->Release();

  EXPECT_EQ(table_->Revoke(cookie), S_OK);
  EXPECT_EQ(live, 0);
  EXPECT_EQ(table_->Revoke(cookie), E_INVALIDARG);
  EXPECT_EQ(table_->IsRunning(lookup), S_FALSE);
  found = reinterpret_cast<IUnknown*>(0x1);
  EXPECT_EQ(table_->GetObject(lookup, &found), MK_E_UNAVAILABLE);
  EXPECT_EQ(found, nullptr);
  EXPECT_EQ(lookup->BindToObject(nullptr, nullptr, IID_IDispatch, reinterpret_cast<void**>(&bound)),
            MK_E_UNAVAILABLE);
  lookup->Release();
}

TEST_F(RunningObjectTableTest, EnumerationIsASnapshotThatHoldsItsMonikers) {
  int live = 0;
  const wchar_t* const kPaths[] = {L"/data/a.xlsx", L"/data/b.xlsx", L"/data/c.csv"};
  std::vector<DWORD> cookies;
  for (const wchar_t* path : kPaths) {
    auto* object = new CountedDispatch(&live);
    IMoniker* moniker = nullptr;
    CreateFileMoniker(path, &moniker);
    DWORD cookie = 0;
    ASSERT_EQ(table_->Register(0, object, moniker, &cookie), S_OK);
    cookies.push_back(cookie);
    object->Release();
    moniker->Release();
  }
  EXPECT_EQ(RunningNames(table_), (std::vector<std::wstring>{L"/data/a.xlsx", L"/data/b.xlsx", L"/data/c.csv"}));

  IEnumMoniker* snapshot = nullptr;
  ASSERT_EQ(table_->EnumRunning(&snapshot), S_OK);
  for (DWORD cookie : cookies) table_->Revoke(cookie);
  EXPECT_EQ(live, 0);
  EXPECT_TRUE(RunningNames(table_).empty());

  IMoniker* batch[4] = {};
  ULONG fetched = 0;
  EXPECT_EQ(snapshot->Next(4, batch, &fetched), S_FALSE);  // fewer than asked
  ASSERT_EQ(fetched, 3u);
  EXPECT_EQ(DisplayName(batch[2]), L"/data/c.csv");
  for (ULONG i = 0; i < fetched; ++i) batch[i]->Release();
  EXPECT_EQ(snapshot->Next(1, batch, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 0u);
  EXPECT_EQ(snapshot->Reset(), S_OK);
  EXPECT_EQ(snapshot->Skip(2), S_OK);
  IEnumMoniker* clone = nullptr;
  ASSERT_EQ(snapshot->Clone(&clone), S_OK);
  snapshot->Release();
  ASSERT_EQ(clone->Next(1, batch, nullptr), S_OK);
  EXPECT_EQ(DisplayName(batch[0]), L"/data/c.csv");
  batch[0]->Release();
  EXPECT_EQ(clone->Skip(1), S_FALSE);
  clone->Release();
}

TEST_F(RunningObjectTableTest, SecondRegistrationOfAnEqualMonikerIsReportedAndKept) {
  int live = 0;
  auto* first = new CountedDispatch(&live);
  auto* second = new CountedDispatch(&live);
  IMoniker* moniker = nullptr;
  CreateItemMoniker(L"!", L"Book1", &moniker);
  DWORD firstCookie = 0, secondCookie = 0;
  EXPECT_EQ(table_->Register(0, first, moniker, &firstCookie), S_OK);
  EXPECT_EQ(table_->Register(0, second, moniker, &secondCookie), MK_S_MONIKERALREADYREGISTERED);
  EXPECT_NE(firstCookie, secondCookie);
  first->Release();
  second->Release();

  IUnknown* found = nullptr;
  ASSERT_EQ(table_->GetObject(moniker, &found), S_OK);
  EXPECT_EQ(found, static_cast<IUnknown*>(first));
  found->Release();
  table_->Revoke(firstCookie);
  ASSERT_EQ(table_->GetObject(moniker, &found), S_OK);
  EXPECT_EQ(found, static_cast<IUnknown*>(second));
  found->Release();
  table_->Revoke(secondCookie);
  moniker->Release();
  EXPECT_EQ(live, 0);
}

TEST_F(RunningObjectTableTest, BadArgumentsAreRefused) {
  IMoniker* moniker = nullptr;
  CreateFileMoniker(L"/x", &moniker);
  DWORD cookie = 1;
  EXPECT_EQ(table_->Register(0, nullptr, moniker, &cookie), E_INVALIDARG);
  EXPECT_EQ(cookie, 0u);
  EXPECT_EQ(table_->EnumRunning(nullptr), E_INVALIDARG);
  moniker->Release();
  EXPECT_EQ(CreateFileMoniker(nullptr, &moniker), E_INVALIDARG);
  EXPECT_EQ(moniker, nullptr);
}

TEST(BindContext, HoldsBoundObjectsUntilReleased) {
  int live = 0;
  auto* object = new CountedDispatch(&live);
  IBindCtx* context = nullptr;
  ASSERT_EQ(CreateBindCtx(0, &context), S_OK);
  ASSERT_EQ(context->RegisterObjectBound(object), S_OK);
  object->Release();
  EXPECT_EQ(live, 1);
  context->Release();
  EXPECT_EQ(live, 0);
}

}  // namespace
