// Command types and the command table.
//
// Every command the host can send has one row: its name on the wire, its
// fixed type number, the parameter class that reads its parameters and the
// session operation that runs it. The numbers are fixed (they are stored in
// parameter objects and logged), so a new command never renumbers another.
//
//   const CommandRow* row = FindCommandRow(CommandType::GetSingleCell);
//   std::unique_ptr<CommandBase> parameters(row->createParameters());
//   row->run(*session, *parameters);
#pragma once

class CExcelCom;
class CommandBase;

enum class CommandType : int {
  None = 0,  // an empty or unknown name
  Attach = 1,
  Detach = 2,
  SetCell = 3,
  DeleteCells = 4,
  Find = 5,
  GetFindMoreDataResult = 6,
  Replace = 7,
  FindNextEmptyCell = 8,
  GoToNextEmptyCell = 9,
  GetMultipleCells = 10,
  GetSingleRow = 11,
  GoToCell = 12,
  SwitchToSheet = 13,
  GetSingleCell = 14,
  RemoveBlankRows = 15,
  ReadRow = 16,
  ReadColumn = 17,
  GetCellAddress = 18,
  GetColumnName = 19,
  GetRowNumber = 20,
  SelectRows = 21,
  SelectColumns = 22,
  SelectCells = 23,
  RunMacro = 24,
  GetWorksheetData = 25,
  GetMoreWorksheetData = 26,
  Open = 27,
  Close = 28,
  GetLastCellAddress = 29,
  GetUsedRange = 30,
  RemoveFilterFromWorksheet = 31,
  AttachNewFileName = 32,
};

constexpr int kLastCommandType = 32;

struct CommandRow {
  const wchar_t* name;  // the command name on the wire
  CommandType type;
  // A new parameter object of the command's class, owned by the caller.
  CommandBase* (*createParameters)();
  // Calls the command's one session operation with arguments taken from the
  // parameter object; the operation builds the session's response.
  void (*run)(CExcelCom& session, const CommandBase& parameters);
};

// Every row, in type order: CommandRows()[n - 1] is the row of type n.
const CommandRow* CommandRows();

// The row of `type`; null for CommandType::None or a number outside 1-32.
const CommandRow* FindCommandRow(CommandType type);
