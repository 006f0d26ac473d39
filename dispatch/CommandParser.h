// CommandParser: the one dispatcher of the process. It maps a command name to
// its command type (1 to 32, 0 for none), builds the request's parameter
// object, keeps the registry of sessions by name and runs each command by
// calling exactly one operation of the named session.
//
// Lifetimes: the current parameter object lives for one request (ParseCommand
// creates it, ClearCommandParserMemory deletes it). A session lives from the
// first request that names it until "Detach" (or ExitApplication). The parser
// is not thread-safe; the host calls it one request at a time.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "dispatch/CommandBase.h"
#include "dispatch/CommandType.h"
#include "proto/CommandResponse.pb.h"
#include "proto/command.pb.h"
#include "session/CExcelCom.h"

class CommandParser {
 public:
  // Fills the command table; the registry starts empty.
  CommandParser();
  // Frees the parameter object and the sessions' own memory. Sessions still
  // registered are not closed: their spreadsheet objects are left alone.
  virtual ~CommandParser();
  CommandParser(const CommandParser&) = delete;
  CommandParser& operator=(const CommandParser&) = delete;

  // Sets the current command type from the command name and, for a known
  // name, creates and fills the current parameter object. An empty name (also
  // what an unparsable request leaves) or a null command gives type 0.
  void ParseCommand(const excel::Command* command);
  // Runs the current command on its session; nothing for type 0.
  void ExecuteExcelComAction();
  // A copy of the current session's response, or the empty default response
  // when there is no current command.
  excel::CommandResponse GetExecutionResult();
  // End of a request: clears the session's response, removes the session
  // after "Detach", deletes the parameter object.
  void ClearCommandParserMemory();
  // Closes (without saving) and removes every session.
  void ExitApplication();

  // Read access for the request cycle and for tests.
  int GetCurrentCommandType() const { return static_cast<int>(m_commandType); }
  const CommandBase* GetCurrentCommand() const { return m_command.get(); }
  size_t GetSessionCount() const { return m_sessions.size(); }
  bool HasSession(const std::wstring& name) const { return m_sessions.count(name) != 0; }

 private:
  // The session of `name`, created and registered on first use; never null.
  virtual CExcelCom* GetExcelComObject(std::wstring name);

  void PrepareCommandMap();
  CommandType ParseCommandType(std::wstring name);
  CommandBase* CreateCommandObject(CommandType type);
  void ResetAllDataBeforeExecute();
  void RemoveSession();
  void ReleaseCommandMemory();

  CommandType m_commandType = CommandType::None;
  std::unique_ptr<CommandBase> m_command;
  // Keyed by session name, compared by code units (case-sensitive); the
  // empty name is a valid key.
  std::map<std::wstring, std::unique_ptr<CExcelCom>> m_sessions;
  excel::CommandResponse m_defaultResponse;  // always empty
  // Command names (compared exactly, case included) to their types.
  std::map<std::wstring, CommandType> m_commandTable;
};
