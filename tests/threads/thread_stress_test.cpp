// A host with a thread pool: several threads call Send at once, each with its
// own session opened on that thread. Requests are served one at a time,
// every thread reads its own reply (which stays valid until its next call),
// a session used from a thread that did not open it is refused with
// RPC_E_WRONG_THREAD, and the log keeps every line whole. The ThreadSanitizer
// build runs this test too.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "boundary/Exports.h"
#include "support/LogControl.h"
#include "support/TextConversion.h"
#include "server/host_hooks.h"
#include "tests/boundary/send_helpers.h"
#include "tests/boundary/temp_folder.h"

namespace {

std::string Command(const std::string& name, const std::string& session, const std::string& params = "") {
  return "{\"commandName\":\"" + name + "\",\"parameter\":{\"SessionName\":\"" + session + "\"" +
         (params.empty() ? "" : "," + params) + "}}";
}

// A .csv file opens as one sheet named after the file.
std::string OpenRequest(const std::string& session, const std::string& path, const std::string& sheet) {
  return Command("Open", session, "\"FileName\":\"" + path + "\",\"SheetName\":\"" + sheet + "\"");
}

void WriteCsv(const std::string& path, int rows) {
  std::ofstream out(path, std::ios::binary);
  for (int r = 1; r <= rows; ++r) out << "item" << r << ',' << r << ',' << r * 1.5 << "\r\n";
}

constexpr int kThreads = 8;
constexpr auto kRunTime = std::chrono::milliseconds(1500);

TEST(ThreadStress, ConcurrentSessionsEachGetTheirOwnReplies) {
  TempFolder folder;
  InitializeLogger(1, folder.WidePath().c_str());
  std::atomic<int> failures{0};
  std::atomic<long> requests{0};
  auto fail = [&](const std::string& what) {
    if (failures.fetch_add(1) < 10) ADD_FAILURE() << what;
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      const std::string session = "T" + std::to_string(t);
      const std::string path = folder.File("book" + std::to_string(t) + ".csv").string();
      WriteCsv(path, 50);
      std::string reply = SendJson(OpenRequest(session, path, "book" + std::to_string(t)));
      if (reply.find("\"status\":true") == std::string::npos) return fail(session + " open: " + reply);
      const auto end = std::chrono::steady_clock::now() + kRunTime;
      for (int i = 0; std::chrono::steady_clock::now() < end; ++i) {
        const std::string value = session + "-" + std::to_string(i);
        const std::string cell = "B" + std::to_string(2 + i % 40);
        reply = SendJson(Command("SetCell", session, "\"SetCellOption\":\"1\",\"SpecifiedCellFrom\":\"" + cell +
                                                         "\",\"SetCellValue\":\"" + value + "\""));
        if (reply.find("\"status\":true") == std::string::npos) return fail(session + " set: " + reply);
        // The reply is read back only after other threads had their turn.
        const wchar_t* raw = Send(ConvertStringToWstring(
                                      Command("GetSingleCell", session, "\"CellOption\":\"1\",\"CellAddress\":\"" +
                                                                            cell + "\""))
                                      .c_str());
        std::this_thread::yield();
        reply = ConvertWStringTostring(std::wstring(raw, std::wcslen(raw)));
        if (reply.find("\"" + value + "\"") == std::string::npos) return fail(session + " read " + value + ": " + reply);
        if (i % 7 == 0) {
          reply = SendJson(Command("GetWorksheetData", session, "\"SheetOption\":\"0\""));
          if (reply.find("item50") == std::string::npos) return fail(session + " sheet data: " + reply);
        }
        requests += 2;
      }
      reply = SendJson(Command("Close", session, "\"SaveChanges\":\"1\""));
      if (reply.find("\"status\":true") == std::string::npos) fail(session + " close: " + reply);
      ClearMemory();
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_GT(requests.load(), kThreads * 10L);
  EXPECT_EQ(SheetwrightLiveServerObjects(), 0);

  // Every line of the log (and of the files it was rotated into) is whole.
  InitializeLogger(0, nullptr);
  FlushLog();
  static const std::regex kLine(R"(^\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d  : (.*?) : (.*) $)");
  long count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
    if (entry.path().filename().string().rfind("Norvix.Sheetwright.log", 0) != 0) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
      ++count;
      if (line == "Closing last log file " || line == "Creating new log file ") continue;  // the log's own
      if (!std::regex_match(line, kLine)) {
        ADD_FAILURE() << "broken log line in " << entry.path().filename() << ": " << line;
        break;
      }
    }
  }
  EXPECT_GT(count, requests.load());
  CloseLogFile();
}

TEST(ThreadStress, SessionUsedFromAnotherThreadIsRefused) {
  TempFolder folder;
  const std::string path = folder.File("own.csv").string();
  WriteCsv(path, 3);
  ASSERT_NE(SendJson(OpenRequest("own", path, "own")).find("\"status\":true"), std::string::npos);
  std::vector<std::string> replies;
  std::thread other([&] {
    replies.push_back(SendJson(Command("GetSingleCell", "own", "\"CellOption\":\"1\",\"CellAddress\":\"A1\"")));
    replies.push_back(SendJson(Command("Close", "own", "\"SaveChanges\":\"0\"")));
    replies.push_back(SendJson(Command("Detach", "own")));
  });
  other.join();
  for (const std::string& reply : replies) {
    SCOPED_TRACE(reply);
    EXPECT_EQ(reply.find("\"status\":true"), std::string::npos);
    EXPECT_NE(reply.find("RPC_E_WRONG_THREAD"), std::string::npos);
  }
  // The session is whole on its own thread.
  EXPECT_NE(SendJson(Command("GetSingleCell", "own", "\"CellOption\":\"1\",\"CellAddress\":\"A1\"")).find("item1"),
            std::string::npos);
  EXPECT_NE(SendJson(Command("Close", "own", "\"SaveChanges\":\"0\"")).find("\"status\":true"), std::string::npos);
  EXPECT_EQ(SheetwrightLiveServerObjects(), 0);
}

}  // namespace
