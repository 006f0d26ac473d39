// Application and Workbooks objects.
//
// Application members: Workbooks G; Visible, DisplayAlerts G/P;
// ActiveWorkbook, ActiveSheet, ActiveCell, Selection G; Quit M/G; Run M/G Macro,
// Arg1..Arg30; Union G/M Arg1..Arg30 (two or more ranges of one sheet);
// Range G Cell1, [Cell2] (on the active sheet); Name, Application G.
//
// Workbooks members: Count G; Item G Index (default member); Open M/G
// Filename, ...; Add M/G; Close M/G; Application G.
#include <algorithm>

#include "server/com/dispatch_object.h"
#include "server/com/macro_registry.h"
#include "server/com/object_factory.h"
#include "server/com/range_object.h"
#include "server/engine/calculation.h"
#include "server/engine/reference_adjust.h"
#include "server/engine/workbook.h"

namespace sheetwright::server {

using engine::CellRect;

namespace {

constexpr size_t kMaxNumberedArguments = 30;

// The active workbook's active sheet when it is a worksheet.
std::pair<std::shared_ptr<BookState>, engine::Sheet*> ActiveWorksheet(AppState& app, const wchar_t* member) {
  auto book = app.ActiveBook();
  if (!book || book->book.sheets.empty()) ThrowUnableToGet(member, L"Application");
  engine::Workbook& wb = book->book;
  if (wb.activeSheet >= wb.sheets.size()) wb.activeSheet = 0;
  engine::Sheet* sheet = wb.sheets[wb.activeSheet].get();
  if (sheet->kind != engine::SheetKind::Worksheet) ThrowUnableToGet(member, L"Application");
  return {book, sheet};
}

class WorkbooksObject : public DispatchObject {
 public:
  explicit WorkbooksObject(std::shared_ptr<AppState> app) : app_(std::move(app)) {}
  SW_DISPATCH_MEMBERS(WorkbooksObject)

 private:
  void Count(Call& call) { call.ReturnLong(LONG(app_->books.size())); }
  void Item(Call& call) {
    if (!call.args.Has(0)) ThrowResult(DISP_E_PARAMNOTOPTIONAL);
    const VARIANT* v = call.args.Raw(0);
    std::shared_ptr<BookState> found;
    if (v->vt == VT_BSTR) {
      std::wstring_view name(v->bstrVal ? v->bstrVal : L"", SysStringLen(v->bstrVal));
      for (const auto& book : app_->books)
        if (engine::EqualsNoCase(book->book.name, name)) found = book;
    } else {
      const int64_t index = *call.args.Integer(0);
      if (index >= 1 && size_t(index) <= app_->books.size()) found = app_->books[size_t(index - 1)];
    }
    if (!found) throw ComError{DISP_E_EXCEPTION, DISP_E_BADINDEX, L"Subscript out of range", kNoArgument};
    call.ReturnObject(NewWorkbookObject(found));
  }
  void Open(Call& call) {
    if (!call.args.Has(0)) ThrowResult(DISP_E_PARAMNOTOPTIONAL);
    call.ReturnObject(NewWorkbookObject(app_->Open(*call.args.Text(0))));
  }
  void Add(Call& call) { call.ReturnObject(NewWorkbookObject(app_->Add())); }
  void Close(Call& call) {
    app_->Quit();
    call.ReturnBool(true);
  }
  void Application(Call& call) { call.ReturnObject(NewApplicationObject(app_)); }

  std::shared_ptr<AppState> app_;
};

const MemberTable<WorkbooksObject>& WorkbooksObject::Table() {
  static const MemberTable<WorkbooksObject> table(
      {
          {{L"Count", kGet, {}}, &WorkbooksObject::Count},
          {{L"Item", kGet, {L"Index"}}, &WorkbooksObject::Item},
          {{L"Open", kMethod | kGet,
            {L"Filename", L"UpdateLinks", L"ReadOnly", L"Format", L"Password", L"WriteResPassword",
             L"IgnoreReadOnlyRecommended", L"Origin", L"Delimiter", L"Editable", L"Notify", L"Converter",
             L"AddToMru", L"Local", L"CorruptLoad"}},
           &WorkbooksObject::Open},
          {{L"Add", kMethod | kGet, {L"Template"}}, &WorkbooksObject::Add},
          {{L"Close", kMethod | kGet, {}}, &WorkbooksObject::Close},
          {{L"Application", kGet, {}}, &WorkbooksObject::Application},
      },
      L"Item");
  return table;
}

class ApplicationObject : public DispatchObject {
 public:
  explicit ApplicationObject(std::shared_ptr<AppState> app) : app_(std::move(app)) {}
  SW_DISPATCH_MEMBERS(ApplicationObject)

 private:
  bool PutFlag(Call& call) {
    VARIANT flag = Arguments::Coerce(call.args.PutValue(), VT_BOOL, call.args.PutValueIndex());
    return flag.boolVal != VARIANT_FALSE;
  }
  void Workbooks(Call& call) { call.ReturnObject(NewWorkbooksObject(app_)); }
  void Visible(Call& call) {
    if (!call.IsPut()) return call.ReturnBool(app_->visible);
    app_->visible = PutFlag(call);
  }
  void DisplayAlerts(Call& call) {
    if (!call.IsPut()) return call.ReturnBool(app_->displayAlerts);
    app_->displayAlerts = PutFlag(call);
  }
  void ActiveWorkbook(Call& call) {
    auto book = app_->ActiveBook();
    call.ReturnObject(book ? NewWorkbookObject(book) : nullptr);
  }
  void ActiveSheet(Call& call) {
    auto book = app_->ActiveBook();
    if (!book || book->book.sheets.empty()) return call.ReturnObject(nullptr);
    engine::Workbook& wb = book->book;
    if (wb.activeSheet >= wb.sheets.size()) wb.activeSheet = 0;
    call.ReturnObject(NewWorksheetObject(book, wb.sheets[wb.activeSheet].get()));
  }
  void ActiveCell(Call& call) {
    auto [book, sheet] = ActiveWorksheet(*app_, L"ActiveCell");
    call.ReturnObject(
        RangeObject::New(book, sheet, {CellRect{sheet->activeRow, sheet->activeCol, sheet->activeRow, sheet->activeCol}}));
  }
  void Selection(Call& call) {
    auto [book, sheet] = ActiveWorksheet(*app_, L"Selection");
    std::vector<CellRect> areas = sheet->selection;
    if (areas.empty()) areas.push_back(CellRect{sheet->activeRow, sheet->activeCol, sheet->activeRow, sheet->activeCol});
    call.ReturnObject(RangeObject::New(book, sheet, std::move(areas)));
  }
  // Calculate: the volatile formulas of every open workbook (the others are
  // kept calculated as cells change); CalculateFull: every formula.
  void Calculate(Call& call) {
    for (const auto& book : app_->books) {
      engine::SettleFormulaReferences(book->book);
      book->book.calculation->Recalculate();
    }
    call.ReturnBool(true);
  }
  void CalculateFull(Call& call) {
    for (const auto& book : app_->books) {
      engine::SettleFormulaReferences(book->book);
      book->book.calculation->CalculateFull();
    }
    call.ReturnBool(true);
  }
  void Quit(Call& call) {
    app_->Quit();
    call.ReturnBool(true);
  }
  void Run(Call& call) {
    const auto& args = call.args;
    if (!args.Has(0)) ThrowResult(DISP_E_PARAMNOTOPTIONAL);
    const std::wstring name = *args.Text(0);
    SheetwrightMacroCallback macro = FindMacro(name);
    if (!macro)
      ThrowApplicationError(L"Cannot run the macro '" + name +
                            L"'. The macro may not be available in this workbook or all macros may be disabled.");
    // Arguments up to the last one given; omitted ones in between are empty.
    size_t count = 0;
    for (size_t i = 1; i < args.size(); ++i)
      if (args.Has(i)) count = i;
    std::vector<std::wstring> texts;
    for (size_t i = 1; i <= count; ++i) texts.push_back(args.Has(i) ? *args.Text(i) : std::wstring());
    std::vector<const wchar_t*> argv;
    for (const std::wstring& text : texts) argv.push_back(text.c_str());
    argv.push_back(nullptr);
    const wchar_t* value = macro(int(texts.size()), argv.data());
    if (value) call.ReturnText(value);
  }
  void Union(Call& call) {
    const auto& args = call.args;
    std::shared_ptr<BookState> book;
    engine::Sheet* sheet = nullptr;
    size_t given = 0, total = 0;
    for (size_t i = 0; i < args.size(); ++i) {
      if (!args.Has(i)) continue;
      RangeObject* range = RangeObject::From(args.Object(i));
      if (!range) ThrowResult(DISP_E_TYPEMISMATCH, args.IndexOf(i));
      ++given;
      if (sheet && range->sheet() != sheet) ThrowApplicationError(L"Method 'Union' of object '_Application' failed");
      book = range->book();
      sheet = range->sheet();
      total += range->areas().size();
    }
    if (given < 2) ThrowResult(DISP_E_PARAMNOTOPTIONAL);
    // The areas in order, each once. Areas already taken are found in an
    // open-addressing table of their positions (at most half full), so that
    // a union built up piece by piece from thousands of cells stays linear
    // and costs two allocations.
    std::vector<CellRect> areas;
    areas.reserve(total);
    size_t slots = 16;
    while (slots < 2 * total) slots *= 2;
    std::vector<uint32_t> taken(slots, 0);  // position + 1; 0 is free
    for (size_t i = 0; i < args.size(); ++i) {
      if (!args.Has(i)) continue;
      for (const CellRect& a : RangeObject::From(args.Object(i))->areas()) {
        uint64_t hash = (uint64_t(uint32_t(a.r1)) * 16385u + uint32_t(a.c1)) * 0x9E3779B97F4A7C15ull ^
                        (uint64_t(uint32_t(a.r2)) << 20) ^ uint64_t(uint32_t(a.c2));
        hash ^= hash >> 29;
        size_t slot = size_t(hash) & (slots - 1);
        while (taken[slot] != 0 && !(areas[taken[slot] - 1] == a)) slot = (slot + 1) & (slots - 1);
        if (taken[slot] != 0) continue;
        areas.push_back(a);
        taken[slot] = uint32_t(areas.size());
      }
    }
    book->CheckOpen();
    call.ReturnObject(RangeObject::New(book, sheet, areas));
  }
  void Range(Call& call) {
    auto [book, sheet] = ActiveWorksheet(*app_, L"Range");
    call.ReturnObject(WorksheetRange(book, sheet, call.args));
  }
  void Name(Call& call) { call.ReturnText(L"Microsoft Excel"); }
  void Application(Call& call) { call.ReturnObject(NewApplicationObject(app_)); }

  std::shared_ptr<AppState> app_;
};

std::vector<const wchar_t*> RunParameters() {
  std::vector<const wchar_t*> params{L"Macro"};
  for (const wchar_t* name : NumberedParameters(L"Arg", kMaxNumberedArguments)) params.push_back(name);
  return params;
}

const MemberTable<ApplicationObject>& ApplicationObject::Table() {
  static const MemberTable<ApplicationObject> table({
      {{L"Workbooks", kGet, {}}, &ApplicationObject::Workbooks},
      {{L"Visible", kGet | kPut, {}}, &ApplicationObject::Visible},
      {{L"DisplayAlerts", kGet | kPut, {}}, &ApplicationObject::DisplayAlerts},
      {{L"ActiveWorkbook", kGet, {}}, &ApplicationObject::ActiveWorkbook},
      {{L"ActiveSheet", kGet, {}}, &ApplicationObject::ActiveSheet},
      {{L"ActiveCell", kGet, {}}, &ApplicationObject::ActiveCell},
      {{L"Selection", kGet, {}}, &ApplicationObject::Selection},
      {{L"Quit", kMethod | kGet, {}}, &ApplicationObject::Quit},
      {{L"Calculate", kMethod | kGet, {}}, &ApplicationObject::Calculate},
      {{L"CalculateFull", kMethod | kGet, {}}, &ApplicationObject::CalculateFull},
      {{L"Run", kMethod | kGet, RunParameters()}, &ApplicationObject::Run},
      {{L"Union", kGet | kMethod, NumberedParameters(L"Arg", kMaxNumberedArguments)}, &ApplicationObject::Union},
      {{L"Range", kGet, {L"Cell1", L"Cell2"}}, &ApplicationObject::Range},
      {{L"Name", kGet, {}}, &ApplicationObject::Name},
      {{L"Application", kGet, {}}, &ApplicationObject::Application},
  });
  return table;
}

}  // namespace

IDispatch* NewApplicationObject(std::shared_ptr<AppState> app) {
  if (!app) ThrowApplicationError(L"Object has been deleted.");
  return new ApplicationObject(std::move(app));
}

IDispatch* NewWorkbooksObject(std::shared_ptr<AppState> app) { return new WorkbooksObject(std::move(app)); }

}  // namespace sheetwright::server
