// Support for the session tests: building requests, sending them through the
// library's exported Send, reading the JSON replies, and the workbooks the
// tests open (written by python3-openpyxl at test time).
#pragma once

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace session_test {

// One reply of Send, read from its JSON text.
struct Reply {
  std::string json;                              // the text as returned
  bool hasDefault = false;                       // "defaultResponse" present
  bool status = false;
  std::string errorMessage;
  std::string errorCode;
  std::map<std::string, std::string> parameters;
  std::string type;                              // "" (GENERIC) or "TABLE_RESPONSE"
  bool hasTable = false;                         // "tableResponse" present
  std::vector<std::vector<std::string>> rows;
  bool more = false;                             // moreRecordsAvailable

  // The single text of a one-row, one-column table; "<n rows>" otherwise.
  std::string OnlyCell() const;
};

// A request: a command name and its parameters, all text.
class Command {
 public:
  Command(std::string name, std::string session);
  Command& Param(const std::string& key, const std::string& value);
  Command& Param(const std::string& key, long value);
  std::string Json() const;

 private:
  std::string name_;
  std::vector<std::pair<std::string, std::string>> parameters_;
};

// Sends the request through the exported Send and reads the reply.
Reply Send(const Command& command);
// Sends raw JSON text (UTF-8).
Reply SendJson(const std::string& json);

// Shorthands for the commands most tests need.
Reply Open(const std::string& session, const std::string& path, const std::string& sheet = "",
           int containHeader = 0);
Reply Attach(const std::string& session, const std::string& path, const std::string& sheet = "",
             int containHeader = 0);
Reply Close(const std::string& session, int saveChanges = 0);
Reply Detach(const std::string& session, int saveChanges = 0);
// "GetSingleCell" with option 1 on `address`.
Reply ReadCell(const std::string& session, const std::string& address);
// "GetSingleCell" with option 0 (the active cell).
Reply ReadActiveCell(const std::string& session);
Reply SwitchByName(const std::string& session, const std::string& name, int hasChart = 0);

// The folder holding the fixture workbooks (written once per test program).
const std::string& FixtureFolder();
// A fresh copy of fixture `name` in a folder of its own, for tests that change
// or save it; the copy's path.
std::string CopyOfFixture(const std::string& name);
std::string FixturePath(const std::string& name);

// Values read back with openpyxl from `path`: one text per cell address, as
// Python's str() shows it ("None" for an empty cell).
std::vector<std::string> ReadBackWithOpenpyxl(const std::string& path, const std::string& sheet,
                                              const std::vector<std::string>& cells);

// What a python3 program (run with openpyxl at hand) prints, given `args`
// (paths without quotes).
std::string RunPython(const std::string& program, const std::vector<std::string>& args);

// Live server objects right now (the server's own count).
long LiveServerObjects();

// Text of the log written while `body` ran.
std::string CaptureLog(const std::function<void()>& body);

}  // namespace session_test
