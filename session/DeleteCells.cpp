// "DeleteCells": deletes the active cell, one cell or range, the block
// between two corners, or a list of cells merged into one multi-area range
// (at most 30 cells per Union call), shifting cells up or left or removing
// whole rows or columns. Header protection applies to every way.
#include <string>
#include <vector>

#include "bridge/CellAddressText.h"
#include "bridge/OwnedVariant.h"
#include "session/CExcelCom.h"
#include "support/Log.h"

namespace {

constexpr int kShiftUp = -4162;
constexpr int kShiftLeft = -4159;
constexpr int kUnionLimit = 30;

const wchar_t* OrEmpty(const wchar_t* text) { return text != nullptr ? text : L""; }

}  // namespace

int CExcelCom::DeleteCell(int cellOption, const wchar_t* cellFrom, const wchar_t* cellTo, int deleteOption) {
  static const wchar_t kLabel[] = L"DeleteCell";
  if (IsLogEnabled()) {
    WriteLog(kLabel, L"Cell Option = " + std::to_wstring(cellOption) + L" From Cell = " + OrEmpty(cellFrom) +
                         L" To Cell = " + OrEmpty(cellTo) + L" deleteOption = " + std::to_wstring(deleteOption));
  }
  int status = 0;
  if (cellOption == 0) {
    status = DeleteActiveCell(deleteOption);
  } else if (cellOption == 1) {
    ActivateWorkBook();
    std::wstring from = OrEmpty(cellFrom);
    if (cellTo != nullptr && *cellTo != L'\0') {
      status = DeleteSpecifiedCellRange(from.c_str(), cellTo, deleteOption);
    } else if (IsContainComma(from)) {
      WriteLog(kLabel, L"From Cell Contain Comma");
      std::vector<std::wstring> addresses = GetAllCellAddress(from, L',');
      if (!addresses.empty()) {
        WriteLog(kLabel, L"Call DeleteDiscontinuousCell");
        status = DeleteDiscontinuousCell(std::move(addresses), deleteOption);
      }
    } else {
      status = DeleteSpecifiedCell(from.c_str(), deleteOption);
    }
  }
  WriteLog(kLabel, L"Prepare Response");
  if (status == 0) {
    m_errorMessage[0] = L'\0';
    if (m_errorCode[0] != L'\0') {
      AddErrorMessageToResponse(m_errorCode);
    } else {
      AddErrorMessageToResponse(L"An unknown error occurred when executing the command");
      AddErrorCodeToResponse(L"EXCEL_QUV_DELETECELL_100");
    }
  }
  BuildResponseFromStatus(status);
  return status;
}

int CExcelCom::DeleteCellRange(IDispatch* target, int deleteOption) {
  static const wchar_t kLabel[] = L"DeleteCellRange";
  WriteLog(kLabel, L"Start");
  if (target == nullptr) return 0;
  if (m_containHeader != 0 && isRangeContainsInHeader(target) == 1) {
    AddErrorCodeToResponse(L"EXCEL_QUV_DELETECELL_101");
    WriteLog(kLabel, L"Unable to delete header cell");
    return 0;
  }
  int status = 1;
  switch (static_cast<unsigned>(deleteOption)) {
    case 0:
    case 1:
      ClearAllArgs();
      AddArgumentInt2(L"Shift", 0, deleteOption == 0 ? kShiftUp : kShiftLeft);
      status = ExlInvoke(target, L"Delete", nullptr, DISPATCH_METHOD, 0);
      break;
    case 2:
    case 3: {
      OwnedVariant entire(InvokeGet(target, deleteOption == 2 ? L"EntireRow" : L"EntireColumn"));
      status = entire.HoldsDispatch() ? InvokeMethod(entire.Dispatch(), L"Delete", DISPATCH_PROPERTYGET) : 0;
      break;
    }
    default:
      break;  // nothing to delete; still a success
  }
  if (status) WriteLog(kLabel, L"End");
  return status;
}

int CExcelCom::DeleteActiveCell(int deleteOption) {
  static const wchar_t kLabel[] = L"DeleteActiveCell";
  WriteLog(kLabel, L"Start");
  if (m_application != nullptr) {
    ActivateWorkBook();
    ClearAllArgs();
    OwnedVariant active(InvokeGet(m_application, L"ActiveCell"));
    if (active.HoldsDispatch()) {
      WriteLog(L"DeleteSpecifiedCell", L"Received Active cell Dispathcher");
      return DeleteCellRange(active.Dispatch(), deleteOption);
    }
  }
  AddErrorCodeToResponse(L"EXCEL_QUV_DELETECELL_102");
  return 0;
}

int CExcelCom::DeleteSpecifiedCell(const wchar_t* address, int deleteOption) {
  static const wchar_t kLabel[] = L"DeleteSpecifiedCell";
  WriteLog(kLabel, L"Start");
  if (m_worksheet != nullptr) {
    OwnedVariant application(GetApplication(m_worksheet));
    if (!application.HoldsDispatch()) return 0;
    ClearAllArgs();
    AddArgumentOLEString(nullptr, 0, OrEmpty(address));
    OwnedVariant cell;
    if (!ExlInvoke(application.Dispatch(), L"Range", cell.Out(), DISPATCH_PROPERTYGET, kClearArgumentsAfterCall))
      cell.Reset();
    application.Reset();
    if (cell.HoldsDispatch()) {
      WriteLog(kLabel, L"Received Specified cell Dispathcher");
      return DeleteCellRange(cell.Dispatch(), deleteOption);
    }
  }
  AddErrorCodeToResponse(L"EXCEL_QUV_DELETECELL_102");
  return 0;
}

int CExcelCom::DeleteSpecifiedCellRange(const wchar_t* fromCell, const wchar_t* toCell, int deleteOption) {
  static const wchar_t kLabel[] = L"DeleteSpecifiedCellRange";
  WriteLog(kLabel, L"Start");
  OwnedVariant range(GetWorkSheetRanges(fromCell, toCell));
  int status = 0;
  if (range.HoldsDispatch()) {
    status = DeleteCellRange(range.Dispatch(), deleteOption);
  } else {
    AddErrorCodeToResponse(L"EXCEL_QUV_DELETECELL_102");
  }
  WriteLog(kLabel, L"End");
  return status;
}

int CExcelCom::DeleteDiscontinuousCell(std::vector<std::wstring> addresses, int deleteOption) {
  static const wchar_t kLabel[] = L"DeleteDiscontinuousCell";
  WriteLog(kLabel, L"Start");
  if (m_worksheet == nullptr) {
    WriteLog(kLabel, L"WorkSheet Object is NULL");
    AddErrorCodeToResponse(L"EXCEL_QUV_DELETECELL_102");
    return 0;
  }
  OwnedVariant application(GetApplication(m_worksheet));
  if (!application.HoldsDispatch()) {
    WriteLog(kLabel, L"Application object not found");
    return 0;
  }
  // The header rule looks at the merged range's first cell only, which is
  // the first listed cell: a header cell later in the list would be deleted.
  // Every listed cell is checked instead.
  if (m_containHeader != 0) {
    for (const std::wstring& address : addresses) {
      OwnedVariant cell(GetSpecifiedCellDispatcher(address.c_str()));
      if (cell.HoldsDispatch() && isRangeContainsInHeader(cell.Dispatch()) == 1) {
        AddErrorCodeToResponse(L"EXCEL_QUV_DELETECELL_101");
        WriteLog(L"DeleteCellRange", L"Unable to delete header cell");
        return 0;
      }
    }
  }
  // The pieces of up to 30 cells each, until one comes back empty.
  std::vector<OwnedDispatch> pieces;
  int next = 0;
  OwnedVariant piece(GenerateUnionObject(application.Dispatch(), addresses, 0, next));
  while (piece.HoldsDispatch()) {
    pieces.push_back(piece.TakeDispatch());
    if (next < static_cast<int>(addresses.size()))
      piece.Reset(GenerateUnionObject(application.Dispatch(), addresses, next, next));
  }
  // Merged pairwise in rounds, neighbours first: the same areas in the same
  // order as merging each piece into the result so far, but every area is
  // copied about log2(pieces) times instead of once per later piece. A
  // failed Union keeps the left side and drops the right one.
  while (pieces.size() > 1) {
    std::vector<OwnedDispatch> merged;
    for (size_t k = 0; k + 1 < pieces.size(); k += 2) {
      ClearAllArgs();
      AddArgumentDispatch(L"Arg1", kArgumentBorrowed, pieces[k].Get());
      AddArgumentDispatch(L"Arg2", kArgumentBorrowed, pieces[k + 1].Get());
      OwnedVariant both;
      if (ExlInvoke(application.Dispatch(), L"Union", both.Out(), DISPATCH_PROPERTYGET, kClearArgumentsAfterCall) &&
          both.HoldsDispatch()) {
        merged.push_back(both.TakeDispatch());
      } else {
        merged.push_back(std::move(pieces[k]));
      }
    }
    if (pieces.size() % 2 == 1) merged.push_back(std::move(pieces.back()));
    pieces.swap(merged);
  }
  application.Reset();
  return DeleteCellRange(pieces.empty() ? nullptr : pieces.front().Get(), deleteOption);
}

VARIANT CExcelCom::GenerateUnionObject(IDispatch* application, const std::vector<std::wstring>& addresses,
                                       int startIndex, int& nextIndex) {
  static const wchar_t kLabel[] = L"GenerateUnionObject";
  WriteLog(kLabel, L"Start");
  const int count = static_cast<int>(addresses.size());
  if (count - startIndex <= 0) {
    WriteLog(kLabel, L"Completed with count 0");
    nextIndex = startIndex;
    return EmptyVariant();
  }
  OwnedVariant result;
  std::vector<OwnedDispatch> cells;
  if (count - startIndex == 1) {
    WriteLog(kLabel, L"Only Single Address");
    nextIndex = startIndex + 1;
    OwnedVariant first(GetSpecifiedCellDispatcher(addresses[startIndex].c_str()));
    OwnedVariant second(GetSpecifiedCellDispatcher(addresses[startIndex].c_str()));
    if (!first.HoldsDispatch() || !second.HoldsDispatch()) return EmptyVariant();
    cells.push_back(first.TakeDispatch());
    cells.push_back(second.TakeDispatch());
  } else {
    WriteLog(kLabel, L"Generate for Multiple Cell Address");
    nextIndex = startIndex;
    for (int taken = 0; taken < kUnionLimit && nextIndex < count; ++taken, ++nextIndex) {
      OwnedVariant cell(GetSpecifiedCellDispatcher(addresses[nextIndex].c_str()));
      if (cell.HoldsDispatch()) cells.push_back(cell.TakeDispatch());
    }
  }
  const bool single = count - startIndex == 1;
  if (cells.size() >= 2) {
    ClearAllArgs();
    for (size_t k = 0; k < cells.size(); ++k) {
      // The argument list keeps the name pointer until the call.
      static const wchar_t* const kArgNames[kUnionLimit] = {
          L"Arg1",  L"Arg2",  L"Arg3",  L"Arg4",  L"Arg5",  L"Arg6",  L"Arg7",  L"Arg8",  L"Arg9",  L"Arg10",
          L"Arg11", L"Arg12", L"Arg13", L"Arg14", L"Arg15", L"Arg16", L"Arg17", L"Arg18", L"Arg19", L"Arg20",
          L"Arg21", L"Arg22", L"Arg23", L"Arg24", L"Arg25", L"Arg26", L"Arg27", L"Arg28", L"Arg29", L"Arg30"};
      AddArgumentDispatch(kArgNames[k], kArgumentBorrowed, cells[k].Get());
    }
    if (ExlInvoke(application, L"Union", result.Out(), DISPATCH_PROPERTYGET, kClearArgumentsAfterCall) &&
        result.HoldsDispatch()) {
      WriteLog(L"GetRangeCount", L"Start");
      OwnedVariant countValue(GetRangeCount(result.Dispatch()));
      if (countValue.IsEmpty()) WriteLog(L"GetRangeCount", L"Fail to Get Count");
      const LONG cellCount = GetCountValue(countValue.Get());
      if (IsLogEnabled())
        WriteLog(kLabel, std::wstring(single ? L"Single cell address Union object Cell Count = "
                                             : L"mutiple  cell address Union object Cell Count = ") +
                             std::to_wstring(cellCount) + L" ");
    } else {
      result.Reset();
      WriteLog(kLabel, single ? L"Problem in generating union of single address"
                              : L"Problem in generating union of multiple  address");
    }
  }
  WriteLog(kLabel, L"End");
  return result.Detach();
}
