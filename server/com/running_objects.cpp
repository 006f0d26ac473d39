#include "server/com/running_objects.h"

#include "server/com/object_factory.h"

namespace sheetwright::server {

HRESULT RegisterRunningWorkbook(const std::shared_ptr<BookState>& book, const std::wstring& displayName) {
  IRunningObjectTable* table = nullptr;
  HRESULT hr = GetRunningObjectTable(0, &table);
  if (FAILED(hr) || !table) return FAILED(hr) ? hr : E_FAIL;
  IMoniker* moniker = nullptr;
  hr = CreateFileMoniker(displayName.c_str(), &moniker);
  if (SUCCEEDED(hr) && moniker) {
    IDispatch* workbook = NewWorkbookObject(book);
    DWORD cookie = 0;
    hr = table->Register(ROTFLAGS_REGISTRATIONKEEPSALIVE, workbook, moniker, &cookie);
    if (SUCCEEDED(hr)) book->rotCookies.push_back(cookie);
    workbook->Release();  // the table holds its own reference
    moniker->Release();
  }
  table->Release();
  return hr;
}

void RevokeRunningWorkbook(BookState& book) {
  if (book.rotCookies.empty()) return;
  IRunningObjectTable* table = nullptr;
  if (SUCCEEDED(GetRunningObjectTable(0, &table)) && table) {
    for (DWORD cookie : book.rotCookies) table->Revoke(cookie);
    table->Release();
  }
  book.rotCookies.clear();
}

}  // namespace sheetwright::server
