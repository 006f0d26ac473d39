// The per-session state that carries from one request to the next, besides
// the Excel objects and the response held directly by CExcelCom. Each piece
// belongs to the operations that read and write it; a new session starts with
// every piece empty.
#pragma once

#include <map>
#include <string>

#include "bridge/OwnedVariant.h"
#include "bridge/OwnedInterface.h"
#include "platform/windows_api.h"

// A pending find and the position its paged results have reached
// ("Find" starts it, "GetFindMoreDataResult" continues it). The session
// resets it (releasing both interfaces) when a search completes or fails,
// when a new search replaces it, and when the session is destroyed.
struct FindState {
  OwnedDispatch searchRange;  // the block; no pending search when null
  OwnedDispatch afterCell;    // the last cell found; the next search starts after it
  std::wstring findText;
  int lookIn = -4163;
  int lookAt = 1;
  int searchOrder = 1;
  int searchDirection = 1;
  int matchCase = 0;
  int singleCell = 0;
  std::wstring firstAddress;  // the block's last match, listed first and last
  std::wstring wrapAddress;   // the first address the collecting searches found
  long rowCount = 0;          // rows the collecting searches appended so far

  // Releases both interfaces and restores the defaults.
  void Reset() {
    searchRange.Reset();
    afterCell.Reset();
    findText.clear();
    lookIn = -4163;
    lookAt = 1;
    searchOrder = 1;
    searchDirection = 1;
    matchCase = 0;
    singleCell = 0;
    firstAddress.clear();
    wrapAddress.clear();
    rowCount = 0;
  }
};

// The row block that "GetSingleRow" walks through, kept between calls so the
// next row number continues the walk: the values of the range between the two
// addresses, read once with one "Value" call.
//
// Invariants between requests: either empty (snapshot VT_EMPTY, addresses
// empty, counts 0) or loaded with a 2-D SAFEARRAY of VARIANT (lower bounds 1,
// rows first) whose row and column counts are rowCount and columnCount.
struct SingleRowCache {
  std::wstring firstAddress;  // "SpecifiedCellFrom" of the call that loaded it
  std::wstring lastAddress;   // "SpecifiedCellTo" of that call
  OwnedVariant snapshot;      // VT_EMPTY when nothing is loaded
  int rowCount = 0;
  int columnCount = 0;

  bool Loaded() const { return !snapshot.IsEmpty(); }
  // Releases whatever the cache holds and empties it (a sheet switch and a
  // new connection call it: the walk belongs to the previous sheet).
  void Reset() {
    snapshot.Reset();
    firstAddress.clear();
    lastAddress.clear();
    rowCount = columnCount = 0;
  }
};

// A loaded snapshot of values and the next row to deliver ("GetWorksheetData"
// and "GetMultipleCells" load it, "GetMoreWorksheetData" pages through it).
//
// Invariants between requests: either empty (snapshot VT_EMPTY, all counts
// 0) or loaded with 0 < rowCursor < rowCount for a multi-cell snapshot, which
// is a 2-D SAFEARRAY of VARIANT with lower bounds 1 (rows first). The state
// owns the snapshot and releases it when the last row has been delivered,
// when it is replaced, and when it is destroyed.
struct PagingState {
  VARIANT snapshot{};   // VT_EMPTY when nothing is loaded
  int rowCursor = 0;    // snapshot rows already delivered
  int rowCount = 0;     // rows of the snapshot
  int columnCount = 0;  // columns of the snapshot

  PagingState() { snapshot.vt = VT_EMPTY; }
  PagingState(const PagingState&) = delete;
  PagingState& operator=(const PagingState&) = delete;
  ~PagingState() { Release(); }

  // Releases the snapshot and empties the state.
  void Release() {
    VariantClear(&snapshot);
    snapshot.vt = VT_EMPTY;
    rowCursor = rowCount = columnCount = 0;
  }
};

// Header texts of row 1 mapped to their column letters. A multimap: two
// columns may carry the same title.
using ColumnTitleMap = std::multimap<std::wstring, std::wstring>;
