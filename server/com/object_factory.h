// Creation of the server's COM objects. Each function returns a new object
// holding one reference, which the caller owns.
#pragma once

#include <memory>

#include "platform/windows_api.h"
#include "server/com/server_state.h"

namespace sheetwright::server {

IDispatch* NewApplicationObject(std::shared_ptr<AppState> app);
IDispatch* NewWorkbooksObject(std::shared_ptr<AppState> app);
IDispatch* NewWorkbookObject(std::shared_ptr<BookState> book);
// Sheets (worksheets and chart sheets) or Worksheets (worksheets only).
IDispatch* NewSheetsObject(std::shared_ptr<BookState> book, bool worksheetsOnly);
IDispatch* NewWorksheetObject(std::shared_ptr<BookState> book, engine::Sheet* sheet);

}  // namespace sheetwright::server
