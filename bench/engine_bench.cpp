// Cell engine figures, reached the way the library reaches the server:
// CLSIDFromProgID + CoCreateInstance and IDispatch calls. Data is built in
// memory through "Value" puts of arrays.
//   engine_value_array_1m_cells_s   "Value" of a 100,000 x 10 block of numbers and texts
//   engine_delete_100k_rows_s       100,000 single-row deletions, top-down, every other row of 200,000
//   engine_find_20k_matches_s       Find chained by After over all 20,000 matches of a 4,000 x 5 block
//   engine_bytes_per_numeric_cell   resident memory of a 1,000,000-cell numeric sheet per cell
#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_registry.h"
#include "platform/windows_api.h"

namespace {

// An owned IDispatch reference.
struct Object {
  IDispatch* p = nullptr;
  Object() = default;
  explicit Object(IDispatch* owned) : p(owned) {}
  Object(Object&& o) noexcept : p(o.p) { o.p = nullptr; }
  Object& operator=(Object&& o) noexcept {
    std::swap(p, o.p);
    return *this;
  }
  ~Object() {
    if (p) p->Release();
  }
};

struct NamedArg {
  const wchar_t* name;  // null = positional
  VARIANT value;
};

NamedArg Text(const std::wstring& text, const wchar_t* name = nullptr) {
  NamedArg a{name, {}};
  a.value.vt = VT_BSTR;
  a.value.bstrVal = SysAllocStringLen(text.data(), UINT(text.size()));
  return a;
}
NamedArg Short(short v, const wchar_t* name = nullptr) {
  NamedArg a{name, {}};
  a.value.vt = VT_I2;
  a.value.iVal = v;
  return a;
}
NamedArg Dispatch(IDispatch* object, const wchar_t* name) {
  NamedArg a{name, {}};
  a.value.vt = VT_DISPATCH;
  a.value.pdispVal = object;
  object->AddRef();
  return a;
}

// One late-bound call as the library makes it: named arguments first, then
// the positional ones reversed; a put passes its value as DISPID_PROPERTYPUT.
// Consumes the arguments (and putValue); the result, if any, goes to *out.
HRESULT Invoke(IDispatch* target, const wchar_t* member, WORD kind, std::vector<NamedArg> args, VARIANT* out,
               NamedArg* putValue = nullptr) {
  std::vector<LPOLESTR> names{const_cast<LPOLESTR>(member)};
  for (auto& a : args)
    if (a.name) names.push_back(const_cast<LPOLESTR>(a.name));
  std::vector<DISPID> ids(names.size());
  HRESULT hr = target->GetIDsOfNames(IID_NULL, names.data(), UINT(names.size()), LOCALE_SYSTEM_DEFAULT, ids.data());
  if (SUCCEEDED(hr)) {
    std::vector<VARIANT> rgvarg;
    std::vector<DISPID> named;
    if (putValue) {
      rgvarg.push_back(putValue->value);
      named.push_back(DISPID_PROPERTYPUT);
    }
    size_t n = 1;
    for (auto& a : args)
      if (a.name) {
        rgvarg.push_back(a.value);
        named.push_back(ids[n++]);
      }
    for (size_t i = args.size(); i-- > 0;)
      if (!args[i].name) rgvarg.push_back(args[i].value);
    DISPPARAMS params{rgvarg.data(), named.data(), UINT(rgvarg.size()), UINT(named.size())};
    EXCEPINFO excep{};
    hr = target->Invoke(ids[0], IID_NULL, LOCALE_SYSTEM_DEFAULT, kind, &params, out, &excep, nullptr);
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
  }
  for (auto& a : args) VariantClear(&a.value);
  if (putValue) VariantClear(&putValue->value);
  return hr;
}

Object GetObj(IDispatch* target, const wchar_t* member, std::vector<NamedArg> args = {},
              WORD kind = DISPATCH_PROPERTYGET) {
  VARIANT result;
  VariantInit(&result);
  if (FAILED(Invoke(target, member, kind, std::move(args), &result)) || result.vt != VT_DISPATCH) {
    VariantClear(&result);
    return Object();
  }
  return Object(result.pdispVal);
}

// A running application with one new workbook; the sheet is its active sheet.
struct Session {
  Object app, book, sheet;
  Session() {
    CoInitialize(nullptr);
    CLSID clsid{};
    CLSIDFromProgID(L"Excel.Application", &clsid);
    IDispatch* created = nullptr;
    CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, reinterpret_cast<void**>(&created));
    app = Object(created);
    Object books = GetObj(app.p, L"Workbooks");
    book = GetObj(books.p, L"Add", {}, DISPATCH_METHOD);
    sheet = GetObj(book.p, L"ActiveSheet");
  }
  ~Session() {
    VARIANT ignored;
    VariantInit(&ignored);
    if (app.p) Invoke(app.p, L"Quit", DISPATCH_METHOD, {}, &ignored);
    VariantClear(&ignored);
    sheet = Object();
    book = Object();
    app = Object();
    CoUninitialize();
  }
  // Puts rows x cols values made by make(r, c) (0-based) at (row, col).
  template <class Make>
  void PutBlock(int row, int col, int rows, int cols, Make make) {
    SAFEARRAYBOUND bounds[2] = {{ULONG(rows), 1}, {ULONG(cols), 1}};
    SAFEARRAY* array = SafeArrayCreate(VT_VARIANT, 2, bounds);
    VARIANT* data = nullptr;
    SafeArrayAccessData(array, reinterpret_cast<void**>(&data));
    for (int c = 0; c < cols; ++c)
      for (int r = 0; r < rows; ++r) data[size_t(r) + size_t(c) * size_t(rows)] = make(r, c);
    SafeArrayUnaccessData(array);
    const std::wstring address = Address(row, col) + L":" + Address(row + rows - 1, col + cols - 1);
    Object block = GetObj(sheet.p, L"Range", {Text(address)});
    NamedArg value{nullptr, {}};
    value.value.vt = VT_ARRAY | VT_VARIANT;
    value.value.parray = array;
    Invoke(block.p, L"Value2", DISPATCH_PROPERTYPUT, {}, nullptr, &value);
  }
  static std::wstring Address(int row, int col) {
    std::wstring letters;
    for (int c = col; c > 0; c = (c - 1) / 26) letters.insert(letters.begin(), wchar_t(L'A' + (c - 1) % 26));
    return letters + std::to_wstring(row);
  }
};

VARIANT Number(double v) {
  VARIANT x;
  x.vt = VT_R8;
  x.dblVal = v;
  return x;
}
VARIANT TextValue(const std::wstring& text) {
  VARIANT x;
  x.vt = VT_BSTR;
  x.bstrVal = SysAllocStringLen(text.data(), UINT(text.size()));
  return x;
}

}  // namespace

SW_BENCHMARK(engine_value_array) {
  Session session;
  const int rows = 100000, cols = 10;
  for (int top = 1; top <= rows; top += 5000)
    session.PutBlock(top, 1, 5000, cols, [&](int r, int c) {
      const int row = top + r;
      return c % 2 == 0 ? Number(row * 10.0 + c) : TextValue(L"r" + std::to_wstring(row) + L"c" + std::to_wstring(c));
    });
  Object block = GetObj(session.sheet.p, L"Range", {Text(L"A1:J100000")});
  VARIANT value;
  VariantInit(&value);
  malloc_trim(0);  // the fill's freed arrays are not part of the read
  const double start = sheetwright::bench::NowSeconds();
  const HRESULT hr = Invoke(block.p, L"Value", DISPATCH_PROPERTYGET, {Short(10, L"RangeValueDataType")}, &value);
  const double seconds = sheetwright::bench::NowSeconds() - start;
  if (FAILED(hr) || value.vt != (VT_ARRAY | VT_VARIANT)) report.Note("Value of the block failed");
  VariantClear(&value);
  report.Figure("engine_value_array_1m_cells_s", seconds, "s");
}

SW_BENCHMARK(engine_delete_rows) {
  Session session;
  const int rows = 200000;
  for (int top = 1; top <= rows; top += 20000)
    session.PutBlock(top, 1, 20000, 2, [&](int r, int c) { return Number((top + r) * 2.0 + c); });
  const double start = sheetwright::bench::NowSeconds();
  // Every other row, top-down: after i deletions the next one is row i + 2.
  for (int i = 0; i < rows / 2; ++i) {
    Object cell = GetObj(session.sheet.p, L"Range", {Text(L"A" + std::to_wstring(i + 2))});
    Object row = GetObj(cell.p, L"EntireRow");
    VARIANT ignored;
    VariantInit(&ignored);
    Invoke(row.p, L"Delete", DISPATCH_PROPERTYGET, {}, &ignored);
    VariantClear(&ignored);
  }
  const double seconds = sheetwright::bench::NowSeconds() - start;
  VARIANT check;
  VariantInit(&check);
  Object last = GetObj(session.sheet.p, L"Range", {Text(L"A100000")});
  Invoke(last.p, L"Value2", DISPATCH_PROPERTYGET, {}, &check);
  if (check.vt != VT_R8 || check.dblVal != 199999 * 2.0) report.Note("unexpected sheet after the deletions");
  report.Figure("engine_delete_100k_rows_s", seconds, "s");
}

SW_BENCHMARK(engine_find_chain) {
  Session session;
  session.PutBlock(1, 1, 4000, 5, [&](int r, int c) { return TextValue(L"match " + std::to_wstring(r * 5 + c)); });
  Object block = GetObj(session.sheet.p, L"Range", {Text(L"A1:E4000")});
  const double start = sheetwright::bench::NowSeconds();
  Object after;
  int found = 0;
  for (; found < 20000; ++found) {
    std::vector<NamedArg> args{Text(L"match", L"What"), Short(-4163, L"LookIn"), Short(2, L"LookAt"),
                               Short(1, L"SearchOrder"), Short(1, L"SearchDirection")};
    if (after.p) args.push_back(Dispatch(after.p, L"After"));
    Object cell = GetObj(block.p, L"Find", std::move(args), DISPATCH_METHOD);
    if (!cell.p) break;
    after = std::move(cell);
  }
  const double seconds = sheetwright::bench::NowSeconds() - start;
  if (found != 20000) report.Note("Find stopped early");
  report.Figure("engine_find_20k_matches_s", seconds, "s");
}

// Resident memory is measured in a fresh process: the heap that earlier
// benchmarks freed would otherwise absorb the sheet and hide its cost.
SW_BENCHMARK(engine_numeric_memory) {
  char self[4096] = {};
  if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0) return;
  setenv("SW_ENGINE_MEMORY_PROBE", "1", 1);
  FILE* child = popen((std::string("'") + self + "' engine_numeric_memory_probe").c_str(), "r");
  unsetenv("SW_ENGINE_MEMORY_PROBE");
  if (!child) return;
  char line[512];
  const std::string key = "engine_bytes_per_numeric_cell: ";
  while (std::fgets(line, sizeof line, child)) {
    const std::string text(line);
    if (text.rfind(key, 0) == 0) report.Figure("engine_bytes_per_numeric_cell", std::atof(text.c_str() + key.size()), "B");
  }
  pclose(child);
}

SW_BENCHMARK(engine_numeric_memory_probe) {
  if (!std::getenv("SW_ENGINE_MEMORY_PROBE")) return;
  Session session;
  const double before = sheetwright::bench::CurrentResidentMiB();
  for (int top = 1; top <= 1000; top += 10)
    session.PutBlock(top, 1, 10, 1000, [&](int r, int c) { return Number((top + r) * 1000.0 + c); });
  const double after = sheetwright::bench::CurrentResidentMiB();
  report.Figure("engine_bytes_per_numeric_cell", (after - before) * 1024.0 * 1024.0 / 1e6, "B");
}
