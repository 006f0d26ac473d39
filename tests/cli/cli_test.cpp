// The command-line tool, run as a separate process the way a user runs it.
#include <sys/wait.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/boundary/temp_folder.h"

namespace {

struct Outcome {
  int exitCode = -1;
  std::vector<std::string> lines;
};

Outcome RunCli(const std::string& arguments) {
  Outcome outcome;
  const std::string command = std::string(SHEETWRIGHT_CLI) + " " + arguments;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return outcome;
  std::string output;
  char buffer[4096];
  size_t read;
  while ((read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, read);
  const int status = pclose(pipe);
  outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::istringstream in(output);
  std::string line;
  while (std::getline(in, line)) outcome.lines.push_back(line);
  return outcome;
}

const char kPending[] =
    "{\"commandName\":\"GetUsedRange\",\"parameter\":{\"SessionName\":\"cli\"}}";

TEST(Cli, AnswersEachLineOfAFileAndSkipsBlankLines) {
  TempFolder folder;
  const auto commands = folder.File("commands.jsonl");
  WriteWholeFile(commands, std::string("{}\n\n   \nnot json\r\n") + kPending + "\r\n\t\n");
  const Outcome outcome = RunCli("'" + commands.string() + "'");
  EXPECT_EQ(outcome.exitCode, 0);
  ASSERT_EQ(outcome.lines.size(), 3u);
  EXPECT_EQ(outcome.lines[0], "{}");
  EXPECT_EQ(outcome.lines[1], "{}");
  EXPECT_EQ(outcome.lines[2].rfind("{\"defaultResponse\":", 0), 0u) << outcome.lines[2];
}

TEST(Cli, ReadsStandardInputWithoutAFileArgument) {
  const Outcome outcome = RunCli("<<'EOF'\n{\"commandName\":\"open\"}\n{}\nEOF");
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_EQ(outcome.lines, (std::vector<std::string>{"{}", "{}"}));
}

TEST(Cli, LogOptionWritesTheLogAndItsClosingLineAtExit) {
  TempFolder folder;
  const auto commands = folder.File("commands.jsonl");
  WriteWholeFile(commands, std::string(kPending) + "\n");
  const Outcome outcome =
      RunCli("--log '" + folder.Path().string() + "' '" + commands.string() + "'");
  EXPECT_EQ(outcome.exitCode, 0);
  const std::string log = ReadWholeFile(folder.File("Norvix.Sheetwright.log"));
  EXPECT_EQ(log.rfind("\xEF\xBB\xBF", 0), 0u);
  EXPECT_NE(log.find(" : InitializeLogger :  Enable Log = 1 Logger path = " +
                     folder.Path().string() + " \n"),
            std::string::npos);
  EXPECT_NE(log.find(" : Send-Response : Send data is Okay \n"), std::string::npos);
  const std::string kClosing = "Closing last log file \n";
  ASSERT_GE(log.size(), kClosing.size());
  EXPECT_EQ(log.substr(log.size() - kClosing.size()), kClosing);
}

TEST(Cli, MissingFileOrBadOptionsFailWithUsage) {
  EXPECT_EQ(RunCli("/no/such/file.jsonl 2>/dev/null").exitCode, 2);
  EXPECT_EQ(RunCli("--log 2>/dev/null").exitCode, 2);
}

}  // namespace
