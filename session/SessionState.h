// The per-session state that carries from one request to the next, besides
// the Excel objects and the response held directly by CExcelCom. Each piece
// belongs to the operations that read and write it; a new session starts with
// every piece empty.
#pragma once

#include <map>
#include <string>

// A pending find and the position its paged results have reached
// ("Find" starts it, "GetFindMoreDataResult" continues it).
struct FindState {};

// The row block that "GetSingleRow" walks through, kept between calls so the
// next row number continues the walk.
struct SingleRowCache {};

// A loaded snapshot of the sheet and the next row to deliver
// ("GetWorksheetData" loads it, "GetMoreWorksheetData" pages through it).
struct PagingState {};

// Header texts of row 1 mapped to their column letters. A multimap: two
// columns may carry the same title.
using ColumnTitleMap = std::multimap<std::wstring, std::wstring>;
