// The large benchmark workbook, shared by the benchmarks that read it: one
// sheet "Data", a header row and 100,000 rows x 10 columns (ids, integers,
// decimals, words from short lists, unique codes, a status with some
// Booleans, a ratio, a city, a year and a short note), about 10% of the cells
// after the first column empty, text in a shared string table.
//
//   if (!sheetwright::bench::WriteInChild(path)) { ... }
//
// WriteInChild writes it from a child process, so that generating it does not
// count towards the peak memory of what the benchmark measures.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "server/files/zip_writer.h"

namespace sheetwright::bench {

inline constexpr int kRows = 100000;

inline const char* const kProducts[16] = {"apple", "banana", "cherry", "date", "elder", "fig", "grape", "honeydew",
                                   "kiwi", "lemon", "mango", "nectarine", "orange", "papaya", "quince", "raspberry"};
inline const char* const kCities[16] = {"Amsterdam", "Berlin", "Chicago", "Dublin", "Edinburgh", "Florence",
                                 "Geneva", "Helsinki", "Istanbul", "Jakarta", "Kyoto", "Lisbon",
                                 "Madrid", "Nairobi", "Oslo", "Prague"};
inline const char* const kStatus[4] = {"open", "closed", "pending", "shipped"};
inline const char* const kWords[16] = {"quick", "brown", "fox", "lazy", "dog", "red", "blue", "green",
                                "small", "large", "early", "late", "north", "south", "east", "west"};

class SharedStrings {
 public:
  size_t Index(const std::string& text) {
    auto [it, added] = index_.emplace(text, texts_.size());
    if (added) texts_.push_back(text);
    return it->second;
  }
  std::string Xml() const {
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<sst "
        "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" count=\"" +
        std::to_string(texts_.size()) + "\" uniqueCount=\"" + std::to_string(texts_.size()) + "\">";
    for (const std::string& t : texts_) xml += "<si><t>" + t + "</t></si>";
    return xml + "</sst>";
  }
  size_t size() const { return texts_.size(); }

 private:
  std::unordered_map<std::string, size_t> index_;
  std::vector<std::string> texts_;
};

// Writes a package of one worksheet "Data" (the complete worksheet XML)
// and its shared strings.
inline void WriteSheetPackage(const std::string& path, const std::string& sheet, const std::string& sharedStrings) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  sheetwright::files::ZipWriter zip(fileno(f), path);
  zip.AddDeflated("[Content_Types].xml",
                  "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<Types "
                  "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"><Default Extension=\"rels\" "
                  "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/><Default "
                  "Extension=\"xml\" ContentType=\"application/xml\"/><Override PartName=\"/xl/workbook.xml\" "
                  "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
                  "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
                  "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
                  "<Override PartName=\"/xl/sharedStrings.xml\" "
                  "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml\"/>"
                  "</Types>");
  zip.AddDeflated("_rels/.rels",
                  "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<Relationships "
                  "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship Id=\"rId1\" "
                  "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
                  "Target=\"xl/workbook.xml\"/></Relationships>");
  zip.AddDeflated("xl/workbook.xml",
                  "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<workbook "
                  "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                  "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets><sheet "
                  "name=\"Data\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>");
  zip.AddDeflated("xl/_rels/workbook.xml.rels",
                  "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<Relationships "
                  "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship Id=\"rId1\" "
                  "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
                  "Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId2\" "
                  "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings\" "
                  "Target=\"sharedStrings.xml\"/></Relationships>");
  zip.AddDeflated("xl/worksheets/sheet1.xml", sheet);
  zip.AddDeflated("xl/sharedStrings.xml", sharedStrings);
  zip.Finish();
  std::fclose(f);
}

inline void WriteLargeWorkbook(const std::string& path) {
  std::mt19937 rng(20261209);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  SharedStrings sst;
  std::string sheet =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<worksheet "
      "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
      "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><dimension ref=\"A1:J100001\"/>"
      "<sheetViews><sheetView tabSelected=\"1\" workbookViewId=\"0\"/></sheetViews>"
      "<sheetFormatPr defaultRowHeight=\"15\"/><sheetData>";
  const char* headers[10] = {"id", "quantity", "price", "product", "code", "status", "ratio", "city", "year", "note"};
  sheet += "<row r=\"1\" spans=\"1:10\">";
  for (int c = 0; c < 10; ++c) {
    sheet += "<c r=\"" + std::string(1, static_cast<char>('A' + c)) + "1\" t=\"s\"><v>" +
             std::to_string(sst.Index(headers[c])) + "</v></c>";
  }
  sheet += "</row>";
  char buf[128];
  for (int r = 2; r <= kRows + 1; ++r) {
    sheet += "<row r=\"" + std::to_string(r) + "\" spans=\"1:10\">";
    for (int c = 0; c < 10; ++c) {
      if (c > 0 && pick(10) == 0) continue;
      std::string ref = std::string(1, static_cast<char>('A' + c)) + std::to_string(r);
      std::string type;  // the cell's t attribute
      std::string value;
      switch (c) {
        case 0: value = std::to_string(r - 1); break;
        case 1: value = std::to_string(pick(100000)); break;
        case 2:
          std::snprintf(buf, sizeof buf, pick(2) ? "%d.%d" : "%d.%02d", pick(1000), pick(2) ? pick(10) : pick(100));
          value = buf;
          break;
        case 3: type = "s", value = std::to_string(sst.Index(kProducts[pick(16)])); break;
        case 4:
          std::snprintf(buf, sizeof buf, "SKU-%06d-%c%c%c%c", r - 1, 'A' + pick(26), 'A' + pick(26), 'A' + pick(26),
                        'A' + pick(26));
          type = "s", value = std::to_string(sst.Index(buf));
          break;
        case 5:
          if (pick(20) == 0) {
            type = "b", value = pick(2) ? "1" : "0";
          } else {
            type = "s", value = std::to_string(sst.Index(kStatus[pick(4)]));
          }
          break;
        case 6:
          std::snprintf(buf, sizeof buf, "0.%03d", pick(1000));
          value = buf;
          break;
        case 7: type = "s", value = std::to_string(sst.Index(kCities[pick(16)])); break;
        case 8: value = std::to_string(1990 + pick(41)); break;
        case 9:
          std::snprintf(buf, sizeof buf, "%s %s %s %d", kWords[pick(16)], kWords[pick(16)], kWords[pick(16)],
                        pick(1000));
          type = "s", value = std::to_string(sst.Index(buf));
          break;
      }
      sheet += "<c r=\"" + ref + (type.empty() ? "\"" : "\" t=\"" + type + "\"") + "><v>" + value + "</v></c>";
    }
    sheet += "</row>";
  }
  sheet += "</sheetData><pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" "
           "footer=\"0.3\"/></worksheet>";

  WriteSheetPackage(path, sheet, sst.Xml());
}

// Writes the workbook in a child process; false when that failed.
inline bool WriteInChild(const std::string& path) {
  pid_t child = ::fork();
  if (child == 0) {
    WriteLargeWorkbook(path);
    ::_exit(std::filesystem::exists(path) ? 0 : 1);
  }
  int status = 0;
  return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace sheetwright::bench
