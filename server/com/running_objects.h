// Entries of open workbooks in the Running Object Table: a file moniker
// named by the workbook's full path (or by another display name, such as
// the URL a workbook was opened from), so that another session can find
// the workbook and attach to it. The table keeps the registered Workbook
// object alive; revoking the entries when the workbook closes releases it.
#pragma once

#include <string>

#include "server/com/server_state.h"

namespace sheetwright::server {

// Registers book under displayName; the cookie is kept in book.rotCookies.
HRESULT RegisterRunningWorkbook(const std::shared_ptr<BookState>& book, const std::wstring& displayName);
// Revokes every entry of book.
void RevokeRunningWorkbook(BookState& book);

}  // namespace sheetwright::server
