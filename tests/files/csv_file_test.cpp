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

TEST(CsvFile, RepeatedSaveAndLoadKeepsWhatTheApplicationWouldKeep) {
  // Each field as the application writes it; loading it and saving again
  // must give the same line, however often it is done.
  struct Case {
    const char* name;
    const char* field;
    CellType type;
  };
  const Case cases[] = {
      {"leading apostrophe is part of the text", "'007", CellType::Text},
      {"two apostrophes", "''x", CellType::Text},
      {"whole percent", "3%", CellType::Number},
      {"percent with decimals", "12.50%", CellType::Number},
      {"the phantom 29 February 1900", "2/29/1900", CellType::Date},
      {"the day after it", "3/1/1900", CellType::Date},
      {"the day before it", "2/28/1900", CellType::Date},
  };
  const std::string dir = ScratchDir();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir + "/round.csv";
    const std::string line = std::string(c.field) + "\r\n";
    WriteFile(path, line);
    for (int round = 0; round < 3; ++round) {
      engine::Workbook book;
      MustLoad(path, book);
      const engine::Cell* cell = book.sheets[0]->Find(1, 1);
      ASSERT_NE(cell, nullptr);
      EXPECT_EQ(cell->type, c.type);
      book.sheets[0]->modified = true;
      book.dirty = true;
      MustSave(book);
      EXPECT_EQ(ReadFile(path), line);
    }
  }
}

TEST(CsvFile, DateSerialsOutsideTheCalendarAreWrittenAsNumbers) {
  const std::string dir = ScratchDir();
  engine::Workbook book;
  engine::Sheet& s = book.AddWorksheet(L"x");
  const double serials[] = {-5, 3e6, 1e300};
  for (int i = 0; i < 3; ++i) {
    engine::Cell& c = s.Put(i + 1, 1);
    c.type = CellType::Date;
    c.number = serials[i];
  }
  book.fullPath = WideFromUtf8(dir + "/dates.csv");
  MustSave(book);
  EXPECT_EQ(ReadFile(dir + "/dates.csv"), "-5\r\n3000000\r\n1e+300\r\n");
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
