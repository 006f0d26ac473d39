// Loading sizes each row's cell storage to the cells it holds, whatever the
// widths of neighbouring rows, and takes the sheet's stated dimension as a
// hint only: one the part cannot fill reserves no more than the part could.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>

#include "server/files/cell_reference.h"
#include "server/files/utf8.h"
#include "server/files/workbook_files.h"
#include "server/files/zip_writer.h"
#include "tests/files/file_test_support.h"

namespace sheetwright::files {
namespace {

using namespace testing;

// A package of one worksheet with the given <sheetData> content.
void WritePackage(const std::string& path, const std::string& dimension, const std::string& sheetData) {
  const std::string ns = "http://schemas.openxmlformats.org/";
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  ZipWriter writer(fileno(f), path);
  writer.AddDeflated("[Content_Types].xml",
                     "<Types xmlns=\"" + ns + "package/2006/content-types\">"
                     "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                     "<Override PartName=\"/xl/workbook.xml\" ContentType=\"application/"
                     "vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
                     "<Override PartName=\"/xl/worksheets/sheet1.xml\" ContentType=\"application/"
                     "vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/></Types>");
  writer.AddDeflated("_rels/.rels", "<Relationships xmlns=\"" + ns + "package/2006/relationships\">"
                     "<Relationship Id=\"rId1\" Type=\"" + ns + "officeDocument/2006/relationships/officeDocument\" "
                     "Target=\"xl/workbook.xml\"/></Relationships>");
  writer.AddDeflated("xl/workbook.xml", "<workbook xmlns=\"" + ns + "spreadsheetml/2006/main\" xmlns:r=\"" + ns +
                     "officeDocument/2006/relationships\"><sheets><sheet name=\"Data\" sheetId=\"1\" r:id=\"rId1\"/>"
                     "</sheets></workbook>");
  writer.AddDeflated("xl/_rels/workbook.xml.rels", "<Relationships xmlns=\"" + ns + "package/2006/relationships\">"
                     "<Relationship Id=\"rId1\" Type=\"" + ns + "officeDocument/2006/relationships/worksheet\" "
                     "Target=\"worksheets/sheet1.xml\"/></Relationships>");
  writer.AddDeflated("xl/worksheets/sheet1.xml", "<worksheet xmlns=\"" + ns + "spreadsheetml/2006/main\">" +
                     dimension + "<sheetData>" + sheetData + "</sheetData></worksheet>");
  writer.Finish();
  std::fclose(f);
}

TEST(RowStorageLoad, RowsOfChangingWidthKeepEveryCellAndNoSpareRoom) {
  // Widths chosen against a reader that sizes a row from the rows before it:
  // wider, narrower and equal to their neighbours, a row holding only row
  // attributes, a row of cells without content, and a gap in the numbering.
  const int widths[] = {3, 40, 1, 1, 7, 0, 12, 12, 2, 33, 5, 5, 5, 5, 5, 5, 5, 5, 5, 6, 4};
  std::string sheetData;
  std::map<std::pair<int, int>, double> expected;
  int row = 0;
  for (int width : widths) {
    row += row == 9 ? 5 : 1;
    sheetData += "<row r=\"" + std::to_string(row) + "\"" + (width == 0 ? " ht=\"30\" customHeight=\"1\"" : "") + ">";
    for (int c = 1; c <= width; ++c) {
      const int col = c * 3;  // sparse columns
      const double value = row * 1000 + col;
      sheetData += "<c r=\"" + CellRef(row, col) + "\"><v>" + std::to_string(int(value)) + "</v></c>";
      expected[{row, col}] = value;
    }
    sheetData += "</row>";
  }
  sheetData += "<row r=\"90\"><c r=\"B90\"/><c r=\"C90\"/></row>";  // no content, no style: not stored

  struct Case {
    const char* name;
    std::string dimension;
  };
  const Case cases[] = {
      {"no dimension", ""},
      {"true dimension", "<dimension ref=\"C1:DU" + std::to_string(row) + "\"/>"},
      {"whole sheet stated", "<dimension ref=\"A1:XFD1048576\"/>"},
      {"whole columns stated", "<dimension ref=\"A:XFD\"/>"},
      {"malformed", "<dimension ref=\"nonsense\"/>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = ScratchDir() + "/rows.xlsx";
    WritePackage(path, c.dimension, sheetData);
    engine::Workbook book;
    MustLoad(path, book);
    ASSERT_EQ(book.sheets.size(), 1u);
    const engine::Sheet& sheet = *book.sheets[0];
    std::map<std::pair<int, int>, double> loaded;
    sheet.ForEachRow([&](int32_t r) {
      sheet.ForEachCellInRow(r, [&](int32_t col, const engine::Cell& cell) { loaded[{r, col}] = cell.number; });
    });
    EXPECT_EQ(loaded, expected);
    EXPECT_NE(sheet.RowExtra(6), 0u) << "the row of attributes only is kept";
    const engine::RowStore& rows = sheet.rows();
    EXPECT_LE(rows.capacity(), 1024u) << "a stated dimension reserves no more than the part can fill";
    for (size_t i = 0; i < rows.size(); ++i) {
      SCOPED_TRACE("row " + std::to_string(rows.RowAt(i)));
      EXPECT_EQ(rows.At(i).cells.capacity(), rows.At(i).cells.size());
      EXPECT_EQ(rows.At(i).cols.capacity(), rows.At(i).cols.size());
    }
  }
}

}  // namespace
}  // namespace sheetwright::files
