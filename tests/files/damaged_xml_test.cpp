// Randomly damaged worksheet and shared-string XML: every load (and the
// save of whatever loaded) either succeeds or fails with a description, and
// never crashes or overruns (the sanitizer build runs this too).
#include <gtest/gtest.h>
#include <unistd.h>

#include <random>

#include "server/files/utf8.h"
#include "server/files/workbook_files.h"
#include "server/files/zip_reader.h"
#include "server/files/zip_writer.h"
#include "tests/files/file_test_support.h"

namespace sheetwright::files {
namespace {

using namespace testing;

TEST(DamagedXml, LoadEitherSucceedsOrFailsCleanly) {
  SKIP_WITHOUT_OPENPYXL();
  ZipReader source(Fixture("cell_kinds.xlsx"), "cell_kinds.xlsx");
  std::vector<std::pair<std::string, std::string>> parts;
  for (size_t i = 0; i < source.entries().size(); ++i) parts.emplace_back(source.entries()[i].name, source.ReadAll(i));
  const std::string dir = ScratchDir();
  const std::string path = dir + "/damaged.xlsx";
  const char kNasty[] = "<>\"'&/=;#x0123456789 _";
  std::mt19937 rng(4242);
  int loaded = 0, refused = 0;
  for (int round = 0; round < 300; ++round) {
    {
      FILE* f = std::fopen(path.c_str(), "wb");
      ASSERT_NE(f, nullptr);
      ZipWriter writer(fileno(f), path);
      for (auto [name, content] : parts) {
        if (name == "xl/worksheets/sheet1.xml" || (name == "xl/sharedStrings.xml" && round % 3 == 0)) {
          int edits = 1 + static_cast<int>(rng() % 4);
          for (int e = 0; e < edits && !content.empty(); ++e) {
            size_t at = rng() % content.size();
            switch (rng() % 3) {
              case 0: content[at] = kNasty[rng() % (sizeof kNasty - 1)]; break;
              case 1: content.erase(at, 1 + rng() % 8); break;
              case 2: content.resize(at); break;
            }
          }
        }
        writer.AddDeflated(name, content);
      }
      writer.Finish();
      std::fclose(f);
    }
    engine::Workbook book;
    FileStatus status = LoadWorkbook(WideFromUtf8(path), book);
    if (status.ok()) {
      ++loaded;
      // What loaded must also save (or refuse cleanly).
      book.fullPath = WideFromUtf8(dir + "/resaved.xlsx");
      book.sheets[0]->Put(1, 1).type = engine::CellType::Boolean;
      FileStatus saved = SaveWorkbook(book);
      if (!saved.ok()) {
        EXPECT_FALSE(saved.description.empty());
      }
    } else {
      ++refused;
      EXPECT_EQ(status.hr, DISP_E_EXCEPTION);
      EXPECT_FALSE(status.description.empty());
    }
  }
  EXPECT_GT(refused, 0);
  RecordProperty("loaded", loaded);
}

}  // namespace
}  // namespace sheetwright::files
