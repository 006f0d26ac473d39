// ExcelBase: range and application primitives, each one call (or a short
// fixed chain of calls) through ExlInvoke.
#include "bridge/ExcelBase.h"
#include "bridge/FixedTextWriter.h"
#include "bridge/OwnedVariant.h"
#include "support/Log.h"

namespace {

// The application's constants used here.
constexpr int kReferenceStyleR1C1 = -4150;
constexpr int kCellTypeLastCell = 11;
constexpr int kRangeValueDefault = 10;

}  // namespace

VARIANT ExcelBase::InvokeForResult(IDispatch* target, const wchar_t* member, WORD kind,
                                   const wchar_t* label, const wchar_t* failureLine,
                                   const wchar_t* successLine) {
  OwnedVariant result;
  if (ExlInvoke(target, member, result.Out(), kind, kClearArgumentsAfterCall)) {
    if (successLine != nullptr) WriteLog(label, successLine);
  } else {
    if (failureLine != nullptr) WriteLog(label, failureLine);
    result.Reset();
  }
  return result.Detach();
}

VARIANT ExcelBase::GetReferenceAddressFromDispatch(IDispatch* range) {
  const wchar_t* label = L"GetReferenceAddressFromDispatch";
  WriteLog(label, L"Start");
  VARIANT address = EmptyVariant();
  if (range != nullptr) {
    ClearAllArgs();
    AddArgumentInt2(L"ReferenceStyle", 0, kReferenceStyleR1C1);
    address = InvokeForResult(range, L"Address", DISPATCH_PROPERTYGET, label, nullptr);
  }
  WriteLog(label, L"End");
  return address;
}

VARIANT ExcelBase::GetAddressFromDispatch(IDispatch* range, int absolute) {
  if (range == nullptr) return EmptyVariant();
  ClearAllArgs();
  if (absolute == 0) {
    AddArgumentBool(L"RowAbsolute", 0, 0);
    AddArgumentBool(L"ColumnAbsolute", 0, 0);
  }
  return InvokeForResult(range, L"Address", DISPATCH_PROPERTYGET, L"GetAddressFromDispatch",
                         L"Faield");
}

VARIANT ExcelBase::GetRangeRowsDispatcher(IDispatch* range) {
  if (range == nullptr) return EmptyVariant();
  ClearAllArgs();
  return InvokeForResult(range, L"Rows", DISPATCH_PROPERTYGET, L"GetRangeRowsDispatcher", nullptr,
                         L"Rows dispatcher is found");
}

VARIANT ExcelBase::GetRangeColumnDispatcher(IDispatch* range) {
  if (range == nullptr) return EmptyVariant();
  ClearAllArgs();
  return InvokeForResult(range, L"Columns", DISPATCH_PROPERTYGET, L"GetRangeColumnDispatcher",
                         nullptr, L"Columns dispatcher is found");
}

VARIANT ExcelBase::GetRangeCount(IDispatch* range) {
  if (range == nullptr) return EmptyVariant();
  ClearAllArgs();
  return InvokeForResult(range, L"Count", DISPATCH_PROPERTYGET, L"GetRangeCount",
                         L"Fail to Get Count");
}

VARIANT ExcelBase::GetRangeSpecificRowsDispatcher(IDispatch* range, LONG row) {
  const wchar_t* label = L"GetRangeSpecificRowsDispatcher";
  if (range == nullptr) {
    WriteLog(label, L"IDispatch is Null");
    return EmptyVariant();
  }
  OwnedVariant rows(GetRangeRowsDispatcher(range));
  if (!rows.HoldsDispatch()) {
    WriteLog(label, L"Single Rows dispatcher is not found");
    return EmptyVariant();
  }
  ClearAllArgs();
  AddArgumentLong(nullptr, 0, row);
  return InvokeForResult(rows.Dispatch(), L"Item", DISPATCH_PROPERTYGET, label,
                         L"Single Rows dispatcher is not found");
}

VARIANT ExcelBase::GetRangeFirstItemPosition(IDispatch* range) {
  if (range == nullptr) return EmptyVariant();
  ClearAllArgs();
  AddArgumentInt2(L"RowIndex", 0, 1);
  return InvokeForResult(range, L"Item", DISPATCH_PROPERTYGET, L"GetRangeFirstItemPosition",
                         L"Fail to Get First Item Position from the range");
}

VARIANT ExcelBase::GetRangeSpecificItemPosition(IDispatch* range, LONGLONG rows,
                                                LONGLONG columns) {
  if (range == nullptr) return EmptyVariant();
  const wchar_t* label = L"GetRangeSpecificItemPosition";
  const wchar_t* failure = L"Fail to Get First Item Position from the row-column index";
  LONGLONG index = 0;
  if (__builtin_mul_overflow(rows, columns, &index)) {
    WriteLog(label, failure);
    return EmptyVariant();
  }
  ClearAllArgs();
  AddArgumentLong64(L"RowIndex", 0, index);
  return InvokeForResult(range, L"Item", DISPATCH_PROPERTYGET, label, failure);
}

VARIANT ExcelBase::GetRangeLastItemPositionEx(IDispatch* range) {
  if (range == nullptr) return EmptyVariant();
  int rows = 0;
  int columns = 0;
  GetRangeTotalRowsCoulms(range, rows, columns);
  if (IsLogEnabled()) {
    wchar_t line[260];
    FixedTextWriter(line, 260)
        .Text(L"total Row = ")
        .Decimal(rows)
        .Text(L" total Column = ")
        .Decimal(columns);
    WriteLog(L"GetRangeLastItemPositionEx", line);
  }
  OwnedVariant cell(GetRangeSpecificItemPosition(range, rows, columns));
  if (!cell.HoldsDispatch()) return EmptyVariant();
  return GetReferenceAddressFromDispatch(cell.Dispatch());
}

VARIANT ExcelBase::GetRangeLastItemPosition(IDispatch* range) {
  const wchar_t* label = L"GetRangeLastItemPosition";
  if (range == nullptr) {
    WriteLog(label, L"DispatchRange is NULL");
    return EmptyVariant();
  }
  ClearAllArgs();
  AddArgumentInt2(L"Type", 0, kCellTypeLastCell);
  return InvokeForResult(range, L"SpecialCells", DISPATCH_METHOD, label, nullptr,
                         L"return Last Cell Disptacher");
}

int ExcelBase::GetRangeTotalRowsCoulms(IDispatch* range, int& rows, int& columns) {
  rows = 0;
  columns = 0;
  if (range == nullptr) return 0;
  for (int part = 0; part < 2; ++part) {
    OwnedVariant lines(part == 0 ? GetRangeRowsDispatcher(range) : GetRangeColumnDispatcher(range));
    if (lines.HoldsDispatch()) {
      OwnedVariant count(GetRangeCount(lines.Dispatch()));
      (part == 0 ? rows : columns) = static_cast<int>(GetCountValue(count.Get()));
    }
  }
  return 1;
}

int ExcelBase::IsRangeContainSingleCell(IDispatch* range) {
  if (range == nullptr) return 0;
  int rows = 0;
  int columns = 0;
  GetRangeTotalRowsCoulms(range, rows, columns);
  return rows == 1 && columns == 1 ? 1 : 0;
}

VARIANT ExcelBase::GetRangeOffSetDispatcher(IDispatch* range, LONG rowOffset, LONG columnOffset) {
  if (range == nullptr) return EmptyVariant();
  ClearAllArgs();
  AddArgumentLong(L"RowOffset", 0, rowOffset);
  AddArgumentLong(L"ColumnOffset", 0, columnOffset);
  return InvokeForResult(range, L"Offset", DISPATCH_PROPERTYGET, L"GetRangeOffSetDispatcher",
                         nullptr, L"Offset disptacher is found");
}

VARIANT ExcelBase::GetRangeArrayValue2(IDispatch* range) {
  if (range == nullptr) return EmptyVariant();
  ClearAllArgs();
  return InvokeForResult(range, L"Value2", DISPATCH_PROPERTYGET, L"GetRangeArrayValue2",
                         L"Error read All Range defalut value2 ");
}

VARIANT ExcelBase::PutRangeArrayValue2(IDispatch* range, const wchar_t* text) {
  if (range == nullptr) return EmptyVariant();
  ClearAllArgs();
  AddArgumentOLEString(nullptr, 0, text);
  if (!ExlInvoke(range, L"Value2", nullptr, DISPATCH_PROPERTYPUT, kClearArgumentsAfterCall)) {
    WriteLog(L"PutRangeArrayValue2", L"Error in set text to value2 ");
  }
  return EmptyVariant();
}

int ExcelBase::GetRangeSafeArrayValue(IDispatch* range, VARIANT* out) {
  if (range == nullptr || out == nullptr) return 0;
  ClearAllArgs();
  AddArgumentInt2(L"RangeValueDataType", 0, kRangeValueDefault);
  if (!ExlInvoke(range, L"Value", out, DISPATCH_PROPERTYGET, kClearArgumentsAfterCall)) {
    WriteLog(L"GetRangeSafeArrayValue", L"Error read All Range defalut value in safe Array");
    return 0;
  }
  return 1;
}

VARIANT ExcelBase::GetEntireRow(IDispatch* range) {
  if (range == nullptr) return EmptyVariant();
  ClearAllArgs();
  return InvokeForResult(range, L"EntireRow", DISPATCH_PROPERTYGET, L"GetEntireRow",
                         L"Entire row is not found");
}

int ExcelBase::DeleteDispatchRow(IDispatch* range) {
  if (range == nullptr) return 0;
  OwnedVariant row(GetEntireRow(range));
  if (!row.HoldsDispatch()) return 0;
  ClearAllArgs();
  OwnedVariant deleted;
  const int status = ExlInvoke(row.Dispatch(), L"Delete", deleted.Out(), DISPATCH_PROPERTYGET,
                               kClearArgumentsAfterCall);
  if (!status) WriteLog(L"DeleteDispatchRow", L"unable to delete row");
  return status;
}

VARIANT ExcelBase::RunMacroMethod(IDispatch* application, const wchar_t* macroName,
                                  std::vector<std::wstring> arguments) {
  const wchar_t* label = L"RunMacroMethod";
  if (application == nullptr) return EmptyVariant();
  constexpr size_t kMaxMacroArguments = kMaxArguments - 1;  // one entry holds the macro name
  if (arguments.size() > kMaxMacroArguments) {
    // The argument list cannot hold them; refuse rather than drop any.
    m_errorCode[0] = L'\0';
    FixedTextWriter(m_errorMessage, kErrorTextSize)
        .Text(L"Run: Too many macro arguments (")
        .Decimal(static_cast<int64_t>(arguments.size()))
        .Text(L"); at most ")
        .Decimal(kMaxMacroArguments)
        .Text(L" are supported.");
    WriteLog(label, m_errorMessage);
    WriteLog(label, L"Error in run macro command");
    return EmptyVariant();
  }

  ClearAllArgs();
  AddArgumentOLEString(L"Macro", 0, macroName);
  // The names must stay valid until the call has been made.
  wchar_t argumentNames[kMaxMacroArguments][8];
  for (size_t i = 0; i < arguments.size(); ++i) {
    FixedTextWriter(argumentNames[i], 8).Text(L"Arg").Decimal(static_cast<int64_t>(i + 1));
    AddArgumentOLEString(argumentNames[i], 0, arguments[i].c_str());
  }
  return InvokeForResult(application, L"Run", DISPATCH_METHOD, label, L"Error in run macro command");
}

VARIANT ExcelBase::GetName(IDispatch* object) {
  if (object == nullptr) return EmptyVariant();
  ClearAllArgs();
  return InvokeForResult(object, L"Name", DISPATCH_PROPERTYGET, L"GetName",
                         L"Error Get name Property");
}

int ExcelBase::SetApplicationDisplayAlerts(IDispatch* application, int flag) {
  const wchar_t* label = L"SetApplicationDisplayAlerts";
  if (application == nullptr) {
    WriteLog(label, L"Dispatcher is null");
    return 0;
  }
  WriteLog(label, L"Set Display Alert");
  ClearAllArgs();
  AddArgumentBool(nullptr, 0, flag);
  const int status =
      ExlInvoke(application, L"DisplayAlerts", nullptr, DISPATCH_PROPERTYPUT, kClearArgumentsAfterCall);
  if (!status) WriteLog(label, L"Error in set Display Alert ");
  WriteLog(label, L"Set Display Alert-Complete");
  return status;
}

VARIANT ExcelBase::GetApplication(IDispatch* object) {
  const wchar_t* label = L"GetApplication";
  if (object == nullptr) {
    WriteLog(label, L"Dispatcher is null");
    return EmptyVariant();
  }
  ClearAllArgs();
  return InvokeForResult(object, L"Application", DISPATCH_PROPERTYGET, label,
                         L"Error Get Application Property");
}

int ExcelBase::SelectRange(IDispatch* range) {
  if (range == nullptr) return 0;
  ClearAllArgs();
  OwnedVariant result;
  const int status =
      ExlInvoke(range, L"Select", result.Out(), DISPATCH_METHOD, kClearArgumentsAfterCall);
  if (!status) WriteLog(L"SelectRange", L"Fail to Select Range");
  return status;
}
