// The parameter classes: one per command family, each reading its own keys
// into CommandBase's fields. They add no fields; they differ only in which
// keys ParseParamater reads. GenericCommand reads only "SessionName".
#pragma once

#include "dispatch/CommandBase.h"

// "GetFindMoreDataResult", "GetMoreWorksheetData", "GetLastCellAddress",
// "GetUsedRange", "RemoveFilterFromWorksheet".
class GenericCommand : public CommandBase {};

// "AttachNewFileName"
class AttachNewFileCommand : public CommandBase {
 public:
  void ParseParamater(int commandType, const ParameterMap& parameters) override;
};

// "Detach", "Close"
class CloseCommand : public CommandBase {
 public:
  void ParseParamater(int commandType, const ParameterMap& parameters) override;
};

// "DeleteCells"
class DeleteCellsCommand : public CommandBase {
 public:
  void ParseParamater(int commandType, const ParameterMap& parameters) override;
};

// "FindNextEmptyCell", "GoToNextEmptyCell"
class FindNextEmptyCellCommand : public CommandBase {
 public:
  void ParseParamater(int commandType, const ParameterMap& parameters) override;
};

// "Find", "Replace"
class FindReplaceCommand : public CommandBase {
 public:
  void ParseParamater(int commandType, const ParameterMap& parameters) override;
};

// "GetCellAddress", "GetColumnName", "GetRowNumber"
class GetCellRowColumnCommand : public CommandBase {
 public:
  void ParseParamater(int commandType, const ParameterMap& parameters) override;
};

// "GetMultipleCells"
class GetMultipleCellsCommnd : public CommandBase {
 public:
  void ParseParamater(int commandType, const ParameterMap& parameters) override;
};

// "GetSingleCell"
class GetSingleCellCommnd : public CommandBase {
 public:
  void ParseParamater(int commandType, const ParameterMap& parameters) override;
};

// "GetSingleRow"
class GetSingleRowCommnd : public CommandBase {
 public:
  void ParseParamater(int commandType, const ParameterMap& parameters) override;
};

// "GetWorksheetData"
class GetWorkSheetDataCommand : public CommandBase {
 public:
  void ParseParamater(int commandType, const ParameterMap& parameters) override;
};

// "GoToCell"
class GoToCellCommand : public CommandBase {
 public:
  void ParseParamater(int commandType, const ParameterMap& parameters) override;
};

// "Attach", "Open"
class OpenCommand : public CommandBase {
 public:
  void ParseParamater(int commandType, const ParameterMap& parameters) override;
};

// "ReadRow", "ReadColumn"
class ReadRowColumnCommand : public CommandBase {
 public:
  void ParseParamater(int commandType, const ParameterMap& parameters) override;
};

// "RemoveBlankRows"
class RemoveBlankRowsCommand : public CommandBase {
 public:
  void ParseParamater(int commandType, const ParameterMap& parameters) override;
};

// "RunMacro"
class RunMacroCommand : public CommandBase {
 public:
  void ParseParamater(int commandType, const ParameterMap& parameters) override;
};

// "SelectRows", "SelectColumns", "SelectCells"
class SelectCommand : public CommandBase {
 public:
  void ParseParamater(int commandType, const ParameterMap& parameters) override;
};

// "SetCell"
class SetCellCommand : public CommandBase {
 public:
  void ParseParamater(int commandType, const ParameterMap& parameters) override;
};

// "SwitchToSheet"
class SwitchToSheetCommand : public CommandBase {
 public:
  void ParseParamater(int commandType, const ParameterMap& parameters) override;
};
