// Broken and hostile files are refused with a description a person can act
// on, never a crash, a hang or unbounded memory.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "server/files/utf8.h"
#include "server/files/workbook_files.h"
#include "tests/files/file_test_support.h"

namespace sheetwright::files {
namespace {

using namespace testing;

// A compound-file header, optionally followed by a directory entry name.
std::string CompoundFile(const char* streamName) {
  std::string bytes("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
  bytes.resize(512, '\0');
  bytes.resize(1024, '\0');
  if (streamName) {
    for (const char* p = streamName; *p; ++p) {
      bytes.push_back(*p);
      bytes.push_back('\0');
    }
  } else {
    const char* workbook = "Workbook";
    for (const char* p = workbook; *p; ++p) {
      bytes.push_back(*p);
      bytes.push_back('\0');
    }
  }
  bytes.resize(2048, '\0');
  return bytes;
}

void PutLe32(std::string& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

void PutLe16(std::string& bytes, size_t at, uint16_t value) {
  bytes[at] = static_cast<char>(value & 0xFF);
  bytes[at + 1] = static_cast<char>(value >> 8);
}

// The kept-features workbook with its first entry's stated size raised to
// `size` in both headers, as a zip bomb would state it.
std::string WithStatedSize(std::string zip, uint32_t size) {
  size_t central = zip.rfind(std::string("PK\x01\x02", 4));
  for (size_t at = zip.find(std::string("PK\x01\x02", 4)); at != std::string::npos && at <= central;
       at = zip.find(std::string("PK\x01\x02", 4), at + 4)) {
    PutLe32(zip, at + 24, size);
  }
  for (size_t at = zip.find(std::string("PK\x03\x04", 4)); at != std::string::npos;
       at = zip.find(std::string("PK\x03\x04", 4), at + 4)) {
    PutLe32(zip, at + 22, size);
  }
  return zip;
}

std::string WithStatedEntryCount(std::string zip, uint16_t count) {
  size_t eocd = zip.rfind(std::string("PK\x05\x06", 4));
  PutLe16(zip, eocd + 8, count);
  PutLe16(zip, eocd + 10, count);
  return zip;
}

struct HostileCase {
  const char* name;
  std::function<std::string(const std::string& dir)> make;  // returns the path to open
  const char* expected;                                       // part of the description
};

TEST(HostileFiles, FailCleanlyWithAReadableDescription) {
  SKIP_WITHOUT_OPENPYXL();
  const std::string good = ReadFile(Fixture("kept_features.xlsx"));
  const HostileCase cases[] = {
      {"MissingFileGivesTheApplicationsText",
       [](const std::string& d) { return d + "/nowhere.xlsx"; }, "Sorry, we couldn't find "},
      {"NotAZipFailsCleanly",
       [](const std::string& d) {
         WriteFile(d + "/plain.xlsx", "just some text, not a package");
         return d + "/plain.xlsx";
       },
       "the file format or file extension is not valid"},
      {"TruncatedZipFailsCleanly",
       [&](const std::string& d) {
         WriteFile(d + "/cut.xlsx", good.substr(0, good.size() / 2));
         return d + "/cut.xlsx";
       },
       "cannot open the file 'cut.xlsx'"},
      {"EncryptedWorkbookFailsCleanly",
       [](const std::string& d) {
         WriteFile(d + "/secret.xlsx", CompoundFile("EncryptionInfo"));
         return d + "/secret.xlsx";
       },
       "password-protected"},
      {"LegacyBinaryWorkbookFailsCleanly",
       [](const std::string& d) {
         WriteFile(d + "/old.xls", CompoundFile(nullptr));
         return d + "/old.xls";
       },
       "Excel 97-2003"},
      {"ZipBombIsRefused",
       [&](const std::string& d) {
         WriteFile(d + "/bomb.xlsx", WithStatedSize(good, 0xF0000000u));
         return d + "/bomb.xlsx";
       },
       "zip bomb"},
      {"HugeEntryCountIsRefused",
       [&](const std::string& d) {
         WriteFile(d + "/many.xlsx", WithStatedEntryCount(good, 65000));
         return d + "/many.xlsx";
       },
       "zip bomb"},
      {"UnderstatedPartSizeIsCaught",
       [&](const std::string& d) {
         WriteFile(d + "/under.xlsx", WithStatedSize(good, 10));
         return d + "/under.xlsx";
       },
       "cannot open the file 'under.xlsx'"},
      {"ExternalEntityIsNotResolved",
       [](const std::string&) { return Fixture("external_entity.xlsx"); }, "document type"},
      {"EntityExpansionIsNotPerformed",
       [](const std::string&) { return Fixture("entity_expansion.xlsx"); }, "document type"},
      {"MalformedSheetXmlFailsCleanly",
       [](const std::string&) { return Fixture("malformed_sheet.xlsx"); }, "not well-formed XML"},
      {"MissingSheetPartFailsCleanly",
       [](const std::string&) { return Fixture("missing_sheet_part.xlsx"); }, "is missing"},
      {"PackageWithoutWorkbookFailsCleanly",
       [](const std::string&) { return Fixture("no_workbook.xlsx"); }, "holds no workbook"},
      {"FolderInsteadOfFileFailsCleanly", [](const std::string& d) { return d; }, "it is a folder"},
  };
  const std::string dir = ScratchDir();
  for (const HostileCase& c : cases) {
    SCOPED_TRACE(c.name);
    engine::Workbook book;
    const std::string path = c.make(dir);
    FileStatus status = LoadWorkbook(WideFromUtf8(path), book);
    EXPECT_EQ(status.hr, DISP_E_EXCEPTION);
    EXPECT_NE(Narrow(status.description).find(c.expected), std::string::npos) << Narrow(status.description);
  }
}

TEST(HostileFiles, MissingFileNamesTheFullPath) {
  engine::Workbook book;
  FileStatus status = LoadWorkbook(L"/no/such/folder/book.xlsx", book);
  EXPECT_EQ(status.hr, DISP_E_EXCEPTION);
  EXPECT_EQ(status.description,
            L"Sorry, we couldn't find /no/such/folder/book.xlsx. Is it possible it was moved, renamed or deleted?");
}

}  // namespace
}  // namespace sheetwright::files
