// A sheet part large enough to be inflated on a second thread while it is
// scanned: it loads exactly as a small one does, and damage deep inside it
// (past the first chunks) still fails the load cleanly.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "server/engine/workbook.h"
#include "server/files/utf8.h"
#include "server/files/workbook_files.h"
#include "server/files/zip_writer.h"
#include "tests/files/file_test_support.h"

namespace sheetwright::files {
namespace {

using namespace testing;

constexpr int kRows = 60000;  // about 7 MB of sheet XML

std::string SheetXml() {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<worksheet "
      "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>";
  for (int r = 1; r <= kRows; ++r) {
    const std::string row = std::to_string(r);
    xml += "<row r=\"" + row + "\">";
    for (char c = 'A'; c <= 'D'; ++c) {
      xml += std::string("<c r=\"") + c + row + "\"><v>" + std::to_string(r * 10 + (c - 'A')) + "</v></c>";
    }
    xml += "</row>";
  }
  return xml + "</sheetData></worksheet>";
}

void WritePackage(const std::string& path, const std::string& sheet) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  ZipWriter zip(fileno(f), path);
  zip.AddDeflated("[Content_Types].xml",
                  "<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                  "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                  "<Default Extension=\"xml\" ContentType=\"application/xml\"/></Types>");
  zip.AddDeflated("_rels/.rels",
                  "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                  "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
                  "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>");
  zip.AddDeflated("xl/workbook.xml",
                  "<?xml version=\"1.0\"?><workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                  "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets><sheet "
                  "name=\"Big\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>");
  zip.AddDeflated("xl/_rels/workbook.xml.rels",
                  "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                  "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
                  "worksheet\" Target=\"worksheets/sheet1.xml\"/></Relationships>");
  zip.AddDeflated("xl/worksheets/sheet1.xml", sheet);
  zip.Finish();
  std::fclose(f);
}

TEST(LargePartLoad, LoadsEveryCellInOrder) {
  const std::string path = ScratchDir() + "/large.xlsx";
  const std::string sheet = SheetXml();
  ASSERT_GT(sheet.size(), 4u << 20);
  WritePackage(path, sheet);
  engine::Workbook book;
  const FileStatus status = LoadWorkbook(WideFromUtf8(path), book);
  ASSERT_TRUE(status.ok()) << Utf8FromWide(status.description);
  ASSERT_EQ(book.sheets.size(), 1u);
  const engine::Sheet& loaded = *book.sheets[0];
  EXPECT_EQ(loaded.CellCount(), size_t(kRows) * 4);
  for (int r : {1, 2, kRows / 2, kRows - 1, kRows}) {
    SCOPED_TRACE(r);
    const engine::Cell* first = loaded.Find(r, 1);
    const engine::Cell* last = loaded.Find(r, 4);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(first->number, r * 10);
    EXPECT_EQ(last->number, r * 10 + 3);
  }
}

TEST(LargePartLoad, DamageFarIntoThePartFailsCleanly) {
  const std::string path = ScratchDir() + "/damaged.xlsx";
  std::string sheet = SheetXml();
  // An unclosed element near the end, megabytes after the first chunks.
  const size_t at = sheet.find("<row r=\"" + std::to_string(kRows - 10) + "\"");
  ASSERT_NE(at, std::string::npos);
  sheet.insert(at, "<row r=\"x\"><c>");
  WritePackage(path, sheet);
  engine::Workbook book;
  const FileStatus status = LoadWorkbook(WideFromUtf8(path), book);
  EXPECT_FALSE(status.ok());
  EXPECT_EQ(status.hr, DISP_E_EXCEPTION);
  EXPECT_NE(Utf8FromWide(status.description).find("sheet1.xml"), std::string::npos)
      << Utf8FromWide(status.description);
}

}  // namespace
}  // namespace sheetwright::files
