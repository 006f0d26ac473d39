// The parameter classes: which keys each reads, defaults, lenient integers.
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "dispatch/ParameterCommands.h"
#include "support/LenientInteger.h"

namespace {

ParameterMap MakeMap(const std::vector<std::pair<std::string, std::string>>& entries) {
  ParameterMap map;
  for (const auto& [key, value] : entries) map[key] = value;
  return map;
}

TEST(LenientInteger, ReadsLeadingDecimalNumberAndSaturates) {
  struct Case {
    const char* text;
    int32_t expected;
  };
  const Case kCases[] = {
      {"", 0},
      {"0", 0},
      {"12", 12},
      {" 12abc", 12},
      {"\t\n\v\f\r 7", 7},
      {"+5", 5},
      {"-1", -1},
      {"- 1", 0},
      {"true", 0},
      {"abc12", 0},
      {"1.9", 1},
      {"0x1F", 0},
      {"2147483647", 2147483647},
      {"2147483648", 2147483647},
      {"99999999999", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"-2147483649", -2147483647 - 1},
      {"99999999999999999999999999999999", 2147483647},
      {"00000000000000000000000042", 42},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string("\"") + c.text + "\"");
    EXPECT_EQ(ReadLenientInteger(c.text), c.expected);
  }
}

TEST(ParameterObjects, DefaultsBeforeAnyKeyIsRead) {
  GenericCommand command;
  command.ParseParamater(30, ParameterMap());
  EXPECT_EQ(command.GetCommandType(), 30);
  EXPECT_EQ(command.GetSessionName(), L"");
  EXPECT_EQ(command.GetOpenMode(), 1);
  EXPECT_EQ(command.IsAddIns(), 0);
  EXPECT_EQ(command.GetFindFromOption(), 2);
  EXPECT_EQ(command.GetFindTillOption(), 2);
  EXPECT_EQ(command.IsSearchByRow(), 1);
  EXPECT_EQ(command.GetSpecifiedRowFrom(), 1);
  EXPECT_EQ(command.GetSpecifiedRowTo(), 1);
  EXPECT_EQ(command.GetSpecificRow(), 1);
  EXPECT_EQ(command.GetActivateSheetIndex(), 1);
  EXPECT_EQ(command.GetBeginningRowNumner(), 1);
  EXPECT_EQ(command.GetEndRowNumner(), 1);
  EXPECT_EQ(command.GetCellPosition(), 1);
  EXPECT_EQ(command.GetCellOption(), 0);
  EXPECT_EQ(command.IsContainHeader(), 0);
  EXPECT_EQ(command.GetExcelFilepath(), L"");
}

// One row per class and key: the key's value lands in the right field, and
// keys of other classes are ignored.
TEST(ParameterObjects, EachClassReadsItsOwnKeys) {
  using Check = std::function<void(const CommandBase&)>;
  struct Case {
    const char* name;
    std::function<std::unique_ptr<CommandBase>()> make;
    std::vector<std::pair<std::string, std::string>> entries;
    Check check;
  };
  const std::vector<Case> kCases = {
      {"Open reads its five keys", [] { return std::make_unique<OpenCommand>(); },
       {{"SessionName", "S1"}, {"FileName", "C:\\Data\\Book1.xlsx"}, {"SheetName", "Sheet1"},
        {"ContainHeader", "1"}, {"OpenSecureValue", "o"}, {"EditSecureValue", "e"}},
       [](const CommandBase& c) {
         EXPECT_EQ(c.GetSessionName(), L"S1");
         EXPECT_EQ(c.GetExcelFilepath(), L"C:\\Data\\Book1.xlsx");
         EXPECT_EQ(c.GetExcelSheetName(), L"Sheet1");
         EXPECT_EQ(c.IsContainHeader(), 1);
         EXPECT_EQ(c.GetSecureValueForOpen(), L"o");
         EXPECT_EQ(c.GetSecureValueForEdit(), L"e");
         EXPECT_EQ(c.GetOpenMode(), 1);
         EXPECT_EQ(c.IsAddIns(), 0);
       }},
      {"ContainHeader true reads as 0", [] { return std::make_unique<OpenCommand>(); },
       {{"ContainHeader", "true"}},
       [](const CommandBase& c) { EXPECT_EQ(c.IsContainHeader(), 0); }},
      {"Close hands SaveChanges on unchanged", [] { return std::make_unique<CloseCommand>(); },
       {{"SaveChanges", "-1"}},
       [](const CommandBase& c) { EXPECT_EQ(c.IsSaveChangesWhenClosing(), -1); }},
      {"SetCell ignores FileName", [] { return std::make_unique<SetCellCommand>(); },
       {{"SetCellOption", "1"}, {"SpecifiedCellFrom", "A1"}, {"SpecifiedCellTo", "B2"},
        {"SetCellValue", "v"}, {"FileName", "x.xlsx"}},
       [](const CommandBase& c) {
         EXPECT_EQ(c.GetSetCellOption(), 1);
         EXPECT_EQ(c.GetSpecifiedCellFrom(), L"A1");
         EXPECT_EQ(c.GetSpecifiedCellTo(), L"B2");
         EXPECT_EQ(c.GetSetCellValue(), L"v");
         EXPECT_EQ(c.GetExcelFilepath(), L"");
       }},
      {"DeleteCells", [] { return std::make_unique<DeleteCellsCommand>(); },
       {{"CellOption", "1"}, {"DeleteOption", "3"}, {"SpecifiedCellFrom", "C3"}},
       [](const CommandBase& c) {
         EXPECT_EQ(c.GetCellOption(), 1);
         EXPECT_EQ(c.GetDeleteCellOption(), 3);
         EXPECT_EQ(c.GetSpecifiedCellFrom(), L"C3");
       }},
      {"Find without options keeps 2, 2 and by row", [] { return std::make_unique<FindReplaceCommand>(); },
       {{"FindText", "Pen"}},
       [](const CommandBase& c) {
         EXPECT_EQ(c.GetFindFromOption(), 2);
         EXPECT_EQ(c.GetFindTillOption(), 2);
         EXPECT_EQ(c.IsSearchByRow(), 1);
         EXPECT_EQ(c.GetActualFindText(), L"Pen");
       }},
      {"Replace reads every find key", [] { return std::make_unique<FindReplaceCommand>(); },
       {{"FromOption", "0"}, {"TillOption", "1"}, {"SearchOption", "0"}, {"MatchCase", "1"},
        {"MatchEntire", "1"}, {"FindText", "a"}, {"ReplaceText", "b"}, {"SpecifiedCellTo", "D4"}},
       [](const CommandBase& c) {
         EXPECT_EQ(c.GetFindFromOption(), 0);
         EXPECT_EQ(c.GetFindTillOption(), 1);
         EXPECT_EQ(c.IsSearchByRow(), 0);
         EXPECT_EQ(c.IsMatchCase(), 1);
         EXPECT_EQ(c.IsMatchEntireContent(), 1);
         EXPECT_EQ(c.GetReplaceFindText(), L"b");
         EXPECT_EQ(c.GetSpecifiedCellTo(), L"D4");
       }},
      {"FindNextEmptyCell", [] { return std::make_unique<FindNextEmptyCellCommand>(); },
       {{"CellOption", "1"}, {"SearchOption", "0"}, {"ToWards", "3"}, {"SpecifiedCellFrom", "A2"}},
       [](const CommandBase& c) {
         EXPECT_EQ(c.GetCellOption(), 1);
         EXPECT_EQ(c.IsSearchByRow(), 0);
         EXPECT_EQ(c.GetTowardsOption(), 3);
         EXPECT_EQ(c.GetSpecifiedCellFrom(), L"A2");
       }},
      {"GetMultipleCells reads rows leniently", [] { return std::make_unique<GetMultipleCellsCommnd>(); },
       {{"GetMultipleCellsOption", "2"}, {"SpecifiedRowFrom", " 12abc"}, {"SpecifiedRowTo", "99999999999"}},
       [](const CommandBase& c) {
         EXPECT_EQ(c.GetMultipleCellsOption(), 2);
         EXPECT_EQ(c.GetSpecifiedRowFrom(), 12);
         EXPECT_EQ(c.GetSpecifiedRowTo(), 2147483647);
       }},
      {"GetSingleRow", [] { return std::make_unique<GetSingleRowCommnd>(); },
       {{"SpecificRow", "7"}, {"SpecifiedCellFrom", "A1"}, {"SpecifiedCellTo", "C1"}},
       [](const CommandBase& c) {
         EXPECT_EQ(c.GetSpecificRow(), 7);
         EXPECT_EQ(c.GetSpecifiedCellTo(), L"C1");
       }},
      {"GoToCell", [] { return std::make_unique<GoToCellCommand>(); },
       {{"CellOption", "1"}, {"ActiveCellOption", "1"}, {"SpecifiedCellTo", "B9"}},
       [](const CommandBase& c) {
         EXPECT_EQ(c.GetCellOption(), 1);
         EXPECT_EQ(c.GetActiveCellOption(), 1);
         EXPECT_EQ(c.GetSpecifiedCellTo(), L"B9");
       }},
      {"SwitchToSheet without Index keeps 1", [] { return std::make_unique<SwitchToSheetCommand>(); },
       {{"ActivateSheetOption", "1"}, {"Name", "Data"}, {"HasChart", "1"}},
       [](const CommandBase& c) {
         EXPECT_EQ(c.GetActivateSheetOption(), 1);
         EXPECT_EQ(c.GetActivateSheetName(), L"Data");
         EXPECT_EQ(c.GetActivateSheetIndex(), 1);
         EXPECT_EQ(c.hasChart(), 1);
       }},
      {"GetSingleCell's CellOption is the single-cell option",
       [] { return std::make_unique<GetSingleCellCommnd>(); },
       {{"CellOption", "2"}, {"CellAddress", "B2"}},
       [](const CommandBase& c) {
         EXPECT_EQ(c.GetSingleCellOption(), 2);
         EXPECT_EQ(c.GetCellOption(), 0);
         EXPECT_EQ(c.GetCellAddress(), L"B2");
       }},
      {"RemoveBlankRows", [] { return std::make_unique<RemoveBlankRowsCommand>(); },
       {{"BeginningRowOption", "1"}, {"BeginningSpecificRowOption", "2"},
        {"BeginningRowNumber", "3"}, {"BeginningCellAddress", "A3"}, {"EndRowOption", "4"},
        {"EndSpecificRowOption", "5"}, {"EndRowNumber", "6"}, {"EndCellAddress", "A6"}},
       [](const CommandBase& c) {
         EXPECT_EQ(c.GetBeginningRowOption(), 1);
         EXPECT_EQ(c.GetBeginnigSpecificRowOption(), 2);
         EXPECT_EQ(c.GetBeginningRowNumner(), 3);
         EXPECT_EQ(c.GetBeginningCellAddress(), L"A3");
         EXPECT_EQ(c.GetEndRowOption(), 4);
         EXPECT_EQ(c.GetEndSpecificRowOption(), 5);
         EXPECT_EQ(c.GetEndRowNumner(), 6);
         EXPECT_EQ(c.GetEndCellAddress(), L"A6");
       }},
      {"ReadRow's keys fill the read-cell fields", [] { return std::make_unique<ReadRowColumnCommand>(); },
       {{"CellOption", "1"}, {"CellAddress", "B2"}, {"ReadFull", "1"}},
       [](const CommandBase& c) {
         EXPECT_EQ(c.GetReadCellOption(), 1);
         EXPECT_EQ(c.GetReadCellAddress(), L"B2");
         EXPECT_EQ(c.IsReadFull(), 1);
         EXPECT_EQ(c.GetCellAddress(), L"");
         EXPECT_EQ(c.GetCellOption(), 0);
       }},
      {"GetCellAddress", [] { return std::make_unique<GetCellRowColumnCommand>(); },
       {{"CellOption", "1"}, {"ColumnTitle", "Price"}, {"CellPosition", "-1"}, {"CellAddress", "C5"}},
       [](const CommandBase& c) {
         EXPECT_EQ(c.GetCellOption(), 1);
         EXPECT_EQ(c.GetColumnTitle(), L"Price");
         EXPECT_EQ(c.GetCellPosition(), -1);
         EXPECT_EQ(c.GetCellAddress(), L"C5");
       }},
      {"Select", [] { return std::make_unique<SelectCommand>(); },
       {{"CellOption", "1"}, {"SpecifiedRowFrom", "2"}, {"SpecifiedRowTo", "4"},
        {"SpecifiedColumnFrom", "B"}, {"SpecifiedColumnTo", "D"}, {"SpecifiedCellFrom", "B2"},
        {"SpecifiedCellTo", "D4"}},
       [](const CommandBase& c) {
         EXPECT_EQ(c.GetSpecifiedRowFrom(), 2);
         EXPECT_EQ(c.GetSpecifiedRowTo(), 4);
         EXPECT_EQ(c.GetSpecifiedColumnFrom(), L"B");
         EXPECT_EQ(c.GetSpecifiedColumnTo(), L"D");
         EXPECT_EQ(c.GetSpecifiedCellFrom(), L"B2");
       }},
      {"RunMacro", [] { return std::make_unique<RunMacroCommand>(); },
       {{"MacroName", "Book1!Fill"}, {"MacroArgument", "a,b"}},
       [](const CommandBase& c) {
         EXPECT_EQ(c.GetMacroName(), L"Book1!Fill");
         EXPECT_EQ(c.GetMacroArguments(), L"a,b");
       }},
      {"GetWorksheetData's SheetName is the data sheet", [] { return std::make_unique<GetWorkSheetDataCommand>(); },
       {{"SheetOption", "1"}, {"SheetName", "Data"}},
       [](const CommandBase& c) {
         EXPECT_EQ(c.GetWorkSheetOption(), 1);
         EXPECT_EQ(c.GetDataWorksheetName(), L"Data");
         EXPECT_EQ(c.GetExcelSheetName(), L"");
       }},
      {"AttachNewFileName", [] { return std::make_unique<AttachNewFileCommand>(); },
       {{"FileName", "D:\\b.xlsx"}, {"SheetName", "ignored"}},
       [](const CommandBase& c) {
         EXPECT_EQ(c.GetExcelFilepath(), L"D:\\b.xlsx");
         EXPECT_EQ(c.GetExcelSheetName(), L"");
       }},
      {"Generic reads only the session name", [] { return std::make_unique<GenericCommand>(); },
       {{"SessionName", "g"}, {"CellOption", "1"}, {"FileName", "f"}},
       [](const CommandBase& c) {
         EXPECT_EQ(c.GetSessionName(), L"g");
         EXPECT_EQ(c.GetCellOption(), 0);
         EXPECT_EQ(c.GetExcelFilepath(), L"");
       }},
      {"keys match case exactly", [] { return std::make_unique<OpenCommand>(); },
       {{"filename", "f"}, {"SESSIONNAME", "s"}, {"ContainHeader ", "1"}},
       [](const CommandBase& c) {
         EXPECT_EQ(c.GetExcelFilepath(), L"");
         EXPECT_EQ(c.GetSessionName(), L"");
         EXPECT_EQ(c.IsContainHeader(), 0);
       }},
      {"non-ASCII text is converted", [] { return std::make_unique<OpenCommand>(); },
       {{"SheetName", "Gr\xC3\xBC\xC3\x9F" "e"}, {"SessionName", "\xE6\xBC\xA2"}},
       [](const CommandBase& c) {
         EXPECT_EQ(c.GetExcelSheetName(), L"Gr\u00FC\u00DFe");
         EXPECT_EQ(c.GetSessionName(), L"\u6F22");
       }},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<CommandBase> command = c.make();
    command->ParseParamater(27, MakeMap(c.entries));
    EXPECT_EQ(command->GetCommandType(), 27);
    c.check(*command);
  }
}

}  // namespace
