// Starting applications, opening and closing workbooks, the Running Object
// Table, macros, simulated busy answers and reference counts.
#include <filesystem>
#include <fstream>

#include "tests/server/server_fixture.h"

namespace sheetwright::test {

namespace {

namespace fs = std::filesystem;

class LifecycleTest : public ServerTest {
 protected:
  void SetUp() override {
    ServerTest::SetUp();
    dir_ = fs::temp_directory_path() / ("sw_server_" + std::to_string(::getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override {
    ServerTest::TearDown();
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  std::wstring WriteCsv(const std::string& name, const std::string& content) {
    const fs::path path = dir_ / name;
    std::ofstream(path) << content;
    return path.wstring();
  }
  Ref Open(const std::wstring& path) {
    Ref books = GetObject(app_.get(), L"Workbooks");
    Result opened = Get(books.get(), L"Open", {Str(path, L"Filename")});
    EXPECT_EQ(opened.hr, S_OK) << std::string(opened.description.begin(), opened.description.end());
    return Ref(opened.TakeObject());
  }
  // The object registered in the Running Object Table under displayName.
  Ref FindRunning(const std::wstring& displayName) {
    IRunningObjectTable* table = nullptr;
    if (FAILED(GetRunningObjectTable(0, &table))) return Ref();
    IEnumMoniker* monikers = nullptr;
    table->EnumRunning(&monikers);
    Ref found;
    IMoniker* moniker = nullptr;
    while (!found && monikers->Next(1, &moniker, nullptr) == S_OK) {
      IBindCtx* context = nullptr;
      CreateBindCtx(0, &context);
      LPOLESTR name = nullptr;
      if (SUCCEEDED(moniker->GetDisplayName(context, nullptr, &name)) && name && displayName == name) {
        IUnknown* object = nullptr;
        if (SUCCEEDED(table->GetObject(moniker, &object))) {
          IDispatch* dispatch = nullptr;
          object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
          object->Release();
          found = Ref(dispatch);
        }
      }
      CoTaskMemFree(name);
      context->Release();
      moniker->Release();
    }
    monikers->Release();
    table->Release();
    return found;
  }

  fs::path dir_;
};

std::vector<std::wstring> g_macroArgs;
const wchar_t* EchoMacro(int argc, const wchar_t* const* argv) {
  g_macroArgs.assign(argv, argv + argc);
  static std::wstring joined;
  joined.clear();
  for (int i = 0; i < argc; ++i) joined += (i ? L"|" : L"") + std::wstring(argv[i]);
  return joined.c_str();
}
const wchar_t* SilentMacro(int, const wchar_t* const*) { return nullptr; }

}  // namespace

TEST_F(LifecycleTest, OpenWorkbookIsInTheRunningObjectTableUntilClosed) {
  const std::wstring path = WriteCsv("book.csv", "a,1\nb,2\n");
  Ref book = Open(path);
  EXPECT_EQ(Get(book.get(), L"Name").Text(), L"book.csv");
  {
    Ref running = FindRunning(path);
    ASSERT_TRUE(running);
    EXPECT_EQ(Get(running.get(), L"FullName").Text(), path);
    Ref app = GetObject(running.get(), L"Application");
    Ref active = GetObject(app.get(), L"ActiveSheet");
    Ref cell = GetObject(active.get(), L"Range", {Str(L"B2")});
    EXPECT_EQ(Describe(Get(cell.get(), L"Value").value), L"R8:2");
  }
  ASSERT_EQ(Get(book.get(), L"Close").hr, S_OK);
  EXPECT_FALSE(FindRunning(path));
  // Objects of a closed workbook fail instead of reaching freed state.
  Result name = Get(book.get(), L"Name");
  EXPECT_EQ(name.hr, DISP_E_EXCEPTION);
  EXPECT_EQ(name.description, L"Object has been deleted.");
}

TEST_F(LifecycleTest, OpeningAnOpenPathGivesTheSameWorkbookAndMissingFilesFail) {
  const std::wstring path = WriteCsv("same.csv", "x\n");
  Ref first = Open(path);
  Ref cell = GetObject(GetObject(first.get(), L"ActiveSheet").get(), L"Range", {Str(L"A1")});
  ASSERT_EQ(Put(cell.get(), L"Value", Str(L"changed")).hr, S_OK);
  Ref second = Open((dir_ / "." / "same.csv").wstring());
  Ref again = GetObject(GetObject(second.get(), L"ActiveSheet").get(), L"Range", {Str(L"A1")});
  EXPECT_EQ(Describe(Get(again.get(), L"Value").value), L"BSTR:changed");
  Ref books = GetObject(app_.get(), L"Workbooks");
  EXPECT_EQ(Describe(Get(books.get(), L"Count").value), L"I4:2");

  Result missing = Get(books.get(), L"Open", {Str((dir_ / "absent.xlsx").wstring(), L"Filename")});
  EXPECT_EQ(missing.hr, DISP_E_EXCEPTION);
  EXPECT_EQ(missing.scode, SCODE(0x800A03EC));
  EXPECT_EQ(missing.source, L"Microsoft Excel");
  EXPECT_NE(missing.description.find(L"couldn't find"), std::wstring::npos);
}

TEST_F(LifecycleTest, PathsWithNonAsciiCharactersOpenSaveAndRegister) {
  const fs::path file = dir_ / fs::path(u8"Tabell\u00E9 \u6771\u4EAC \U0001F600.csv");
  std::ofstream(file) << "1,2\n";
  const std::wstring path = std::wstring(L"") + dir_.wstring() + L"/Tabell\u00E9 \u6771\u4EAC \U0001F600.csv";
  Ref book = Open(path);
  ASSERT_TRUE(book);
  EXPECT_EQ(Get(book.get(), L"Name").Text(), L"Tabell\u00E9 \u6771\u4EAC \U0001F600.csv");
  EXPECT_EQ(Get(book.get(), L"FullName").Text(), path);
  EXPECT_TRUE(FindRunning(path));
  Ref cell = GetObject(GetObject(book.get(), L"ActiveSheet").get(), L"Range", {Str(L"A1")});
  ASSERT_EQ(Put(cell.get(), L"Value", Str(L"\u00FCn\u00EFc\u00F6d\u00E9")).hr, S_OK);
  EXPECT_EQ(Method(book.get(), L"Save").hr, S_OK);
  ASSERT_EQ(Get(book.get(), L"Close").hr, S_OK);
  Ref reopened = Open(path);
  Ref again = GetObject(GetObject(reopened.get(), L"ActiveSheet").get(), L"Range", {Str(L"A1")});
  EXPECT_EQ(Describe(Get(again.get(), L"Value").value), L"BSTR:\u00FCn\u00EFc\u00F6d\u00E9");
}

TEST_F(LifecycleTest, SaveWritesTheFileAndCloseWithoutSaveDropsChanges) {
  const std::wstring path = WriteCsv("saved.csv", "1,2\n");
  {
    Ref book = Open(path);
    Ref cell = GetObject(GetObject(book.get(), L"ActiveSheet").get(), L"Range", {Str(L"A1")});
    ASSERT_EQ(Put(cell.get(), L"Value", Str(L"kept")).hr, S_OK);
    ASSERT_EQ(Method(book.get(), L"Save").hr, S_OK);
    ASSERT_EQ(Put(cell.get(), L"Value", Str(L"dropped")).hr, S_OK);
    ASSERT_EQ(Get(book.get(), L"Close").hr, S_OK);  // never prompts
  }
  Ref book = Open(path);
  Ref cell = GetObject(GetObject(book.get(), L"ActiveSheet").get(), L"Range", {Str(L"A1")});
  EXPECT_EQ(Describe(Get(cell.get(), L"Value").value), L"BSTR:kept");
}

TEST_F(LifecycleTest, NewWorkbookNeedsSaveAsAndIsRegisteredUnderItsNewPath) {
  Ref cell = RangeOf(L"B2");
  ASSERT_EQ(Put(cell.get(), L"Value", Str(L"50%")).hr, S_OK);
  Result save = Method(book_.get(), L"Save");
  EXPECT_EQ(save.hr, DISP_E_EXCEPTION);
  EXPECT_EQ(save.description, L"Save method of Workbook class failed");
  EXPECT_TRUE(FindRunning(L"Book1"));
  const std::wstring path = (dir_ / "new.xlsx").wstring();
  ASSERT_EQ(Method(book_.get(), L"SaveAs", {Str(path, L"Filename")}).hr, S_OK);
  EXPECT_FALSE(FindRunning(L"Book1"));
  EXPECT_TRUE(FindRunning(path));
  EXPECT_EQ(Describe(Get(book_.get(), L"Saved").value), L"BOOL:1");
  ASSERT_EQ(Get(book_.get(), L"Close").hr, S_OK);
  Ref reopened = Open(path);
  Ref again = GetObject(GetObject(reopened.get(), L"ActiveSheet").get(), L"Range", {Str(L"B2")});
  EXPECT_EQ(Describe(Get(again.get(), L"Value").value), L"R8:0.5");
  EXPECT_EQ(Get(again.get(), L"Text").Text(), L"50%");
}

TEST_F(LifecycleTest, WorkbookCanBeRegisteredUnderAUrlToo) {
  const std::wstring path = WriteCsv("shared.csv", "1\n");
  Ref book = Open(path);
  const std::wstring url = L"https://example.com/sites/team/Shared%20Documents/shared.csv";
  ASSERT_EQ(SheetwrightRegisterRunningWorkbook(path.c_str(), url.c_str()), 1);
  EXPECT_TRUE(FindRunning(url));
  EXPECT_EQ(SheetwrightRegisterRunningWorkbook(L"/no/such/book.xlsx", url.c_str()), 0);
  ASSERT_EQ(Get(book.get(), L"Close").hr, S_OK);
  EXPECT_FALSE(FindRunning(url));
}

TEST_F(LifecycleTest, EachCreateInstanceStartsAnotherApplication) {
  Ref second = StartApplication();
  Ref books = GetObject(second.get(), L"Workbooks");
  EXPECT_EQ(Describe(Get(books.get(), L"Count").value), L"I4:0");
  EXPECT_EQ(Get(second.get(), L"ActiveCell").hr, DISP_E_EXCEPTION);
  Ref mine = GetObject(app_.get(), L"Workbooks");
  EXPECT_EQ(Describe(Get(mine.get(), L"Count").value), L"I4:1");
}

TEST_F(LifecycleTest, RunCallsRegisteredMacrosByNameOrPosition) {
  ASSERT_EQ(SheetwrightRegisterMacro(L"Echo", EchoMacro), 1);
  ASSERT_EQ(SheetwrightRegisterMacro(L"Silent", SilentMacro), 1);
  Result named = Method(app_.get(), L"Run", {Str(L"echo", L"Macro"), Str(L"a", L"Arg1"), Str(L"b", L"Arg2")});
  ASSERT_EQ(named.hr, S_OK);
  EXPECT_EQ(named.Text(), L"a|b");
  Result positional = Method(app_.get(), L"Run", {Str(L"Book1.xlsm!Module1.Echo"), Str(L"x"), I4(3)});
  EXPECT_EQ(positional.Text(), L"x|3");
  std::vector<Arg> many{Str(L"Echo", L"Macro")};
  static std::vector<std::wstring> names;
  names.clear();
  for (int i = 1; i <= 30; ++i) names.push_back(L"Arg" + std::to_wstring(i));
  for (int i = 1; i <= 30; ++i) many.push_back(Str(std::to_wstring(i), names[size_t(i - 1)].c_str()));
  ASSERT_EQ(Method(app_.get(), L"Run", std::move(many)).hr, S_OK);
  EXPECT_EQ(g_macroArgs.size(), 30u);
  EXPECT_EQ(g_macroArgs.back(), L"30");

  Result silent = Method(app_.get(), L"Run", {Str(L"Silent", L"Macro")});
  EXPECT_EQ(silent.hr, S_OK);
  EXPECT_EQ(silent.value.vt, VT_EMPTY);

  ASSERT_EQ(SheetwrightRegisterMacro(L"Silent", nullptr), 1);
  Result unknown = Method(app_.get(), L"Run", {Str(L"Silent", L"Macro")});
  EXPECT_EQ(unknown.hr, DISP_E_EXCEPTION);
  EXPECT_EQ(unknown.scode, SCODE(0x800A03EC));
  EXPECT_EQ(unknown.description,
            L"Cannot run the macro 'Silent'. The macro may not be available in this workbook or all macros may be "
            L"disabled.");
  EXPECT_EQ(SheetwrightRegisterMacro(nullptr, EchoMacro), 0);
  SheetwrightRegisterMacro(L"Echo", nullptr);
}

TEST_F(LifecycleTest, SimulatedBusyAnswersTheNextCallsThenRecovers) {
  LPOLESTR name = const_cast<LPOLESTR>(L"DisplayAlerts");
  DISPID id = 0;
  ASSERT_EQ(app_.get()->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
  VARIANT value;
  value.vt = VT_BOOL;
  value.boolVal = VARIANT_FALSE;
  DISPID putId = DISPID_PROPERTYPUT;
  DISPPARAMS params{&value, &putId, 1, 1};
  for (HRESULT busy : {RPC_E_CALL_REJECTED, HRESULT(0x800AC472)}) {
    SheetwrightSimulateBusy(2, busy);
    DISPID again = 0;
    EXPECT_EQ(app_.get()->GetIDsOfNames(IID_NULL, &name, 1, 0, &again), busy);
    EXPECT_EQ(app_.get()->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr), busy);
    EXPECT_EQ(app_.get()->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr), S_OK);
  }
  SheetwrightSimulateBusy(0, RPC_E_CALL_REJECTED);
}

TEST_F(LifecycleTest, NothingStaysAliveAfterCloseAndRelease) {
  const std::wstring path = WriteCsv("alive.csv", "1\n");
  const int before = SheetwrightLiveServerObjects();
  {
    Ref book = Open(path);
    Ref sheet = GetObject(book.get(), L"ActiveSheet");
    Ref range = GetObject(sheet.get(), L"Range", {Str(L"A1:B2")});
    Ref rows = GetObject(range.get(), L"Rows");
    EXPECT_GT(SheetwrightLiveServerObjects(), before);
    ASSERT_EQ(Get(book.get(), L"Close").hr, S_OK);
  }
  // The table let go of the closed workbook: only the fixture's objects remain.
  EXPECT_EQ(SheetwrightLiveServerObjects(), before);
  Ref kept = Open(path);
  kept.Reset();
  // Released but open: the table keeps it, as a running application would.
  EXPECT_TRUE(FindRunning(path));
  ASSERT_EQ(Method(app_.get(), L"Quit").hr, S_OK);
  EXPECT_FALSE(FindRunning(path));
}

}  // namespace sheetwright::test
