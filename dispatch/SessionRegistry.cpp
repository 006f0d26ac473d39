// The session registry: sessions by name, created on first use, removed after
// "Detach", and the steps around one command's execution.
#include <string>

#include "dispatch/CommandParser.h"
#include "dispatch/LogFormat.h"
#include "support/Log.h"

CommandParser::~CommandParser() = default;

CExcelCom* CommandParser::GetExcelComObject(std::wstring name) {
  auto found = m_sessions.find(name);
  if (found != m_sessions.end()) return found->second.get();
  if (m_commandType != CommandType::Attach) {
    WriteLog(L"GetExcelComObject", L"Command execute without session name");
  }
  if (IsLogEnabled()) {
    WriteLog(L"GetExcelComObject", FitLogMessage(L"Createing new Session Object = " + name));
  }
  auto session = std::make_unique<CExcelCom>();
  CExcelCom* created = session.get();
  m_sessions.emplace(std::move(name), std::move(session));
  return created;
}

void CommandParser::ResetAllDataBeforeExecute() {
  if (m_commandType == CommandType::None || !m_command) return;
  CExcelCom* session = GetExcelComObject(m_command->GetSessionName());
  session->ResetErrorData();
  session->ClearResultData();
}

excel::CommandResponse CommandParser::GetExecutionResult() {
  if (m_command && m_commandType != CommandType::None) {
    return GetExcelComObject(m_command->GetSessionName())->GetResultData();
  }
  return m_defaultResponse;
}

void CommandParser::ClearCommandParserMemory() {
  if (m_command) GetExcelComObject(m_command->GetSessionName())->ClearResultData();
  RemoveSession();
  ReleaseCommandMemory();
}

void CommandParser::RemoveSession() {
  if (!m_command || m_command->GetCommandType() != static_cast<int>(CommandType::Detach)) return;
  auto found = m_sessions.find(m_command->GetSessionName());
  if (found == m_sessions.end()) return;
  if (IsLogEnabled()) {
    WriteLog(L"RemoveSession", FitLogMessage(L"Removing Session Object = " + found->first));
  }
  m_sessions.erase(found);
}

void CommandParser::ReleaseCommandMemory() { m_command.reset(); }

void CommandParser::ExitApplication() {
  WriteLog(L"ExitApplication", L"Start");
  for (auto& [name, session] : m_sessions) {
    if (IsLogEnabled()) {
      WriteLog(L"ExitApplication:Removing Session",
               FitLogMessage(L"Removing Session Object = " + name));
    }
    session->CloseExcel(0);
    session->ClearResultData();
    session.reset();
  }
  m_sessions.clear();
}
