// Connecting, closing, saving and detaching sessions through Send.
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "server/host_hooks.h"
#include "tests/session/session_test_support.h"

namespace session_test {
namespace {

TEST(OpenTest, FailuresAnswerTheirCodeAndLeaveNoServerObjectAfterClose) {
  const long start = LiveServerObjects();
  const std::string folder = FixtureFolder();
  struct Case {
    const char* name;
    std::string path;
    std::string sheet;
    const char* code;
    const char* messageStart;  // expected start of "errorMessage"
  };
  const Case cases[] = {
      {"empty path", "", "", "EXCEL_QUV_ATTACH_100", ""},
      {"missing file", folder + "/no-such-book.xlsx", "", "EXCEL_QUV_ATTACH_100", "Open: "},
      {"a folder", folder, "", "EXCEL_QUV_ATTACH_100", "Open: "},
      {"file name longer than the file system takes", folder + "/" + std::string(300, 'x') + ".xlsx", "",
       "EXCEL_QUV_ATTACH_100", "Open: "},
      {"control characters in the name", folder + "/a\tb\x01.xlsx", "", "EXCEL_QUV_ATTACH_100", "Open: "},
      {"not a workbook", folder + "/.stamp", "", "EXCEL_QUV_ATTACH_100", "Open: "},
      {"unknown sheet", folder + "/values.xlsx", "NoSuchSheet", "EXCEL_QUV_ATTACH_101",
       "Worksheets: "},
      {"chart sheet is not a worksheet", folder + "/charts.xlsx", "Chart", "EXCEL_QUV_ATTACH_101",
       "Worksheets: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Reply opened = Open("open-failures", c.path, c.sheet);
    EXPECT_TRUE(opened.hasDefault) << opened.json;
    EXPECT_FALSE(opened.status);
    EXPECT_EQ(opened.errorCode, c.code);
    EXPECT_EQ(opened.errorMessage.rfind(c.messageStart, 0), 0u) << opened.errorMessage;
    Close("open-failures");
    EXPECT_EQ(LiveServerObjects(), start);
  }
}

TEST(OpenTest, OpensNamedOrActiveSheet) {
  const long start = LiveServerObjects();
  struct Case {
    const char* sheet;
    const char* a1;
  };
  const Case cases[] = {{"", "2.5"}, {"Values", "2.5"}, {"Other", "other-a1"}, {"third", "third-a1"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sheet);
    const Reply opened = Open("open-sheet", FixturePath("values.xlsx"), c.sheet);
    EXPECT_TRUE(opened.status) << opened.json;
    EXPECT_EQ(opened.errorCode, "");
    EXPECT_EQ(ReadCell("open-sheet", "A1").OnlyCell(), c.a1);
    EXPECT_TRUE(Close("open-sheet").status);
    EXPECT_EQ(LiveServerObjects(), start);
  }
}

// Paths travel as wide text and reach the file system as UTF-8, whatever the
// process locale.
TEST(OpenTest, NonAsciiPathOpensAttachesAndSaves) {
  const long start = LiveServerObjects();
  const std::string copy = CopyOfFixture("values.xlsx");
  const std::string path = copy.substr(0, copy.rfind('/')) + "/Tabellé 東京 😀.xlsx";
  std::filesystem::rename(copy, path);
  ASSERT_TRUE(Open("unicode", path, "Values").status);
  ASSERT_TRUE(Attach("unicode-attached", path, "Other").status);
  EXPECT_EQ(ReadCell("unicode-attached", "A1").OnlyCell(), "other-a1");
  Detach("unicode-attached");
  ASSERT_TRUE(Send(Command("SetCell", "unicode")
                       .Param("SetCellOption", 1)
                       .Param("SpecifiedCellFrom", "B2")
                       .Param("SetCellValue", "ünïcödé"))
                  .status);
  EXPECT_TRUE(Close("unicode", 1).status);
  EXPECT_EQ(LiveServerObjects(), start);
  EXPECT_EQ(ReadBackWithOpenpyxl(path, "Values", {"B2"}), std::vector<std::string>{"ünïcödé"});
}

TEST(AttachTest, FindsOpenWorkbookByPathIgnoringCase) {
  const long start = LiveServerObjects();
  const std::string path = FixturePath("values.xlsx");
  ASSERT_TRUE(Open("attach-owner", path, "Values").status);
  std::string upper = path;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  struct Case {
    const char* name;
    std::string path;
    std::string sheet;
    bool status;
    const char* code;
    const char* a1;     // A1 of the attached sheet when connected
    bool heldWorkbook;  // the workbook was found: "Detach" answers true
  };
  const Case cases[] = {
      {"same path, named sheet", path, "Other", true, "", "other-a1", true},
      // The case before activated "Other" in the shared workbook.
      {"same path, active sheet", path, "", true, "", "other-a1", true},
      {"other letter case", upper, "Third", true, "", "third-a1", true},
      {"file not open", FixturePath("grid.xlsx"), "", false, "EXCEL_QUV_ATTACH_100", nullptr, false},
      {"empty path", "", "", false, "EXCEL_QUV_ATTACH_100", nullptr, false},
      {"unknown sheet", path, "Nope", false, "EXCEL_QUV_ATTACH_101", nullptr, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Reply attached = Attach("attacher", c.path, c.sheet);
    EXPECT_EQ(attached.status, c.status) << attached.json;
    EXPECT_EQ(attached.errorCode, c.code);
    if (c.a1 != nullptr) {
      EXPECT_EQ(ReadCell("attacher", "A1").OnlyCell(), c.a1);
    }
    EXPECT_EQ(Detach("attacher").status, c.heldWorkbook);
  }
  // The owner still works on its own sheet.
  EXPECT_EQ(ReadCell("attach-owner", "A1").OnlyCell(), "2.5");
  EXPECT_TRUE(Close("attach-owner").status);
  EXPECT_EQ(LiveServerObjects(), start);
}

TEST(AttachTest, WorkbookShownUnderAUrlMatchesByFileName) {
  const long start = LiveServerObjects();
  const std::string copy = CopyOfFixture("values.xlsx");
  const std::string path = copy.substr(0, copy.rfind('/')) + "/My Plan.xlsx";
  std::filesystem::rename(copy, path);
  ASSERT_TRUE(Open("web-owner", path, "Values").status);
  const std::wstring widePath(path.begin(), path.end());
  ASSERT_EQ(SheetwrightRegisterRunningWorkbook(widePath.c_str(),
                                               L"https://example.com/sites/team/Shared%20Documents/my%20plan.xlsx"),
            1);
  struct Case {
    const char* name;
    std::string path;
    bool status;
  };
  const Case cases[] = {
      {"other folder, same file name", "/elsewhere/My Plan.xlsx", true},
      {"escaped file name", "C:\\Local\\My%20Plan.xlsx", true},
      {"other file name", "/elsewhere/Other Plan.xlsx", false},
      {"no folder separator never matches a URL", "My Plan.xlsx", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Reply reply = Attach("web", c.path, "Values");
    EXPECT_EQ(reply.status, c.status) << reply.json;
    if (c.status) {
      EXPECT_EQ(ReadCell("web", "A1").OnlyCell(), "2.5");
    }
    Detach("web");
  }
  Close("web-owner");
  EXPECT_EQ(LiveServerObjects(), start);
}

TEST(AttachTest, ConnectingAgainLetsGoOfThePreviousWorkbook) {
  const long start = LiveServerObjects();
  ASSERT_TRUE(Open("owner", FixturePath("values.xlsx")).status);
  ASSERT_TRUE(Attach("again", FixturePath("values.xlsx"), "Other").status);
  // A failed second connection must not leave the session on the first
  // workbook.
  const Reply failed = Attach("again", FixturePath("grid.xlsx"));
  EXPECT_FALSE(failed.status);
  EXPECT_EQ(failed.errorCode, "EXCEL_QUV_ATTACH_100");
  EXPECT_EQ(ReadCell("again", "A1").errorCode, "EXCEL_QUV_GET_SINGLE_CELL_100");
  Detach("again");
  Close("owner");
  EXPECT_EQ(LiveServerObjects(), start);
}

TEST(CloseTest, SavesOnlyWhenAskedAndReleasesEverything) {
  const long start = LiveServerObjects();
  struct Case {
    const char* name;
    const char* command;
    long saveChanges;
    const char* expectedB1;  // as openpyxl reads the file afterwards
  };
  const Case cases[] = {
      {"close saving", "Close", 1, "changed"},
      {"close saving, any non-zero value", "Close", -7, "changed"},
      {"close without saving", "Close", 0, "b1"},
      {"detach saving", "Detach", 1, "changed"},
      {"detach without saving", "Detach", 0, "b1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = CopyOfFixture("values.xlsx");
    ASSERT_TRUE(Open("saver", path, "Values").status);
    ASSERT_TRUE(Send(Command("SetCell", "saver")
                         .Param("SetCellOption", 1)
                         .Param("SpecifiedCellFrom", "B1")
                         .Param("SetCellValue", "changed"))
                    .status);
    const Reply closed = Send(Command(c.command, "saver").Param("SaveChanges", c.saveChanges));
    EXPECT_TRUE(closed.status) << closed.json;
    EXPECT_EQ(closed.errorCode, "");
    if (std::string(c.command) == "Detach") {
      // The workbook stays open in the running application: close it from a
      // new session, without saving.
      ASSERT_TRUE(Attach("closer", path).status);
      EXPECT_EQ(ReadCell("closer", "B1").OnlyCell(), "changed");
      EXPECT_TRUE(Close("closer", 0).status);
    }
    EXPECT_EQ(LiveServerObjects(), start);
    EXPECT_EQ(ReadBackWithOpenpyxl(path, "Values", {"B1", "A1", "A13"}),
              (std::vector<std::string>{c.expectedB1, "2.5", "Grüße, 東京 😀"}));
  }
}

TEST(CloseTest, FailedSaveAnswersFalseAndStillLetsGo) {
  const long start = LiveServerObjects();
  for (const char* command : {"Close", "Detach"}) {
    SCOPED_TRACE(command);
    const std::string path = CopyOfFixture("values.xlsx");
    ASSERT_TRUE(Open("unsaved", path, "Values").status);
    // The workbook's folder disappears: nothing can be saved there.
    std::filesystem::remove_all(path.substr(0, path.rfind('/')));
    const Reply reply = Send(Command(command, "unsaved").Param("SaveChanges", 1));
    EXPECT_TRUE(reply.hasDefault);
    EXPECT_FALSE(reply.status) << reply.json;
    EXPECT_EQ(reply.errorCode, "");
    EXPECT_EQ(reply.errorMessage.rfind("Save: ", 0), 0u) << reply.errorMessage;
    if (std::string(command) == "Detach") {
      ASSERT_TRUE(Attach("unsaved-closer", path).status);
      Close("unsaved-closer", 0);
    }
    EXPECT_EQ(LiveServerObjects(), start);
  }
}

TEST(CloseTest, SessionWithoutWorkbookAnswersFalseWithoutCode) {
  for (const char* command : {"Close", "Detach"}) {
    SCOPED_TRACE(command);
    const Reply reply = Send(Command(command, "never-opened").Param("SaveChanges", 1));
    EXPECT_TRUE(reply.hasDefault);
    EXPECT_FALSE(reply.status);
    EXPECT_EQ(reply.errorCode, "");
  }
}

TEST(CloseTest, ClosedSessionIsReusableAndRefusesWork) {
  const long start = LiveServerObjects();
  ASSERT_TRUE(Open("reused", FixturePath("values.xlsx")).status);
  ASSERT_TRUE(Close("reused").status);
  const Reply afterClose = ReadCell("reused", "A1");
  EXPECT_FALSE(afterClose.status);
  EXPECT_EQ(afterClose.errorCode, "EXCEL_QUV_GET_SINGLE_CELL_100");
  ASSERT_TRUE(Open("reused", FixturePath("values.xlsx"), "Other").status);
  EXPECT_EQ(ReadCell("reused", "A1").OnlyCell(), "other-a1");
  EXPECT_TRUE(Close("reused").status);
  EXPECT_EQ(LiveServerObjects(), start);
}

TEST(AttachNewFileNameTest, RetargetsApplicationAndWorkbookOnly) {
  const long start = LiveServerObjects();
  const std::string values = FixturePath("values.xlsx");
  const std::string grid = FixturePath("grid.xlsx");
  ASSERT_TRUE(Open("first", values, "Values").status);
  ASSERT_TRUE(Open("second", grid, "Full").status);

  struct Case {
    const char* name;
    std::string path;
    bool status;
  };
  const Case cases[] = {
      {"empty path", "", false},
      {"not open", FixturePath("header.xlsx"), false},
      {"open in another application", grid, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Reply reply = Send(Command("AttachNewFileName", "first").Param("FileName", c.path));
    EXPECT_EQ(reply.status, c.status) << reply.json;
    EXPECT_EQ(reply.errorCode, "");
  }
  // The sheet is still the one "first" had: "Values" of values.xlsx.
  EXPECT_EQ(ReadCell("first", "A1").OnlyCell(), "2.5");
  Detach("first");
  Close("second");
  ASSERT_TRUE(Attach("cleanup", values).status);
  Close("cleanup");
  EXPECT_EQ(LiveServerObjects(), start);
}

}  // namespace
}  // namespace session_test
