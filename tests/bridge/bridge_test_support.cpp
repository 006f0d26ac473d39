#include "tests/bridge/bridge_test_support.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/LogControl.h"
#include "support/TextConversion.h"

namespace bridge_test {

CapturedLog::CapturedLog() {
  char pattern[] = "/tmp/sw-bridge-log-XXXXXX";
  const char* made = mkdtemp(pattern);
  folder_ = made != nullptr ? made : "";
  StartLog();
  ConfigureLog(1, ConvertStringToWstring(folder_).c_str());
}

CapturedLog::~CapturedLog() {
  ConfigureLog(0, nullptr);
  CloseLogFile();
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

std::vector<std::wstring> CapturedLog::Lines() {
  FlushLog();
  std::ifstream file(folder_ + "/Norvix.Sheetwright.log", std::ios::binary);
  std::vector<std::wstring> lines;
  std::string line;
  while (std::getline(file, line)) {
    // "<time> : <label> : <message> "
    const size_t afterTime = line.find(" : ");
    if (afterTime == std::string::npos) continue;
    std::string rest = line.substr(afterTime + 3);
    if (!rest.empty() && rest.back() == ' ') rest.pop_back();
    lines.push_back(ConvertStringToWstring(rest));
  }
  return lines;
}

}  // namespace bridge_test
