// ExcelBase: late-bound calls into the spreadsheet application's object model
// through IDispatch, the argument list those calls take, and the range and
// value primitives every worksheet operation is built from.
//
// Calling order used everywhere:
//
//   ClearAllArgs();
//   AddArgumentLong(L"RowOffset", 0, 2);          // named arguments first
//   AddArgumentLong(L"ColumnOffset", 0, 1);
//   OwnedVariant result;                            // bridge/OwnedVariant.h
//   if (ExlInvoke(range, L"Offset", result.Out(), DISPATCH_PROPERTYGET, 2)) {
//     ... use result.Dispatch() ...
//   }                                               // released here
//
// Failures never travel as exceptions: ExlInvoke and the primitives answer 0,
// null or an empty VARIANT, and the error message text says why.
//
// Ownership:
// - Every VARIANT handed out (the result of ExlInvoke and of each primitive)
//   belongs to the caller, who holds it in an OwnedVariant
//   (`OwnedVariant range(GetEntireRow(cell));`) or releases it with
//   ReleaseVariant.
// - The argument list owns what is added to it (a BSTR copy, a SAFEARRAY, an
//   IDispatch reference taken over without AddRef) unless the entry's flag bit
//   0 (kArgumentBorrowed) is set; ClearAllArgs releases owned values.
// - Argument names are not copied: the pointers must stay valid until the call
//   has been made.
// - An object is used by one thread at a time.
#pragma once

#include "platform/windows_api.h"

#include <string>
#include <vector>

class ExcelBase {
 public:
  // Entries in the argument list; one more DISPID/name slot holds the member.
  static constexpr int kMaxArguments = 35;
  // Size of each error text, terminator included.
  static constexpr int kErrorTextSize = 4096;
  // Flag bit 0: the list does not own the entry's value.
  static constexpr WORD kArgumentBorrowed = 0x0001;
  // ExlInvoke options bit: clear the argument list after the call.
  static constexpr WORD kClearArgumentsAfterCall = 2;
  // Attempts per phase while the application rejects calls, and the wait
  // after each rejected attempt.
  static constexpr int kMaxCallAttempts = 10;
  static constexpr DWORD kRetryWaitMilliseconds = 2000;

  ExcelBase();
  ExcelBase(const ExcelBase&) = delete;
  ExcelBase& operator=(const ExcelBase&) = delete;
  // Releases whatever the argument list still owns.
  ~ExcelBase();

  // ---- Late-bound call -------------------------------------------------------

  // Resolves `member` on `target` (GetIDsOfNames with the named argument
  // names) and calls it with the current argument list. `kind` is
  // DISPATCH_METHOD, DISPATCH_PROPERTYGET or DISPATCH_PROPERTYPUT(REF); a put
  // passes its one value under DISPID_PROPERTYPUT and never returns a result.
  // `options` & kClearArgumentsAfterCall clears the list after the call,
  // whatever the outcome. Rejected attempts (RPC_E_CALL_REJECTED, 0x800AC472)
  // are retried kMaxCallAttempts times per phase with kRetryWaitMilliseconds
  // of Sleep after each. Returns 1 on success; `result` (may be null) then
  // holds the value and belongs to the caller. Returns 0 on failure with the
  // error message text set and `result` empty (it is emptied first, so it may
  // be uninitialised on entry). A null `target` or `member`, a put without a
  // value and an overflowed argument list are refused without a call.
  virtual int ExlInvoke(IDispatch* target, const wchar_t* member, VARIANT* result,
                        WORD kind, WORD options);

  // Splits an R1C1 address ("R12C7", "R1C1:R5C3" reads its first cell) into
  // row and column numbers; 0 for a part that holds no number. `address` is
  // plain wide text (a BSTR may be passed as it is); null reads as empty.
  virtual void GetRowColIndexFromReferenceAddress(const wchar_t* address, LONG& row,
                                                  LONG& column);

  // The 32-bit integer a count VARIANT holds (VT_I4 from "Count"); 0 for
  // VT_EMPTY or a value that is not an integer. Does not release `value`.
  virtual LONG GetCountValue(VARIANT value);

  // ---- Argument list ---------------------------------------------------------
  // Each adder takes (name or null, flags, value) and answers 1 when the entry
  // was added, 0 when not. A non-null name makes a named argument; named
  // arguments must be added before positional ones, and positional ones in
  // reverse order (last argument first). When the list is full nothing is
  // added (an owned value handed over is released) and the next ExlInvoke
  // refuses the call.

  int AddArgumentEmpty(const wchar_t* name, WORD flags);
  // VT_I2 holding the low 16 bits of `value`.
  int AddArgumentInt2(const wchar_t* name, WORD flags, int value);
  int AddArgumentLong(const wchar_t* name, WORD flags, LONG value);
  int AddArgumentLong64(const wchar_t* name, WORD flags, LONGLONG value);
  // VARIANT_TRUE for any non-zero value.
  int AddArgumentBool(const wchar_t* name, WORD flags, int value);
  int AddArgumentDouble(const wchar_t* name, WORD flags, double value);
  // Takes over the caller's reference (no AddRef).
  int AddArgumentDispatch(const wchar_t* name, WORD flags, IDispatch* value);
  // A SysAllocString copy; 0 (nothing added) when no copy can be made, also
  // for a null `value`.
  int AddArgumentOLEString(const wchar_t* name, WORD flags, const wchar_t* value);
  // VT_ARRAY|VT_VARIANT: a one-dimensional SAFEARRAY, lower bound 0, one
  // VT_BSTR per string in order. 0 and nothing added when any copy fails.
  int AddArgumentStringArray(const wchar_t* name, WORD flags,
                             std::vector<std::wstring> values);
  // As AddArgumentStringArray for `count` texts; a null text counts as a
  // failed copy.
  int AddArgumentCStringArray(const wchar_t* name, WORD flags,
                              const wchar_t* const* values, int count);
  // Prepares the next entry: zeroes it, stores `type`, `flags` and the name
  // (counting a named argument), but neither stores a value nor counts the
  // entry; the caller writes m_argumentValues[m_argumentCount] and then
  // increments m_argumentCount. 0 when the list is full.
  int AddArgumentCommon(const wchar_t* name, WORD flags, VARTYPE type);

  // Releases every owned entry, forgets borrowed ones, empties the list.
  void ClearAllArgs();

  // ---- VARIANT clean-up ------------------------------------------------------

  // Releases what `value` owns and leaves it VT_EMPTY (ReleaseVariantContents
  // in bridge/OwnedVariant.h). Null is a no-op. New code holds its values in
  // an OwnedVariant instead.
  void ReleaseVariant(VARIANT* value);
  // Sets `value` to VT_EMPTY without releasing anything.
  void ClearVariant(VARIANT* value);

  // ---- Error texts -----------------------------------------------------------

  // Empties both error texts, then writes the failure line for `hr` on
  // `member` into the error message text and logs it under "ExlInvoke".
  // `exception` (may be null) supplies the DISP_E_EXCEPTION description,
  // `argumentError` the argument index of the parameter failures.
  void AddToErrorData(const wchar_t* member, HRESULT hr, const EXCEPINFO* exception,
                      UINT argumentError);
  // Empties the error message text and the error code text.
  void ResetBaseErrorData();

  // Read access for callers outside the class hierarchy (and tests).
  const wchar_t* ErrorMessageText() const { return m_errorMessage; }
  const wchar_t* ErrorCodeText() const { return m_errorCode; }

  // ---- Range and value primitives --------------------------------------------
  // Each clears the argument list, adds its arguments and calls ExlInvoke with
  // kClearArgumentsAfterCall. A null input interface gives the empty result
  // (or 0) without any call. A "range result" is a VARIANT holding
  // VT_DISPATCH owned by the caller, VT_EMPTY on failure; an "address result"
  // holds a VT_BSTR owned by the caller, VT_EMPTY on failure.

  // The cell's value as text (the cell text rule), in a new zero-terminated
  // array the caller frees with delete[]. Null when the range is null, the
  // value cannot be read, or it cannot be turned into text (a multi-cell
  // range, whose value is an array): the error message text then says why.
  wchar_t* GetValuePropertyData(IDispatch* range);

  // The text of a number as the cell reads show it: fixed notation with as
  // many decimals as the OLE text form of the number carries after its point,
  // that OLE text itself when it has no decimals to borrow. `value` should be
  // VT_R8; any other type gives its VariantChangeType text (empty on failure).
  static void ExtractValueProperty(const VARIANT& value, std::wstring& text);

  // The cell text rule, shared by every read that answers a cell's text:
  // empty for an error value or VT_EMPTY, the number rule above for a
  // double, the string itself, TRUE or FALSE for a Boolean, the
  // VariantChangeType text for anything else. Answers that conversion's
  // failure (an array has no text form; `text` is then empty), else S_OK.
  static HRESULT CellTextOf(const VARIANT& value, std::wstring& text);

  // A new zero-terminated copy of `text`, freed by the caller with delete[];
  // null when no memory can be had.
  static wchar_t* NewTextArray(const std::wstring& text);

  // "Address" in R1C1 style, e.g. R3C2 or R1C1:R5C3.
  VARIANT GetReferenceAddressFromDispatch(IDispatch* range);
  // "Address": $B$3 when `absolute` is non-zero, B3 when 0.
  VARIANT GetAddressFromDispatch(IDispatch* range, int absolute);
  VARIANT GetRangeRowsDispatcher(IDispatch* range);
  VARIANT GetRangeColumnDispatcher(IDispatch* range);
  // "Count": a VT_I4 VARIANT, empty on failure.
  VARIANT GetRangeCount(IDispatch* range);
  // Rows(n) of the range.
  VARIANT GetRangeSpecificRowsDispatcher(IDispatch* range, LONG row);
  // The top-left cell.
  VARIANT GetRangeFirstItemPosition(IDispatch* range);
  // The (rows x columns)-th cell counted row by row; with the range's own
  // row and column counts, its bottom-right cell.
  VARIANT GetRangeSpecificItemPosition(IDispatch* range, LONGLONG rows, LONGLONG columns);
  // R1C1 address of the range's bottom-right cell.
  VARIANT GetRangeLastItemPositionEx(IDispatch* range);
  // The worksheet's last used cell (SpecialCells type 11).
  VARIANT GetRangeLastItemPosition(IDispatch* range);
  // Row and column counts of the range (0 for a count that could not be
  // read). Answers 1, or 0 for a null range.
  int GetRangeTotalRowsCoulms(IDispatch* range, int& rows, int& columns);
  // 1 when the range is exactly one row by one column, else 0.
  int IsRangeContainSingleCell(IDispatch* range);
  // The row and column letters of an R1C1 address: a letter at index 0 is the
  // row letter (default 'R'); the first letter after index 0 is the column
  // letter (default 'C'). Null reads as empty.
  void GetRowColumnCharacter(const wchar_t* address, char& rowLetter, char& columnLetter);
  VARIANT GetRangeOffSetDispatcher(IDispatch* range, LONG rowOffset, LONG columnOffset);
  // "Value2": a scalar, or a 2-D SAFEARRAY of VARIANT with lower bounds 1.
  VARIANT GetRangeArrayValue2(IDispatch* range);
  // Puts `text` into "Value2". Always answers an empty VARIANT; the error
  // message text tells a failure.
  VARIANT PutRangeArrayValue2(IDispatch* range, const wchar_t* text);
  // "Value" (RangeValueDataType 10) into `out`. 1 on success, 0 on failure.
  int GetRangeSafeArrayValue(IDispatch* range, VARIANT* out);
  VARIANT GetEntireRow(IDispatch* range);
  // Deletes the range's entire rows. 1 when both calls succeeded.
  int DeleteDispatchRow(IDispatch* range);
  // "Run" with the macro name and up to kMaxArguments - 1 text arguments; the
  // macro's return value, empty on failure. More arguments are refused
  // without a call (error message text set).
  VARIANT RunMacroMethod(IDispatch* application, const wchar_t* macroName,
                         std::vector<std::wstring> arguments);
  // "Name": a VT_BSTR.
  VARIANT GetName(IDispatch* object);
  // Puts "DisplayAlerts" (true for a non-zero flag). 1 on success.
  int SetApplicationDisplayAlerts(IDispatch* application, int flag);
  // "Application" of any object.
  VARIANT GetApplication(IDispatch* object);
  // "Select" on the range. 1 on success.
  int SelectRange(IDispatch* range);

 protected:
  // Argument list. m_argumentValues[0 .. m_namedArgumentCount) are the named
  // arguments, paired with m_dispIds[1 ..] and m_names[1 ..]; the rest are
  // positional, in reverse order. Entry 0 of m_dispIds / m_names is the
  // member of the current call.
  int m_argumentCount;
  int m_namedArgumentCount;
  VARIANT m_argumentValues[kMaxArguments];
  DISPID m_dispIds[kMaxArguments + 1];
  const wchar_t* m_names[kMaxArguments + 1];
  WORD m_argumentFlags[kMaxArguments];

  // The last failure text, copied into every status response.
  wchar_t m_errorMessage[kErrorTextSize];
  // The error code of the current failure; written by the session operations,
  // emptied here.
  wchar_t m_errorCode[kErrorTextSize];

  // Set when an adder found the list full; the next ExlInvoke refuses the
  // call rather than make it with a partial list. Cleared by ClearAllArgs.
  bool m_argumentListOverflow;

 private:
  // One phase of the retry policy: logs the two waiting lines for attempt
  // `attempt` under `label` (formatted in the error message text) and waits.
  void ReportRejectedAttempt(const wchar_t* label, const wchar_t* member, int attempt);
  // Stores a value-less entry at the next free slot; see AddArgumentCommon.
  VARIANT* NextArgument(const wchar_t* name, WORD flags, VARTYPE type);
  // Builds a VT_ARRAY|VT_VARIANT SAFEARRAY of BSTR copies; null on failure.
  static SAFEARRAY* CreateStringArray(const wchar_t* const* texts, const std::wstring* strings,
                                      int count);
  // Runs a get (or method) with the current argument list, clearing it after,
  // and returns the result: empty on failure. Logs `successLine` or
  // `failureLine` (each if not null) under `label`.
  VARIANT InvokeForResult(IDispatch* target, const wchar_t* member, WORD kind,
                          const wchar_t* label, const wchar_t* failureLine,
                          const wchar_t* successLine = nullptr);
};
