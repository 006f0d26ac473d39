// The diagnostic log as the host sees it: file, line format, the sequence a
// request writes, rotation, and silence when off.
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "boundary/Exports.h"
#include "support/LogControl.h"
#include "tests/boundary/send_helpers.h"
#include "tests/boundary/temp_folder.h"

namespace {

const char kByteOrderMark[] = "\xEF\xBB\xBF";
constexpr size_t kRotationSize = 5242880;

struct LogLine {
  std::string label;
  std::string message;
  bool operator==(const LogLine& other) const {
    return label == other.label && message == other.message;
  }
};

std::ostream& operator<<(std::ostream& out, const LogLine& line) {
  return out << "[" << line.label << " | " << line.message << "]";
}

// Each test switches the log on in its own folder and off again at the end,
// closing the file so the next test starts from a clean state.
class LogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CloseLogFile();
    InitializeLogger(1, folder.WidePath().c_str());
  }
  void TearDown() override {
    InitializeLogger(0, nullptr);
    CloseLogFile();
  }

  std::filesystem::path LogPath() const { return folder.File("Norvix.Sheetwright.log"); }

  std::string LogText() {
    FlushLog();
    return ReadWholeFile(LogPath());
  }

  // The lines of the log as (label, message), time stamps checked and cut.
  std::vector<LogLine> LogLines() {
    std::string text = LogText();
    if (text.rfind(kByteOrderMark, 0) == 0) text.erase(0, 3);
    static const std::regex kLine(R"(^\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d  : (.*?) : (.*) $)");
    std::vector<LogLine> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
      std::smatch match;
      if (!std::regex_match(line, match, kLine)) {
        ADD_FAILURE() << "malformed log line: " << line;
        continue;
      }
      lines.push_back({match[1], match[2]});
    }
    return lines;
  }

  TempFolder folder;
};

// True when `expected` occurs in `lines` in order (other lines may sit in
// between: the operation writes lines of its own).
bool ContainsInOrder(const std::vector<LogLine>& lines, const std::vector<LogLine>& expected) {
  size_t next = 0;
  for (const LogLine& line : lines) {
    if (next < expected.size() && line == expected[next]) ++next;
  }
  return next == expected.size();
}

TEST_F(LogTest, NewFileStartsWithByteOrderMarkAndTheLoggersOwnLine) {
  const std::string text = LogText();
  ASSERT_EQ(text.rfind(kByteOrderMark, 0), 0u) << text;
  const std::vector<LogLine> lines = LogLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], (LogLine{"InitializeLogger",
                               " Enable Log = 1 Logger path = " + folder.Path().string()}));
}

TEST_F(LogTest, FolderWithNonAsciiNameHoldsTheLog) {
  // "Grüße 😀": two-byte and four-byte UTF-8 sequences in the folder name.
  const std::filesystem::path inner =
      folder.Path() / std::filesystem::path(u8"Gr\u00FC\u00DFe \U0001F600");
  std::filesystem::create_directories(inner);
  CloseLogFile();  // the open file would keep the old folder
  InitializeLogger(1, (folder.WidePath() + L"/Gr\u00FC\u00DFe \U0001F600").c_str());
  Send(L"{}");
  FlushLog();
  const std::string text = ReadWholeFile(inner / "Norvix.Sheetwright.log");
  EXPECT_EQ(text.rfind(kByteOrderMark, 0), 0u);
  EXPECT_NE(text.find("Command data is Received"), std::string::npos) << text;
}

TEST_F(LogTest, LineIsTimeStampLabelMessageWithTrailingBlank) {
  Send(L"{}");
  const std::string text = LogText();
  // Two blanks between the time and the first colon, one before the line end.
  static const std::regex kSendLine(
      R"(\n\d\d\.\d\d\.20\d\d \d\d:\d\d:\d\d  : Send : Command data is Received \n)");
  EXPECT_TRUE(std::regex_search(text, kSendLine)) << text;
}

TEST_F(LogTest, FirstRequestForANewSessionWritesTheCycleInOrder) {
  SendJson("{\"commandName\":\"Open\",\"parameter\":{\"SessionName\":\"S1\",\"FileName\":\"\"}}");
  const std::vector<LogLine> lines = LogLines();
  const std::vector<LogLine> kCycle = {
      {"Send", "Command data is Received"},
      {"ParseCommandType: Command Name receive", "Open"},
      {"ParseCommandType", "Received Command Type = 27"},
      {"OpenCommand", "ParsePamater"},
      {"GetExcelComObject", "Command execute without session name"},
      {"GetExcelComObject", "Createing new Session Object = S1"},
      {"ClearResultData", "Clear Command response data"},
      {"Send-Response", "Response sent to java"},
      {"ClearResultData", "Clear Command response data"},
      {"Send-Response", "Send data is Okay"},
  };
  EXPECT_TRUE(ContainsInOrder(lines, kCycle)) << ::testing::PrintToString(lines);
  // Up to the operation's own lines, nothing else is written in between.
  ASSERT_GE(lines.size(), 8u);
  for (size_t i = 0; i < 7; ++i) EXPECT_EQ(lines[i + 1], kCycle[i]) << i;
  EXPECT_EQ(lines.back(), kCycle.back());
}

TEST_F(LogTest, FirstAttachDoesNotReportAMissingSessionName) {
  SendJson("{\"commandName\":\"Attach\",\"parameter\":{\"SessionName\":\"A1\"}}");
  const std::vector<LogLine> lines = LogLines();
  EXPECT_TRUE(ContainsInOrder(lines, {{"GetExcelComObject", "Createing new Session Object = A1"}}));
  EXPECT_FALSE(ContainsInOrder(lines, {{"GetExcelComObject", "Command execute without session name"}}));
}

TEST_F(LogTest, UnknownAndEmptyCommandNamesAreTold) {
  SendJson("{\"commandName\":\"open\"}");
  SendJson("not json");
  const std::vector<LogLine> lines = LogLines();
  EXPECT_TRUE(ContainsInOrder(lines, {
      {"ParseCommandType: Command Name receive", "open"},
      {"ParseCommandType: Command type Enum value is not defeined", "open"},
      {"Send-Response", "Send data is Okay"},
      {"CommandParser", "Not valid command  format found try to entered in this format data&data&"},
  })) << ::testing::PrintToString(lines);
}

TEST_F(LogTest, LongSessionNameIsCutToTheMessageBuffer) {
  const std::string name(1000, 'x');
  SendJson("{\"commandName\":\"GetUsedRange\",\"parameter\":{\"SessionName\":\"" + name + "\"}}");
  const std::string prefix = "Createing new Session Object = ";
  const std::vector<LogLine> lines = LogLines();
  bool found = false;
  for (const LogLine& line : lines) {
    if (line.message.rfind(prefix, 0) != 0) continue;
    found = true;
    EXPECT_EQ(line.message.size(), 259u);  // 260 characters with the terminator
  }
  EXPECT_TRUE(found);
}

TEST_F(LogTest, LoneSurrogateInSessionNameIsLoggedAsReplacementCharacter) {
  std::wstring request = L"{\"commandName\":\"GetUsedRange\",\"parameter\":{\"SessionName\":\"a";
  request += wchar_t(0xD800);
  request += L"b\"}}";
  Send(request.c_str());
  EXPECT_TRUE(ContainsInOrder(
      LogLines(), {{"GetExcelComObject", "Createing new Session Object = a\xEF\xBF\xBD" "b"}}));
}

TEST_F(LogTest, SwitchedOffLaterLinesAreDropped) {
  Send(L"{}");
  InitializeLogger(0, nullptr);
  const size_t before = LogText().size();
  Send(L"{}");
  EXPECT_EQ(LogText().size(), before);
}

TEST(LogOff, NothingIsCreatedWhenTheLogIsOff) {
  TempFolder folder;
  CloseLogFile();
  InitializeLogger(0, folder.WidePath().c_str());
  Send(L"{\"commandName\":\"GetUsedRange\",\"parameter\":{\"SessionName\":\"off\"}}");
  Send(L"{}");
  FlushLog();
  EXPECT_TRUE(folder.FileNames().empty());
}

TEST(LogOff, MissingFolderDropsLinesSilently) {
  TempFolder folder;
  CloseLogFile();
  const std::wstring missing = folder.WidePath() + L"/no/such/folder";
  InitializeLogger(1, missing.c_str());
  EXPECT_STREQ(Send(L"{}"), L"{}");
  FlushLog();
  InitializeLogger(0, nullptr);
  EXPECT_TRUE(folder.FileNames().empty());
}

// A full file receives the line being written; the next line rotates: the
// numbered files shift up by one, .5 and a stray .9 go, the old file becomes
// .1 and ends with the rotation line, and a fresh file starts.
TEST(LogRotation, FullFileShiftsFiveNumberedFilesAndDropsStrayNumbers) {
  TempFolder folder;
  CloseLogFile();
  const auto log = folder.File("Norvix.Sheetwright.log");
  WriteWholeFile(log, std::string(kRotationSize, 'x'));
  for (int n : {1, 2, 3, 4, 5, 9}) {
    WriteWholeFile(folder.File("Norvix.Sheetwright.log." + std::to_string(n)),
                   "old " + std::to_string(n));
  }
  InitializeLogger(1, folder.WidePath().c_str());  // its line still goes to the full file
  Send(L"{}");                                      // rotates first
  FlushLog();
  InitializeLogger(0, nullptr);
  CloseLogFile();

  const std::string rotated = ReadWholeFile(folder.File("Norvix.Sheetwright.log.1"));
  EXPECT_EQ(rotated.substr(0, kRotationSize), std::string(kRotationSize, 'x'));
  EXPECT_NE(rotated.find(" : InitializeLogger :  Enable Log = 1 Logger path = "), std::string::npos);
  const std::string kRotationLine = "Creating new log file \n";
  ASSERT_GE(rotated.size(), kRotationLine.size());
  EXPECT_EQ(rotated.substr(rotated.size() - kRotationLine.size()), kRotationLine);
  for (int n : {2, 3, 4, 5}) {
    SCOPED_TRACE(n);
    EXPECT_EQ(ReadWholeFile(folder.File("Norvix.Sheetwright.log." + std::to_string(n))),
              "old " + std::to_string(n - 1));
  }
  EXPECT_FALSE(std::filesystem::exists(folder.File("Norvix.Sheetwright.log.9")));
  EXPECT_FALSE(std::filesystem::exists(folder.File("Norvix.Sheetwright.log.6")));
  const std::string fresh = ReadWholeFile(log);
  EXPECT_EQ(fresh.rfind(kByteOrderMark, 0), 0u);
  EXPECT_NE(fresh.find(" : Send : Command data is Received \n"), std::string::npos);
  EXPECT_EQ(folder.FileNames().size(), 6u);
}

TEST(LogRotation, FirstRotationMakesNumberOne) {
  TempFolder folder;
  CloseLogFile();
  WriteWholeFile(folder.File("Norvix.Sheetwright.log"), std::string(kRotationSize + 10, 'y'));
  InitializeLogger(1, folder.WidePath().c_str());
  Send(L"{}");
  FlushLog();
  InitializeLogger(0, nullptr);
  CloseLogFile();
  EXPECT_TRUE(std::filesystem::exists(folder.File("Norvix.Sheetwright.log.1")));
  EXPECT_FALSE(std::filesystem::exists(folder.File("Norvix.Sheetwright.log.2")));
  EXPECT_LT(std::filesystem::file_size(folder.File("Norvix.Sheetwright.log")), 4096u);
}

TEST(LogRotation, HugeStrayNumberRotatesPromptly) {
  TempFolder folder;
  CloseLogFile();
  WriteWholeFile(folder.File("Norvix.Sheetwright.log"), std::string(kRotationSize, 'z'));
  WriteWholeFile(folder.File("Norvix.Sheetwright.log.2000000000"), "stray");
  WriteWholeFile(folder.File("Norvix.Sheetwright.log.txt"), "not numbered");
  InitializeLogger(1, folder.WidePath().c_str());
  Send(L"{}");
  FlushLog();
  InitializeLogger(0, nullptr);
  CloseLogFile();
  EXPECT_FALSE(std::filesystem::exists(folder.File("Norvix.Sheetwright.log.2000000000")));
  EXPECT_TRUE(std::filesystem::exists(folder.File("Norvix.Sheetwright.log.1")));
  EXPECT_TRUE(std::filesystem::exists(folder.File("Norvix.Sheetwright.log.txt")));
}

}  // namespace
