// CExcelCom: one session, that is one connection to a spreadsheet application
// with one workbook and its current worksheet, plus everything that carries
// over between the requests of that session (paging, find, single-row walk,
// column titles) and the response under construction.
//
// Every operation returns an int status (non-zero for success) and reports
// its outcome only through the session's response: a status response built by
// BuildResponseFromStatus from the status and the two error texts, plus
// AddErrorParamater entries, or table rows. The dispatcher ignores the status.
//
// The virtual operations keep a fixed slot order (after ExcelBase's three):
// session helpers, result access, then the operations in the order the
// command set grew. Do not reorder them.
#pragma once

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bridge/ExcelBase.h"
#include "platform/windows_api.h"
#include "proto/CommandResponse.pb.h"
#include "session/SessionState.h"

class CExcelCom : public ExcelBase {
 public:
  CExcelCom();
  // Not virtual: sessions are destroyed only by the registry, as CExcelCom.
  // Releases the session's own memory (caches, response copy); it does not
  // release the application, workbook or worksheet: closing does that.
  ~CExcelCom();
  CExcelCom(const CExcelCom&) = delete;
  CExcelCom& operator=(const CExcelCom&) = delete;

  // Connecting steps, overridable so tests can stand in for the COM runtime.
  virtual std::wstring GetMonikerDisplayName(IMoniker* moniker, IBindCtx* bindContext);          // slot 3
  virtual IUnknown* GetTableUnknownObject(IRunningObjectTable* table, IMoniker* moniker);        // slot 4
  virtual IDispatch* GetWorkBookObjectFromUnknown(IUnknown* unknown);                            // slot 5
  virtual HRESULT GetCLSIDFromProgID(CLSID* clsid);                                              // slot 6
  virtual IDispatch* CreateApplicationInstance(const CLSID& clsid, HRESULT* result);             // slot 7

  // Result access.
  virtual excel::CommandResponse GetResultData();     // slot 8: a copy of the response
  // The response itself, for printing it without a copy.
  const excel::CommandResponse& ResultView() const { return m_response; }
  // slot 9: a copy owned by the session, made at the first call after the
  // last ClearResultData and not refreshed by later changes.
  virtual excel::CommandResponse* GetResultDataEx();
  virtual void ClearResultData();                     // slot 10: empties the response, drops the copy
  virtual void ResetErrorData();                      // slot 11: empties both error texts

  // The operations; each builds the session's response.
  virtual int OpenExcel(const wchar_t* filePath, const wchar_t* sheetName,              // slot 12 "Attach"
                        const wchar_t* openSecureValue, const wchar_t* editSecureValue,
                        int openMode, int containHeader, int addIns);
  virtual int CloseExcel(int saveChanges);                                              // slot 13 "Detach"
  virtual int OpenExcelEx(const wchar_t* filePath, const wchar_t* sheetName,            // slot 14 "Open"
                          const wchar_t* openSecureValue, const wchar_t* editSecureValue,
                          int openMode, int containHeader, int addIns);
  virtual int CloseExcelEx(int saveChanges);                                            // slot 15 "Close"
  virtual int SetCellValue(int setCellOption, const wchar_t* cellFrom,                  // slot 16
                           const wchar_t* cellTo, const wchar_t* value);
  virtual int DeleteCell(int cellOption, const wchar_t* cellFrom,                       // slot 17
                         const wchar_t* cellTo, int deleteOption);
  virtual int Find(int fromOption, int tillOption, const wchar_t* cellFrom,             // slot 18
                   const wchar_t* cellTo, const wchar_t* findText, int searchByRow,
                   int matchCase, int matchEntire);
  virtual int GetNextFindResult();                                                      // slot 19
  virtual int Replace(int fromOption, int tillOption, const wchar_t* cellFrom,          // slot 20
                      const wchar_t* cellTo, const wchar_t* findText,
                      const wchar_t* replaceText, int searchByRow, int matchCase,
                      int matchEntire);
  virtual int FindNextEmptyCell(int cellOption, const wchar_t* cellFrom,                // slot 21
                                int searchByRow);
  virtual int GoToNextEmptyCell(int cellOption, const wchar_t* cellFrom, int towards);  // slot 22
  virtual int GetMultipleCellsEx(int option, const wchar_t* cellFrom,                   // slot 23
                                 const wchar_t* cellTo, LONG rowFrom, LONG rowTo);
  virtual int SwitchToSheet(int option, int index, const wchar_t* name, int hasChart);  // slot 24
  virtual int GoToCell(int cellOption, const wchar_t* cellFrom, const wchar_t* cellTo,  // slot 25
                       int activeCellOption);
  virtual int GetSingleRowEx(const wchar_t* cellFrom, const wchar_t* cellTo,            // slot 26
                             LONG specificRow);
  virtual int GetSingleCell(int option, const wchar_t* cellAddress);                    // slot 27
  virtual int RemoveBlankRows(int beginningRowOption, int beginningSpecificRowOption,   // slot 28
                              LONG beginningRowNumber, const wchar_t* beginningCellAddress,
                              int endRowOption, int endSpecificRowOption,
                              LONG endRowNumber, const wchar_t* endCellAddress);
  virtual int ReadRowColumn(int cellOption, const wchar_t* cellAddress,                 // slot 29
                            int readFull, int isRow);
  virtual int GetColumnNameRowNumber(int cellOption, const wchar_t* cellAddress,        // slot 30
                                     int isRowNumber);
  virtual int GetCellAddressCommand(int cellOption, const wchar_t* columnTitle,         // slot 31
                                    LONG cellPosition);
  virtual int SelectRows(int cellOption, LONG rowFrom, LONG rowTo);                     // slot 32
  virtual int SelectColumns(int cellOption, const wchar_t* columnFrom,                  // slot 33
                            const wchar_t* columnTo);
  virtual int SelectCells(int cellOption, const wchar_t* cellFrom,                      // slot 34
                          const wchar_t* cellTo);
  virtual int RunMacro(const wchar_t* macroName, const wchar_t* macroArguments);        // slot 35
  virtual int GetWorkSheetData(int sheetOption, const wchar_t* sheetName);              // slot 36
  virtual int AttachNewFileName(const wchar_t* filePath);                               // slot 37
  virtual int GetWorkSheetMoreData();                                                   // slot 38
  virtual int GetLastCellAddressApi();                                                  // slot 39
  virtual int GetUsedRange();                                                           // slot 40
  virtual int RemoveFilterFromWorksheet();                                              // slot 41

  // Answers a request that is refused before any operation runs (a parameter
  // that cannot be passed on faithfully): logs `message` under `label` and
  // answers a failed status response carrying it. Returns 0.
  int RefuseRequest(const wchar_t* label, const wchar_t* message);

  // Whether the session holds application objects that live in another
  // thread's apartment: the thread whose "Open" or "Attach" initialised COM
  // and made them. Such objects must not be touched from this thread.
  bool BelongsToAnotherThread() const {
    return m_application != nullptr && m_apartmentThread != std::this_thread::get_id();
  }

 protected:
  // Response builders, used by every operation.
  //
  // Makes the response a status response: discards both payloads, sets the
  // type to GENERIC, status = (status != 0), and copies both error texts.
  // Call it before adding parameters or rows, never after.
  void BuildResponseFromStatus(int status);
  // Makes the response a successful table response: as
  // BuildResponseFromStatus(1) (both error texts copied), with the type
  // TABLE_RESPONSE. Returns the table for the caller to fill:
  //
  //   excel::TableResponse* table = BuildTableResponse();
  //   table->mutable_tablevariable()->add_rows()->add_columns(text);
  //   table->set_morerecordsavailable(more);
  //
  // Call it before adding rows, never after.
  excel::TableResponse* BuildTableResponse();
  // Sets the error code / message text (1 to 4095 characters; anything else
  // leaves it empty). Takes effect at the next BuildResponseFromStatus.
  void AddErrorCodeToResponse(const wchar_t* code);
  void AddErrorMessageToResponse(const wchar_t* message);
  // Adds key = value to defaultResponse.parameter unless the key is already
  // there (the first value wins). Composed values are "a:b", "%d",
  // "%d:%d", cut to 4095 characters.
  void AddErrorParamater(const wchar_t* key, const wchar_t* text);
  void AddErrorParamater(const wchar_t* key, const wchar_t* first, const wchar_t* second);
  void AddErrorParamater(const wchar_t* key, LONG number);
  void AddErrorParamater(const wchar_t* key, LONG first, LONG second);

  // Sets the error code text to `code`, builds the response from 0 and
  // returns 0: the common failure answer of an operation.
  int AnswerFailure(const wchar_t* code);

  // ---- Calls without arguments ---------------------------------------------
  // A get of `member` on `target` (null gives the empty result): the value,
  // owned by the caller, or VT_EMPTY when the call failed.
  VARIANT InvokeGet(IDispatch* target, const wchar_t* member);
  // A call of `member` as `kind` without arguments whose result is dropped.
  // 1 on success, 0 on failure or for a null target.
  int InvokeMethod(IDispatch* target, const wchar_t* member, WORD kind);

  // ---- Worksheet addressing (the current worksheet of the session) ---------
  // Range results hold VT_DISPATCH owned by the caller; address results hold
  // a VT_BSTR owned by the caller; both are VT_EMPTY on failure. Texts are
  // new arrays freed by the caller with delete[]. None sets an error code.

  // "Activate" on the workbook (the active cell is the workbook's).
  void ActivateWorkBook();
  // The sheet's row and column capacity; 0 without a sheet or on failure.
  LONG GetWorkSheetTotalRowsCount();
  LONG GetWorkSheetTotalColumnsCount();
  // "Count" of the worksheet's "Rows" or "Columns"; 0 when either call fails.
  // Logs receivedMessage under label once the count was read.
  LONG CountOfWorksheetCollection(const wchar_t* collection, const wchar_t* label,
                                  const wchar_t* receivedMessage);
  VARIANT GetWorkSheetAllCellRangeDispatcher();
  // "Cells" with RowIndex and ColumnIndex.
  VARIANT GetWorkSheetSpecificCellDispatcher(LONG row, LONG column);
  // `from`:`to`; through "Rows" when `from` starts with a digit ("3" to "5"
  // names whole rows), else through "Range".
  VARIANT GetWorkSheetRanges(const wchar_t* from, const wchar_t* to);
  VARIANT GetWorkSheetUsedRangeDispatcher();
  // Absolute A1 address of the last used cell, such as $D$20.
  VARIANT GetLastCellAddress();
  // Completes a corner that names only a column ("$D") or only a row ("$20")
  // with the used range's row or column count.
  VARIANT ExtractRange(IDispatch* usedRange, std::wstring address);
  // "Range" of an A1 address (one cell or a block).
  VARIANT GetSpecifiedCellDispatcher(const wchar_t* address);
  // Absolute A1 address of GetSpecifiedCellDispatcher's range.
  VARIANT GetSpecifiedCellAddress(const wchar_t* address);
  // The cell's value as text; empty text for an empty cell; null for an
  // error value or a value whose payload is zero (0, FALSE).
  wchar_t* GetCellValueByRowCol(LONG row, LONG column);
  // The active cell's value as text; null for empty text.
  wchar_t* GetActiveCellStringValue();
  VARIANT GetActiveCellDispatcher();
  VARIANT GetActiveCellAddress();
  // Option 0: $A$1; 1: the last cell; 2: the active cell; 3: `address`;
  // other: empty. Absolute A1 addresses.
  VARIANT GetCellAddressFromOption(int option, const wchar_t* address);
  // Option 0: the active cell; 1: the range of `address`; other: empty.
  VARIANT GetCellOptionDispatcher(int option, const wchar_t* address);
  // Worksheet row and column numbers of the used range's corners; all four
  // stay 1 and the result is 0 when the used range cannot be read.
  int GetWorkSheetUsedRangeData(LONG& startRow, LONG& endRow, LONG& startColumn,
                                LONG& endColumn);
  // Rebuilds the column-title map from row 1; empty without a header or
  // when the used range starts below row 1.
  void PrepareColumnTitleMap(bool hasHeader);

  // ---- Connecting and letting go --------------------------------------------
  int InitOLE();
  // Creates a new application into m_application; 1 when there is one.
  int InitExcelEx();
  int ValidateExcelFile(const wchar_t* filePath);
  // Looks for the workbook among the running objects; fills m_workbook and
  // m_application when found. Always 1: the caller looks at the fields.
  int GetAllRunningExcelInstance(const wchar_t* filePath);
  // The universal (UNC) form of a path on a network drive, else the path.
  std::wstring GetUNCPath(const wchar_t* filePath);
  // The last path component: the text after the last backslash (else after
  // the last "/"); empty when there is neither.
  std::wstring GetWorkSheetNameFromPath(const std::wstring& path);
  // 1 when the file names of `path` and `url` match after unescaping and
  // lower-casing.
  int IsWorkSheetFoundInURL(const std::wstring& path, const std::wstring& url);
  // The sheet named `sheetName` in the workbook's `collection` ("Sheets" or
  // "Worksheets"), or its active sheet for an empty name; null on failure.
  IDispatch* LookUpSheet(const wchar_t* collection, const wchar_t* sheetName,
                         const wchar_t* label);
  void ActivateConnectedSheet(const wchar_t* label);
  // Sets the connect failure code (when `result` is 0), builds the response.
  int FinishConnecting(const wchar_t* label, int result);
  // Releases the worksheet, workbook and application references.
  void ReleaseConnection();
  // Releases one of those references and leaves the member null.
  static void ReleaseMember(IDispatch*& member);
  // Saves the workbook when `saveChanges` is non-zero; 0 without a workbook.
  int Save(int saveChanges);
  int CloseWorkBook();
  // "Quit" on the application.
  void ReleaseExcel();
  // Releases the connection, uninitialises COM, builds the response.
  int LetGoOfExcel(const wchar_t* label, int result);

  // ---- Single cell and go-to-cell -------------------------------------------
  // Offsets for a step of `distance` in `direction` (0 left, 1 right, 2 up,
  // 3 down; other: none).
  void GetRowColumnOffset(int direction, int distance, LONG& rowOffset, LONG& columnOffset);
  // Options 4-7: the first or last used cell of the active cell's row or
  // column.
  VARIANT GetRangeEndDispatcher(IDispatch* activeCell, int activeCellOption);
  VARIANT GetCellDispatcherFromActiveOption(int activeCellOption);

  // ---- Setting cells ---------------------------------------------------------
  // 1 when the range's top-left cell lies in worksheet row 1.
  int isRangeContainsInHeader(IDispatch* range);
  // Puts `value` into "Value" of `target`, unless header protection refuses
  // it (error code EXCEL_QUV_SETCELL_101). Does not build the response.
  int SetDispatcherCellValue(IDispatch* target, const wchar_t* value);

  // ---- Selection ---------------------------------------------------------------
  // Selects the range between two corners and answers 1; a range the
  // application refuses (or refuses to select) answers `refusedCode` with the
  // parameter "Range" ("first:last") and 0.
  int SelectBetweenCorners(const wchar_t* label, const wchar_t* refusedCode,
                           const std::wstring& first, const std::wstring& last);
  // Activates the workbook and reads the used range's last row and column;
  // 1, or 0 after answering `failureCode`.
  int UsedEndForSelection(const wchar_t* failureCode, LONG& lastRow, LONG& lastColumn);
  // The active cell's row, column and relative address; false without one.
  bool LocateActiveCell(LONG& row, LONG& column, std::wstring& address);
  // "SelectRows" (row numbers) and "SelectColumns" (column letters) once
  // their texts are read: option 0 selects the active cell's line, 1 the
  // line `from`, 2 the lines `from` to `to`, across the used range; an
  // empty line fails with the command's code 100.
  int SelectLines(const wchar_t* label, bool columns, int cellOption, std::wstring from, std::wstring to);
  // ---- Find, replace, delete, empty cells, blank rows ------------------------
  // Appends a row of one column holding `text` to the table response.
  void AddNewRowToTableData(const std::wstring& text);
  // Fills the argument list for the application's Find ("After" borrowed,
  // left out when null; "What" left out when null).
  void AddFindArguments(const wchar_t* what, int lookIn, int lookAt, int searchOrder, int searchDirection,
                        int matchCase, IDispatch* after);
  // Find on `range` after its first cell: the cell found, or empty.
  VARIANT FindFromRange(IDispatch* range, const wchar_t* what, int lookIn, int lookAt, int searchOrder,
                        int searchDirection, int matchCase);
  // Pages the pending search into the response.
  int FindAndCollectFromRange();
  int CompareWithActiveCellForFind(const wchar_t* findText, int matchCase, int matchEntire);
  int CompareFindText(const wchar_t* findText, const wchar_t* actualText, int matchCase, int matchEntire);
  // The application's Replace on `range`: its result, or empty on failure.
  VARIANT ReplaceInRange(IDispatch* range, const wchar_t* what, const wchar_t* replacement, int lookAt,
                         int searchOrder, int matchCase);
  // The one-cell path of Replace: reads the cell, replaces, writes back.
  void ReplaceInSingleCell(const wchar_t* address, const wchar_t* findText, const wchar_t* replaceText,
                           int matchEntire);
  // Deletes `target` (lent; null fails) by `deleteOption`.
  int DeleteCellRange(IDispatch* target, int deleteOption);
  int DeleteActiveCell(int deleteOption);
  int DeleteSpecifiedCell(const wchar_t* address, int deleteOption);
  int DeleteSpecifiedCellRange(const wchar_t* fromCell, const wchar_t* toCell, int deleteOption);
  int DeleteDiscontinuousCell(std::vector<std::wstring> addresses, int deleteOption);
  // The union of up to 30 cells of `addresses` from startIndex on; nextIndex
  // receives the first index not consumed.
  VARIANT GenerateUnionObject(IDispatch* application, const std::vector<std::wstring>& addresses, int startIndex,
                              int& nextIndex);
  // The nearest empty cell from a start cell in `direction` (0 left, 1 right,
  // 2 up, other down). `found` receives its address (empty when none);
  // `select` selects it instead. 1 when the scan ran; on failure the
  // response is built with `failureCode`.
  int ScanForEmptyCell(const wchar_t* label, int cellOption, const wchar_t* cellAddress, int direction,
                       bool checkUsedRange, bool select, const wchar_t* failureCode, std::wstring& found);
  int IsAddressOutOfUsedRange(IDispatch* cell);
  LONG GetRemoveBlankRowIndex(int specificRowOption, LONG rowNumber, const wchar_t* cellAddress);
  int StartRemovingBlankRowsOutsideOfRange(LONG firstRow, LONG stopRow);
  int StartRemovingBlankRows(IDispatch* usedRange, LONG firstUsedRow, LONG lastUsedRow, LONG startRow, LONG endRow,
                             LONG usedColumnCount);

  // ---- Paging ------------------------------------------------------------------
  // Replaces the paging snapshot with the values of `range` ("Value" with
  // RangeValueDataType 10), cursor 0, counts from a value table. 0 (state
  // left empty) when the values cannot be read or are missing.
  int LoadPagingSnapshot(IDispatch* range);

  // The spreadsheet objects this session works on. References owned by the
  // session, released by the close operations (not by the destructor).
  std::thread::id m_apartmentThread;  // where InitOLE last ran
  IDispatch* m_application = nullptr;
  IDispatch* m_workbook = nullptr;
  IDispatch* m_worksheet = nullptr;

  excel::CommandResponse m_response;
  std::unique_ptr<excel::CommandResponse> m_responseCopy;  // see GetResultDataEx
  // The rows of the last page, emptied but with their strings' storage kept,
  // so the next page of the same read fills them instead of allocating anew.
  // Kept only while a paging snapshot has pages left.
  std::unique_ptr<excel::TableResponse::Table> m_spareTable;

  FindState m_findState;
  int m_containHeader = 0;  // row 1 holds column titles ("ContainHeader")
  SingleRowCache m_singleRowCache;
  std::wstring m_currentSheetName;
  PagingState m_pagingState;
  ColumnTitleMap m_columnTitles;
};
