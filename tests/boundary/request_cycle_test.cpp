// The request cycle through the exported functions: what the host sees.
#include <cwchar>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "boundary/Exports.h"
#include "support/TextConversion.h"
#include "tests/boundary/send_helpers.h"
#include "tests/boundary/temp_folder.h"

namespace {

TEST(RequestCycle, RequestsWithoutAKnownCommandAnswerEmptyObject) {
  struct Case {
    const char* name;
    const char* json;
  };
  const Case kCases[] = {
      {"empty text", ""},
      {"not json", "not json at all"},
      {"truncated json", "{\"commandName\":\"Open\""},
      {"empty object", "{}"},
      {"empty command name", "{\"commandName\":\"\",\"parameter\":{\"SessionName\":\"S\"}}"},
      {"lower-case name", "{\"commandName\":\"open\"}"},
      {"upper-case name", "{\"commandName\":\"OPEN\"}"},
      {"leading blank", "{\"commandName\":\" Open\"}"},
      {"unknown name", "{\"commandName\":\"NoSuchCommand\",\"parameter\":{\"SessionName\":\"S\"}}"},
      {"extra member", "{\"commandName\":\"Open\",\"parameter\":{},\"x\":1}"},
      {"number as parameter value",
       "{\"commandName\":\"GetSingleCell\",\"parameter\":{\"CellOption\":2}}"},
      {"array as parameter map", "{\"commandName\":\"GetUsedRange\",\"parameter\":[]}"},
      {"json array", "[1,2,3]"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SendJson(c.json), "{}");
  }
}

// A value with an embedded NUL would be cut at it on its way to the
// application: "x.csv\u0000.xlsx" would open and save x.csv although a host
// checked that the name ends in .xlsx. Such requests are refused whole.
TEST(RequestCycle, ParameterWithNulCharacterIsRefused) {
  TempFolder folder;
  { std::ofstream(folder.File("x.csv")) << "a,b\r\n"; }
  const std::string dir = folder.Path().string();
  struct Case {
    const char* name;
    std::string json;
    const char* key;
  };
  const Case cases[] = {
      {"file name cut before a different extension",
       "{\"commandName\":\"Open\",\"parameter\":{\"SessionName\":\"nul\",\"FileName\":\"" + dir +
           "/x.csv\\u0000.xlsx\",\"SheetName\":\"x\"}}",
       "FileName"},
      {"session name", "{\"commandName\":\"GetUsedRange\",\"parameter\":{\"SessionName\":\"a\\u0000b\"}}",
       "SessionName"},
      {"cell text", "{\"commandName\":\"SetCell\",\"parameter\":{\"SessionName\":\"nul\",\"SetCellValue\":\"\\u0000\"}}",
       "SetCellValue"},
      {"detach is refused and the session stays",
       "{\"commandName\":\"Detach\",\"parameter\":{\"SessionName\":\"nul\",\"SaveChanges\":\"1\\u0000\"}}",
       "SaveChanges"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string reply = SendJson(c.json);
    EXPECT_EQ(reply.find("\"status\":true"), std::string::npos) << reply;
    EXPECT_NE(reply.find(std::string("The parameter \\\"") + c.key + "\\\" holds a NUL character"), std::string::npos)
        << reply;
  }
  SendJson("{\"commandName\":\"Detach\",\"parameter\":{\"SessionName\":\"nul\"}}");
}

TEST(RequestCycle, NullRequestAnswersEmptyObject) {
  const wchar_t* reply = Send(nullptr);
  ASSERT_NE(reply, nullptr);
  EXPECT_STREQ(reply, L"{}");
}

// Every command of the table, on a session that never connected, gets an
// answer that is a JSON object; none crashes or throws across Send.
TEST(RequestCycle, EveryCommandOnAnUnconnectedSessionIsAnswered) {
  const char* kCommands[] = {
      "SetCell", "DeleteCells", "Find", "GetFindMoreDataResult", "Replace",
      "FindNextEmptyCell", "GoToNextEmptyCell", "GetMultipleCells", "GetSingleRow", "GoToCell",
      "SwitchToSheet", "GetSingleCell", "RemoveBlankRows", "ReadRow", "ReadColumn",
      "GetCellAddress", "GetColumnName", "GetRowNumber", "SelectRows", "SelectColumns",
      "SelectCells", "RunMacro", "GetWorksheetData", "GetMoreWorksheetData",
      "GetLastCellAddress", "GetUsedRange", "RemoveFilterFromWorksheet", "AttachNewFileName",
      "Close", "Detach"};
  for (const char* command : kCommands) {
    SCOPED_TRACE(command);
    const std::string reply = SendJson(std::string("{\"commandName\":\"") + command +
                                       "\",\"parameter\":{\"SessionName\":\"unconnected\"}}");
    ASSERT_FALSE(reply.empty());
    EXPECT_EQ(reply.front(), '{');
    EXPECT_EQ(reply.back(), '}');
  }
}

TEST(RequestCycle, SecondReplyCarriesNothingOfTheFirst) {
  const std::string first =
      SendJson("{\"commandName\":\"GetUsedRange\",\"parameter\":{\"SessionName\":\"carry\"}}");
  ASSERT_NE(first, "{}");
  const std::string second = SendJson("{\"commandName\":\"nothing\"}");
  EXPECT_EQ(second, "{}");
  // The same session answers the same way again: its response was emptied
  // after the first reply, not accumulated.
  EXPECT_EQ(SendJson("{\"commandName\":\"GetUsedRange\",\"parameter\":{\"SessionName\":\"carry\"}}"),
            first);
}

TEST(RequestCycle, ClearMemoryEmptiesTheReturnedTextInPlace) {
  const wchar_t* reply = Send(L"{\"commandName\":\"GetUsedRange\",\"parameter\":{}}");
  ASSERT_GT(std::wcslen(reply), 2u);
  ClearMemory();
  // The buffer keeps its storage: the earlier pointer reads as empty text.
  EXPECT_EQ(reply[0], L'\0');
  ClearMemory();  // twice is harmless
  EXPECT_STREQ(Send(L"{}"), L"{}");
}

TEST(RequestCycle, MalformedWideTextIsAnsweredNotCrashedOn) {
  struct Case {
    const char* name;
    std::wstring request;
  };
  std::wstring lone = L"{\"commandName\":\"GetUsedRange\",\"parameter\":{\"SessionName\":\"";
  const std::wstring tail = L"\"}}";
  const Case kCases[] = {
      {"lone high surrogate in a value", lone + wchar_t(0xD800) + tail},
      {"lone low surrogate in a value", lone + wchar_t(0xDFFF) + tail},
      {"value beyond U+10FFFF", lone + static_cast<wchar_t>(0x110000) + tail},
      {"all bits set", lone + static_cast<wchar_t>(-1) + tail},
      {"surrogate in the command name",
       std::wstring(L"{\"commandName\":\"Open") + wchar_t(0xDC00) + L"\"}"},
      {"control characters", std::wstring(L"{\"commandName\":\"\x01\x02\"}")},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const wchar_t* reply = Send(c.request.c_str());
    ASSERT_NE(reply, nullptr);
    const std::wstring text(reply);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.front(), L'{');
  }
}

TEST(RequestCycle, HugeRequestsAreAnsweredWhole) {
  // 8 MiB of session name: a valid request.
  const std::string name(8 << 20, 'n');
  const std::string reply =
      SendJson("{\"commandName\":\"GetUsedRange\",\"parameter\":{\"SessionName\":\"" + name + "\"}}");
  EXPECT_NE(reply, "{}");
  EXPECT_EQ(reply.front(), '{');
  // 8 MiB of garbage: not a request.
  EXPECT_EQ(SendJson(std::string(8 << 20, '[')), "{}");
}

TEST(RequestCycle, NonAsciiTextSurvivesTheConversions) {
  const std::wstring text = L"Gr\u00FC\u00DFe \u6F22\u5B57 \U0001F600";
  EXPECT_EQ(ConvertStringToWstring(ConvertWStringTostring(text)), text);
  EXPECT_EQ(ConvertWStringTostring(text), "Gr\xC3\xBC\xC3\x9F" "e \xE6\xBC\xA2\xE5\xAD\x97 \xF0\x9F\x98\x80");
}

TEST(TextConversion, MalformedInputBecomesReplacementCharacter) {
  struct Case {
    const char* name;
    std::string utf8;
    std::wstring wide;
  };
  const Case kCases[] = {
      {"empty", "", L""},
      {"embedded NUL", std::string("a\0b", 3), std::wstring(L"a\0b", 3)},
      {"stray continuation byte", "a\x80z", L"a\uFFFDz"},
      {"truncated sequence at end", "a\xE6\xBC", L"a\uFFFD"},
      {"overlong encoding", "\xC0\xAF", L"\uFFFD\uFFFD"},
      {"encoded surrogate", "\xED\xA0\x80", L"\uFFFD\uFFFD\uFFFD"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ConvertStringToWstring(c.utf8), c.wide);
  }
  EXPECT_EQ(ConvertWStringTostring(std::wstring(1, wchar_t(0xD800))), "\xEF\xBF\xBD");
  EXPECT_EQ(ConvertWStringTostring(std::wstring(1, static_cast<wchar_t>(0x110000))),
            "\xEF\xBF\xBD");
}

}  // namespace
