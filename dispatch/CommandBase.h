// CommandBase: the typed parameters of one request. It holds one field for
// every parameter any command knows, each with its default; a derived class
// per command family reads its own keys from the request's parameter map
// (ParseParamater) and the execution switch reads the fields through the
// getters. An object lives for one request.
//
// Text values arrive as UTF-8 and are stored as wide text; integer values are
// read leniently (ReadLenientInteger). Missing keys keep the defaults, unknown
// keys are ignored, and nothing is range-checked here: the operations check
// what they receive.
#pragma once

#include <string>

#include <google/protobuf/map.h>

#include "platform/windows_api.h"

using ParameterMap = google::protobuf::Map<std::string, std::string>;

class CommandBase {
 public:
  CommandBase() = default;
  virtual ~CommandBase() = default;

  // Stores the command type and the session name ("SessionName"). Derived
  // classes read their own keys as well. Called once, right after creation.
  // Logs the class name with "ParsePamater".
  virtual void ParseParamater(int commandType, const ParameterMap& parameters);

  int GetCommandType() const { return m_commandType; }
  std::wstring GetSessionName() const { return m_sessionName; }
  // The key of the first parameter whose value holds a NUL character, or
  // empty. Such a value would be cut at the NUL on its way to the
  // application ("x.csv\u0000.xlsx" would name x.csv), so it is refused.
  const std::string& GetParameterWithNul() const { return m_parameterWithNul; }
  std::wstring GetExcelFilepath() const { return m_filePath; }
  std::wstring GetExcelSheetName() const { return m_sheetName; }
  int GetOpenMode() const { return m_openMode; }
  std::wstring GetSecureValueForOpen() const { return m_openSecureValue; }
  std::wstring GetSecureValueForEdit() const { return m_editSecureValue; }
  int IsContainHeader() const { return m_containHeader; }
  int IsAddIns() const { return m_addIns; }
  int GetSetCellOption() const { return m_setCellOption; }
  std::wstring GetSpecifiedCellFrom() const { return m_specifiedCellFrom; }
  std::wstring GetSpecifiedCellTo() const { return m_specifiedCellTo; }
  std::wstring GetSetCellValue() const { return m_setCellValue; }
  int IsSaveChangesWhenClosing() const { return m_saveChangesWhenClosing; }
  int GetCellOption() const { return m_cellOption; }
  int GetDeleteCellOption() const { return m_deleteCellOption; }
  int GetFindFromOption() const { return m_findFromOption; }
  int GetFindTillOption() const { return m_findTillOption; }
  std::wstring GetActualFindText() const { return m_findText; }
  int IsSearchByRow() const { return m_searchByRow; }
  int IsMatchCase() const { return m_matchCase; }
  int IsMatchEntireContent() const { return m_matchEntireContent; }
  std::wstring GetReplaceFindText() const { return m_replaceText; }
  int GetTowardsOption() const { return m_towardsOption; }
  int GetMultipleCellsOption() const { return m_multipleCellsOption; }
  LONG GetSpecifiedRowFrom() const { return m_specifiedRowFrom; }
  LONG GetSpecifiedRowTo() const { return m_specifiedRowTo; }
  LONG GetSpecificRow() const { return m_specificRow; }
  int GetActiveCellOption() const { return m_activeCellOption; }
  int GetActivateSheetOption() const { return m_activateSheetOption; }
  std::wstring GetActivateSheetName() const { return m_activateSheetName; }
  int GetActivateSheetIndex() const { return m_activateSheetIndex; }
  int hasChart() const { return m_hasChart; }
  int GetSingleCellOption() const { return m_singleCellOption; }
  std::wstring GetCellAddress() const { return m_cellAddress; }
  int GetBeginningRowOption() const { return m_beginningRowOption; }
  int GetBeginnigSpecificRowOption() const { return m_beginningSpecificRowOption; }
  LONG GetBeginningRowNumner() const { return m_beginningRowNumber; }
  std::wstring GetBeginningCellAddress() const { return m_beginningCellAddress; }
  int GetEndRowOption() const { return m_endRowOption; }
  int GetEndSpecificRowOption() const { return m_endSpecificRowOption; }
  LONG GetEndRowNumner() const { return m_endRowNumber; }
  std::wstring GetEndCellAddress() const { return m_endCellAddress; }
  int GetReadCellOption() const { return m_readCellOption; }
  std::wstring GetReadCellAddress() const { return m_readCellAddress; }
  int IsReadFull() const { return m_readFull; }
  std::wstring GetColumnTitle() const { return m_columnTitle; }
  LONG GetCellPosition() const { return m_cellPosition; }
  std::wstring GetSpecifiedColumnFrom() const { return m_specifiedColumnFrom; }
  std::wstring GetSpecifiedColumnTo() const { return m_specifiedColumnTo; }
  std::wstring GetMacroName() const { return m_macroName; }
  std::wstring GetMacroArguments() const { return m_macroArguments; }
  int GetWorkSheetOption() const { return m_workSheetOption; }
  std::wstring GetDataWorksheetName() const { return m_dataWorksheetName; }

 protected:
  // One parameter key and the field it fills; exactly one pointer is set.
  struct KeyBinding {
    const char* key = nullptr;
    std::wstring CommandBase::*text = nullptr;
    int CommandBase::*integer = nullptr;
    LONG CommandBase::*longInteger = nullptr;
  };

  // Steps shared by every class: log `className`, store the type and the
  // session name.
  void ParseCommonParameters(const wchar_t* className, int commandType,
                             const ParameterMap& parameters);
  void ParseSessionName(const ParameterMap& parameters);
  // Fills the bound fields from the map. A key is compared as a
  // NUL-terminated byte string, exactly (case included); entries with other
  // keys are ignored.
  void ParseKeys(const ParameterMap& parameters, const KeyBinding* bindings, size_t count);
  template <size_t N>
  void ParseKeys(const ParameterMap& parameters, const KeyBinding (&bindings)[N]) {
    ParseKeys(parameters, bindings, N);
  }

  int m_commandType = 0;
  std::string m_parameterWithNul;
  std::wstring m_sessionName;
  std::wstring m_filePath;
  std::wstring m_sheetName;
  int m_openMode = 1;  // no key sets it
  std::wstring m_openSecureValue;
  std::wstring m_editSecureValue;
  int m_containHeader = 0;
  int m_addIns = 0;  // no key sets it
  int m_setCellOption = 0;
  std::wstring m_specifiedCellFrom;
  std::wstring m_specifiedCellTo;
  std::wstring m_setCellValue;
  int m_saveChangesWhenClosing = 0;
  int m_cellOption = 0;
  int m_deleteCellOption = 0;
  int m_findFromOption = 2;
  int m_findTillOption = 2;
  std::wstring m_findText;
  int m_searchByRow = 1;
  int m_matchCase = 0;
  int m_matchEntireContent = 0;
  std::wstring m_replaceText;
  int m_towardsOption = 0;
  int m_multipleCellsOption = 0;
  LONG m_specifiedRowFrom = 1;
  LONG m_specifiedRowTo = 1;
  LONG m_specificRow = 1;
  int m_activeCellOption = 0;
  int m_activateSheetOption = 0;
  std::wstring m_activateSheetName;
  int m_activateSheetIndex = 1;
  int m_hasChart = 0;
  int m_singleCellOption = 0;
  std::wstring m_cellAddress;
  int m_beginningRowOption = 0;
  int m_beginningSpecificRowOption = 0;
  LONG m_beginningRowNumber = 1;
  std::wstring m_beginningCellAddress;
  int m_endRowOption = 0;
  int m_endSpecificRowOption = 0;
  LONG m_endRowNumber = 1;
  std::wstring m_endCellAddress;
  int m_readCellOption = 0;
  std::wstring m_readCellAddress;
  int m_readFull = 0;
  std::wstring m_columnTitle;
  LONG m_cellPosition = 1;
  std::wstring m_specifiedColumnFrom;
  std::wstring m_specifiedColumnTo;
  std::wstring m_macroName;
  std::wstring m_macroArguments;
  int m_workSheetOption = 0;
  std::wstring m_dataWorksheetName;
};
