// .csv files: fields typed as typed text, quoting, line breaks inside
// quotes, the byte-order mark, and a save that reads back the same.
#include <gtest/gtest.h>

#include "server/files/csv_file.h"
#include "server/files/utf8.h"
#include "server/files/workbook_files.h"
#include "tests/files/file_test_support.h"

namespace sheetwright::files {
namespace {

using engine::CellType;
using namespace testing;

TEST(CsvFile, FieldsAreTypedAsTypedText) {
  std::string dir = ScratchDir();
  std::string path = dir + "/Sales Q1.csv";
  WriteFile(path,
            "\xEF\xBB\xBFname,amount,flag,share,when,code,note\r\n"
            "\"Smith, J\",1234.5,TRUE,50%,1/2/2020,00123,\"said \"\"hi\"\"\nthen left\"\r\n"
            "plain,\"1,234\",false,#N/A,2020-01-31,=1+2,  spaced  \n"
            ",,,,,,last");
  engine::Workbook book;
  MustLoad(path, book);
  ASSERT_EQ(book.sheets.size(), 1u);
  EXPECT_EQ(book.sheets[0]->name, L"Sales Q1");
  const engine::Sheet& s = *book.sheets[0];
  struct Case {
    const char* name;
    int32_t row, col;
    CellType type;
    double number;
    std::wstring text;
  };
  const Case cases[] = {
      {"byte-order mark is not part of the first field", 1, 1, CellType::Text, 0, L"name"},
      {"quoted comma", 2, 1, CellType::Text, 0, L"Smith, J"},
      {"decimal", 2, 2, CellType::Number, 1234.5, L""},
      {"percent", 2, 4, CellType::Number, 0.5, L""},
      {"month/day/year date", 2, 5, CellType::Date, 43832, L""},
      {"leading zeros dropped", 2, 6, CellType::Number, 123, L""},
      {"quotes and a line break inside quotes", 2, 7, CellType::Text, 0, L"said \"hi\"\nthen left"},
      {"thousands separator", 3, 2, CellType::Number, 1234, L""},
      {"ISO date", 3, 5, CellType::Date, 43861, L""},
      {"formula text stays text", 3, 6, CellType::Text, 0, L"=1+2"},
      {"spaces kept in text", 3, 7, CellType::Text, 0, L"  spaced  "},
      {"last line without line end", 4, 7, CellType::Text, 0, L"last"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const engine::Cell* cell = s.Find(c.row, c.col);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->type, c.type);
    if (c.type == CellType::Text) {
      EXPECT_EQ(book.strings.Text(cell->text), c.text);
    }
    if (c.type != CellType::Text) {
      EXPECT_DOUBLE_EQ(cell->number, c.number);
    }
  }
  EXPECT_EQ(s.Find(2, 3)->type, CellType::Boolean);
  EXPECT_TRUE(s.Find(2, 3)->boolean);
  EXPECT_FALSE(s.Find(3, 3)->boolean);
  EXPECT_EQ(s.Find(3, 4)->type, CellType::Error);
  EXPECT_EQ(s.Find(4, 1), nullptr) << "empty fields hold no cell";
  EXPECT_TRUE(book.IsDateStyle(s.Find(2, 5)->style));
}

TEST(CsvFile, SaveWritesWhatLoadReadsBack) {
  std::string dir = ScratchDir();
  std::string path = dir + "/round.csv";
  const std::string original =
      "\xEF\xBB\xBF" "a,\"b,c\",\"q\"\"uote\"\r\n"
      "1.5,TRUE,\"two\r\nlines\"\r\n"
      ",,3\r\n";
  WriteFile(path, original);
  engine::Workbook book;
  MustLoad(path, book);
  MustSave(book);
  EXPECT_EQ(ReadFile(path), original);
  // A changed value is written; a date as the application shows it.
  engine::Cell& date = book.sheets[0]->Put(3, 1);
  date.type = CellType::Date;
  date.number = 43832.75;
  MustSave(book);
  EXPECT_NE(ReadFile(path).find("1/2/2020 18:00,,3\r\n"), std::string::npos) << ReadFile(path);
}

TEST(CsvFile, NewWorkbookWithCsvPathSavesCsvWithoutByteOrderMark) {
  std::string dir = ScratchDir();
  engine::Workbook book;
  engine::Sheet& s = book.AddWorksheet(L"x");
  s.Put(1, 2).type = CellType::Boolean;
  engine::Cell& t = s.Put(2, 1);
  t.type = CellType::Text;
  t.text = book.strings.Intern(L"caf\u00e9");
  book.fullPath = WideFromUtf8(dir + "/new.csv");
  MustSave(book);
  EXPECT_EQ(ReadFile(dir + "/new.csv"), ",FALSE\r\ncaf\xC3\xA9,\r\n");
}

}  // namespace
}  // namespace sheetwright::files
