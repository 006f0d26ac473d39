#include "dispatch/ParameterCommands.h"

#include "support/Log.h"

// Each table lists a class's keys and the fields they fill. Integer keys of
// LONG fields use .longInteger, all other integers .integer.

void AttachNewFileCommand::ParseParamater(int commandType, const ParameterMap& parameters) {
  static const KeyBinding kKeys[] = {
      {.key = "FileName", .text = &AttachNewFileCommand::m_filePath},
  };
  ParseCommonParameters(L"AttachNewFileCommand", commandType, parameters);
  ParseKeys(parameters, kKeys);
}

void CloseCommand::ParseParamater(int commandType, const ParameterMap& parameters) {
  static const KeyBinding kKeys[] = {
      {.key = "SaveChanges", .integer = &CloseCommand::m_saveChangesWhenClosing},
  };
  ParseCommonParameters(L"CloseCommand", commandType, parameters);
  ParseKeys(parameters, kKeys);
}

void DeleteCellsCommand::ParseParamater(int commandType, const ParameterMap& parameters) {
  static const KeyBinding kKeys[] = {
      {.key = "CellOption", .integer = &DeleteCellsCommand::m_cellOption},
      {.key = "SpecifiedCellFrom", .text = &DeleteCellsCommand::m_specifiedCellFrom},
      {.key = "SpecifiedCellTo", .text = &DeleteCellsCommand::m_specifiedCellTo},
      {.key = "DeleteOption", .integer = &DeleteCellsCommand::m_deleteCellOption},
  };
  ParseCommonParameters(L"DeleteCellsCommand", commandType, parameters);
  ParseKeys(parameters, kKeys);
}

void FindNextEmptyCellCommand::ParseParamater(int commandType, const ParameterMap& parameters) {
  static const KeyBinding kKeys[] = {
      {.key = "CellOption", .integer = &FindNextEmptyCellCommand::m_cellOption},
      {.key = "SpecifiedCellFrom", .text = &FindNextEmptyCellCommand::m_specifiedCellFrom},
      {.key = "SearchOption", .integer = &FindNextEmptyCellCommand::m_searchByRow},
      {.key = "ToWards", .integer = &FindNextEmptyCellCommand::m_towardsOption},
  };
  ParseCommonParameters(L"FindNextEmptyCellCommand", commandType, parameters);
  ParseKeys(parameters, kKeys);
}

void FindReplaceCommand::ParseParamater(int commandType, const ParameterMap& parameters) {
  static const KeyBinding kKeys[] = {
      {.key = "FromOption", .integer = &FindReplaceCommand::m_findFromOption},
      {.key = "TillOption", .integer = &FindReplaceCommand::m_findTillOption},
      {.key = "SpecifiedCellFrom", .text = &FindReplaceCommand::m_specifiedCellFrom},
      {.key = "SpecifiedCellTo", .text = &FindReplaceCommand::m_specifiedCellTo},
      {.key = "FindText", .text = &FindReplaceCommand::m_findText},
      {.key = "SearchOption", .integer = &FindReplaceCommand::m_searchByRow},
      {.key = "MatchCase", .integer = &FindReplaceCommand::m_matchCase},
      {.key = "MatchEntire", .integer = &FindReplaceCommand::m_matchEntireContent},
      {.key = "ReplaceText", .text = &FindReplaceCommand::m_replaceText},
  };
  ParseCommonParameters(L"FindReplaceCommand", commandType, parameters);
  ParseKeys(parameters, kKeys);
}

void GetCellRowColumnCommand::ParseParamater(int commandType, const ParameterMap& parameters) {
  static const KeyBinding kKeys[] = {
      {.key = "CellOption", .integer = &GetCellRowColumnCommand::m_cellOption},
      {.key = "ColumnTitle", .text = &GetCellRowColumnCommand::m_columnTitle},
      {.key = "CellPosition", .longInteger = &GetCellRowColumnCommand::m_cellPosition},
      {.key = "CellAddress", .text = &GetCellRowColumnCommand::m_cellAddress},
  };
  ParseCommonParameters(L"GetCellRowColumnCommand", commandType, parameters);
  ParseKeys(parameters, kKeys);
}

void GetMultipleCellsCommnd::ParseParamater(int commandType, const ParameterMap& parameters) {
  static const KeyBinding kKeys[] = {
      {.key = "GetMultipleCellsOption", .integer = &GetMultipleCellsCommnd::m_multipleCellsOption},
      {.key = "SpecifiedCellFrom", .text = &GetMultipleCellsCommnd::m_specifiedCellFrom},
      {.key = "SpecifiedCellTo", .text = &GetMultipleCellsCommnd::m_specifiedCellTo},
      {.key = "SpecifiedRowFrom", .longInteger = &GetMultipleCellsCommnd::m_specifiedRowFrom},
      {.key = "SpecifiedRowTo", .longInteger = &GetMultipleCellsCommnd::m_specifiedRowTo},
  };
  ParseCommonParameters(L"GetMultipleCellsCommnd", commandType, parameters);
  ParseKeys(parameters, kKeys);
}

void GetSingleCellCommnd::ParseParamater(int commandType, const ParameterMap& parameters) {
  static const KeyBinding kKeys[] = {
      {.key = "CellOption", .integer = &GetSingleCellCommnd::m_singleCellOption},
      {.key = "CellAddress", .text = &GetSingleCellCommnd::m_cellAddress},
  };
  ParseCommonParameters(L"GetSingleCellCommnd", commandType, parameters);
  ParseKeys(parameters, kKeys);
}

void GetSingleRowCommnd::ParseParamater(int commandType, const ParameterMap& parameters) {
  static const KeyBinding kKeys[] = {
      {.key = "SpecificRow", .longInteger = &GetSingleRowCommnd::m_specificRow},
      {.key = "SpecifiedCellFrom", .text = &GetSingleRowCommnd::m_specifiedCellFrom},
      {.key = "SpecifiedCellTo", .text = &GetSingleRowCommnd::m_specifiedCellTo},
  };
  ParseCommonParameters(L"GetSingleRowCommnd", commandType, parameters);
  ParseKeys(parameters, kKeys);
}

void GetWorkSheetDataCommand::ParseParamater(int commandType, const ParameterMap& parameters) {
  static const KeyBinding kKeys[] = {
      {.key = "SheetOption", .integer = &GetWorkSheetDataCommand::m_workSheetOption},
      {.key = "SheetName", .text = &GetWorkSheetDataCommand::m_dataWorksheetName},
  };
  ParseCommonParameters(L"GetWorkSheetDataCommand", commandType, parameters);
  ParseKeys(parameters, kKeys);
}

void GoToCellCommand::ParseParamater(int commandType, const ParameterMap& parameters) {
  static const KeyBinding kKeys[] = {
      {.key = "CellOption", .integer = &GoToCellCommand::m_cellOption},
      {.key = "SpecifiedCellFrom", .text = &GoToCellCommand::m_specifiedCellFrom},
      {.key = "SpecifiedCellTo", .text = &GoToCellCommand::m_specifiedCellTo},
      {.key = "ActiveCellOption", .integer = &GoToCellCommand::m_activeCellOption},
  };
  ParseCommonParameters(L"GoToCellCommand", commandType, parameters);
  ParseKeys(parameters, kKeys);
}

void OpenCommand::ParseParamater(int commandType, const ParameterMap& parameters) {
  static const KeyBinding kKeys[] = {
      {.key = "FileName", .text = &OpenCommand::m_filePath},
      {.key = "SheetName", .text = &OpenCommand::m_sheetName},
      {.key = "ContainHeader", .integer = &OpenCommand::m_containHeader},
      {.key = "OpenSecureValue", .text = &OpenCommand::m_openSecureValue},
      {.key = "EditSecureValue", .text = &OpenCommand::m_editSecureValue},
  };
  ParseCommonParameters(L"OpenCommand", commandType, parameters);
  ParseKeys(parameters, kKeys);
}

void ReadRowColumnCommand::ParseParamater(int commandType, const ParameterMap& parameters) {
  static const KeyBinding kKeys[] = {
      {.key = "CellOption", .integer = &ReadRowColumnCommand::m_readCellOption},
      {.key = "CellAddress", .text = &ReadRowColumnCommand::m_readCellAddress},
      {.key = "ReadFull", .integer = &ReadRowColumnCommand::m_readFull},
  };
  ParseCommonParameters(L"ReadRowColumnCommand", commandType, parameters);
  ParseKeys(parameters, kKeys);
}

void RemoveBlankRowsCommand::ParseParamater(int commandType, const ParameterMap& parameters) {
  static const KeyBinding kKeys[] = {
      {.key = "BeginningRowOption", .integer = &RemoveBlankRowsCommand::m_beginningRowOption},
      {.key = "BeginningSpecificRowOption", .integer = &RemoveBlankRowsCommand::m_beginningSpecificRowOption},
      {.key = "BeginningRowNumber", .longInteger = &RemoveBlankRowsCommand::m_beginningRowNumber},
      {.key = "BeginningCellAddress", .text = &RemoveBlankRowsCommand::m_beginningCellAddress},
      {.key = "EndRowOption", .integer = &RemoveBlankRowsCommand::m_endRowOption},
      {.key = "EndSpecificRowOption", .integer = &RemoveBlankRowsCommand::m_endSpecificRowOption},
      {.key = "EndRowNumber", .longInteger = &RemoveBlankRowsCommand::m_endRowNumber},
      {.key = "EndCellAddress", .text = &RemoveBlankRowsCommand::m_endCellAddress},
  };
  ParseCommonParameters(L"RemoveBlankRowsCommand", commandType, parameters);
  ParseKeys(parameters, kKeys);
}

void RunMacroCommand::ParseParamater(int commandType, const ParameterMap& parameters) {
  static const KeyBinding kKeys[] = {
      {.key = "MacroName", .text = &RunMacroCommand::m_macroName},
      {.key = "MacroArgument", .text = &RunMacroCommand::m_macroArguments},
  };
  ParseCommonParameters(L"RunMacroCommand", commandType, parameters);
  ParseKeys(parameters, kKeys);
}

void SelectCommand::ParseParamater(int commandType, const ParameterMap& parameters) {
  static const KeyBinding kKeys[] = {
      {.key = "CellOption", .integer = &SelectCommand::m_cellOption},
      {.key = "SpecifiedRowFrom", .longInteger = &SelectCommand::m_specifiedRowFrom},
      {.key = "SpecifiedRowTo", .longInteger = &SelectCommand::m_specifiedRowTo},
      {.key = "SpecifiedColumnFrom", .text = &SelectCommand::m_specifiedColumnFrom},
      {.key = "SpecifiedColumnTo", .text = &SelectCommand::m_specifiedColumnTo},
      {.key = "SpecifiedCellFrom", .text = &SelectCommand::m_specifiedCellFrom},
      {.key = "SpecifiedCellTo", .text = &SelectCommand::m_specifiedCellTo},
  };
  ParseCommonParameters(L"SelectCommand", commandType, parameters);
  ParseKeys(parameters, kKeys);
}

void SetCellCommand::ParseParamater(int commandType, const ParameterMap& parameters) {
  static const KeyBinding kKeys[] = {
      {.key = "SetCellOption", .integer = &SetCellCommand::m_setCellOption},
      {.key = "SpecifiedCellFrom", .text = &SetCellCommand::m_specifiedCellFrom},
      {.key = "SpecifiedCellTo", .text = &SetCellCommand::m_specifiedCellTo},
      {.key = "SetCellValue", .text = &SetCellCommand::m_setCellValue},
  };
  ParseCommonParameters(L"SetCellCommand", commandType, parameters);
  ParseKeys(parameters, kKeys);
}

void SwitchToSheetCommand::ParseParamater(int commandType, const ParameterMap& parameters) {
  static const KeyBinding kKeys[] = {
      {.key = "ActivateSheetOption", .integer = &SwitchToSheetCommand::m_activateSheetOption},
      {.key = "Name", .text = &SwitchToSheetCommand::m_activateSheetName},
      {.key = "Index", .integer = &SwitchToSheetCommand::m_activateSheetIndex},
      {.key = "HasChart", .integer = &SwitchToSheetCommand::m_hasChart},
  };
  ParseCommonParameters(L"SwitchToSheetCommand", commandType, parameters);
  ParseKeys(parameters, kKeys);
}
