// Workbook objects and their Sheets / Worksheets collections.
//
// Workbook members: Application, Parent G; ActiveSheet G; Sheets,
// Worksheets G [Index] (a name, case-insensitive, or a 1-based index; the
// collection without one); Activate M/G; Save M/G; SaveAs M Filename;
// Close M/G [SaveChanges, Filename]; Name, FullName, Path G; Saved G/P.
// Close never prompts: without SaveChanges (or with False) unsaved changes
// are dropped, as with alerts off.
//
// Sheets members: Count G; Item G Index (default member); Application G.
#include <filesystem>

#include "server/com/path_text.h"
#include "server/com/dispatch_object.h"
#include "server/com/object_factory.h"
#include "server/com/running_objects.h"
#include "server/com/workbook_storage.h"
#include "server/engine/reference_adjust.h"
#include "server/engine/workbook.h"

namespace sheetwright::server {

namespace {

constexpr const wchar_t* kClass = L"Workbook";

// The sheet an Index argument names in Sheets (all) or Worksheets (only
// worksheets). Throws "Subscript out of range" when there is none.
engine::Sheet* SheetByIndex(engine::Workbook& book, const Arguments& args, size_t i, bool worksheetsOnly) {
  const VARIANT* v = args.Raw(i);
  engine::Sheet* sheet = nullptr;
  if (v->vt == VT_BSTR) {
    sheet = book.FindSheet(std::wstring_view(v->bstrVal ? v->bstrVal : L"", SysStringLen(v->bstrVal)));
    if (sheet && worksheetsOnly && sheet->kind != engine::SheetKind::Worksheet) sheet = nullptr;
  } else {
    const int64_t index = *args.Integer(i);
    if (index >= 1) {
      if (worksheetsOnly) {
        sheet = book.WorksheetAt(size_t(index - 1));
      } else if (size_t(index) <= book.sheets.size()) {
        sheet = book.sheets[size_t(index - 1)].get();
      }
    }
  }
  if (!sheet) throw ComError{DISP_E_EXCEPTION, DISP_E_BADINDEX, L"Subscript out of range", kNoArgument};
  return sheet;
}

class SheetsObject : public DispatchObject {
 public:
  SheetsObject(std::shared_ptr<BookState> book, bool worksheetsOnly)
      : book_(std::move(book)), worksheetsOnly_(worksheetsOnly) {}
  SW_DISPATCH_MEMBERS(SheetsObject)

 private:
  void Count(Call& call) {
    book_->CheckOpen();
    call.ReturnLong(LONG(worksheetsOnly_ ? book_->book.WorksheetCount() : book_->book.sheets.size()));
  }
  void Item(Call& call) {
    book_->CheckOpen();
    if (!call.args.Has(0)) ThrowResult(DISP_E_PARAMNOTOPTIONAL);
    call.ReturnObject(NewWorksheetObject(book_, SheetByIndex(book_->book, call.args, 0, worksheetsOnly_)));
  }
  void Application(Call& call) {
    book_->CheckOpen();
    call.ReturnObject(NewApplicationObject(book_->app));
  }

  std::shared_ptr<BookState> book_;
  bool worksheetsOnly_;
};

const MemberTable<SheetsObject>& SheetsObject::Table() {
  static const MemberTable<SheetsObject> table(
      {
          {{L"Count", kGet, {}}, &SheetsObject::Count},
          {{L"Item", kGet, {L"Index"}}, &SheetsObject::Item},
          {{L"Application", kGet, {}}, &SheetsObject::Application},
      },
      L"Item");
  return table;
}

class WorkbookObject : public DispatchObject {
 public:
  explicit WorkbookObject(std::shared_ptr<BookState> book) : book_(std::move(book)) {}
  SW_DISPATCH_MEMBERS(WorkbookObject)

 private:
  engine::Workbook& Book() const {
    book_->CheckOpen();
    return book_->book;
  }
  void Application(Call& call) {
    Book();
    call.ReturnObject(NewApplicationObject(book_->app));
  }
  void ActiveSheet(Call& call) {
    engine::Workbook& book = Book();
    if (book.sheets.empty()) return call.ReturnObject(nullptr);
    if (book.activeSheet >= book.sheets.size()) book.activeSheet = 0;
    call.ReturnObject(NewWorksheetObject(book_, book.sheets[book.activeSheet].get()));
  }
  void SheetsMember(Call& call, bool worksheetsOnly) {
    engine::Workbook& book = Book();
    if (!call.args.Has(0)) return call.ReturnObject(NewSheetsObject(book_, worksheetsOnly));
    call.ReturnObject(NewWorksheetObject(book_, SheetByIndex(book, call.args, 0, worksheetsOnly)));
  }
  void Sheets(Call& call) { SheetsMember(call, false); }
  void Worksheets(Call& call) { SheetsMember(call, true); }
  void Activate(Call& call) {
    Book();
    book_->app->active = book_;
    call.ReturnBool(true);
  }
  void SaveTo(const wchar_t* member) {
    engine::Workbook& book = Book();
    engine::SettleFormulaReferences(book);
    StorageResult result = SaveWorkbookFile(book);
    if (!result.ok())
      ThrowApplicationError(result.description.empty() ? std::wstring(member) + L" method of Workbook class failed"
                                                       : result.description);
    book.dirty = false;
  }
  void Save(Call& call) {
    engine::Workbook& book = Book();
    if (!ToPath(book.fullPath).has_parent_path()) ThrowMethodFailed(L"Save", kClass);
    SaveTo(L"Save");
    call.ReturnBool(true);
  }
  void SaveAs(Call& call) {
    engine::Workbook& book = Book();
    if (!call.args.Has(0)) ThrowResult(DISP_E_PARAMNOTOPTIONAL);
    const std::wstring path = CanonicalPath(*call.args.Text(0));
    if (auto other = book_->app->FindOpen(path); other && other != book_) ThrowMethodFailed(L"SaveAs", kClass);
    const std::wstring oldPath = book.fullPath, oldName = book.name;
    book.fullPath = path;
    book.name = FromPath(ToPath(path).filename());
    try {
      SaveTo(L"SaveAs");
    } catch (...) {
      book.fullPath = oldPath;
      book.name = oldName;
      throw;
    }
    // The table entries follow the new name.
    RevokeRunningWorkbook(*book_);
    RegisterRunningWorkbook(book_, book.fullPath);
    call.ReturnBool(true);
  }
  void Close(Call& call) {
    if (!book_->IsOpen()) return;  // closing twice is harmless
    if (call.args.Bool(0, false)) {
      if (call.args.Has(1)) {
        const std::wstring path = CanonicalPath(*call.args.Text(1));
        book_->book.fullPath = path;
        book_->book.name = FromPath(ToPath(path).filename());
      }
      SaveTo(L"Close");
    }
    std::shared_ptr<AppState> app = book_->app;
    app->Close(*book_);
    call.ReturnBool(true);
  }
  void Name(Call& call) { call.ReturnText(Book().name); }
  void FullName(Call& call) { call.ReturnText(Book().fullPath); }
  void Path(Call& call) {
    call.ReturnText(FromPath(ToPath(Book().fullPath).parent_path()));
  }
  void Saved(Call& call) {
    engine::Workbook& book = Book();
    if (!call.IsPut()) return call.ReturnBool(!book.dirty);
    VARIANT flag = Arguments::Coerce(call.args.PutValue(), VT_BOOL, call.args.PutValueIndex());
    book.dirty = flag.boolVal == VARIANT_FALSE;
  }

  std::shared_ptr<BookState> book_;
};

const MemberTable<WorkbookObject>& WorkbookObject::Table() {
  static const MemberTable<WorkbookObject> table({
      {{L"Application", kGet, {}}, &WorkbookObject::Application},
      {{L"Parent", kGet, {}}, &WorkbookObject::Application},
      {{L"ActiveSheet", kGet, {}}, &WorkbookObject::ActiveSheet},
      {{L"Sheets", kGet, {L"Index"}}, &WorkbookObject::Sheets},
      {{L"Worksheets", kGet, {L"Index"}}, &WorkbookObject::Worksheets},
      {{L"Activate", kMethod | kGet, {}}, &WorkbookObject::Activate},
      {{L"Save", kMethod | kGet, {}}, &WorkbookObject::Save},
      {{L"SaveAs", kMethod | kGet, {L"Filename"}}, &WorkbookObject::SaveAs},
      {{L"Close", kMethod | kGet, {L"SaveChanges", L"Filename", L"RouteWorkbook"}}, &WorkbookObject::Close},
      {{L"Name", kGet, {}}, &WorkbookObject::Name},
      {{L"FullName", kGet, {}}, &WorkbookObject::FullName},
      {{L"Path", kGet, {}}, &WorkbookObject::Path},
      {{L"Saved", kGet | kPut, {}}, &WorkbookObject::Saved},
  });
  return table;
}

}  // namespace

IDispatch* NewWorkbookObject(std::shared_ptr<BookState> book) { return new WorkbookObject(std::move(book)); }
IDispatch* NewSheetsObject(std::shared_ptr<BookState> book, bool worksheetsOnly) {
  return new SheetsObject(std::move(book), worksheetsOnly);
}

}  // namespace sheetwright::server
