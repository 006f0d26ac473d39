// The execution switch: one session operation per command, the one its row
// in the command table names. The operation's status is not looked at; its
// outcome reaches the host through the session's response.
#include "dispatch/CommandParser.h"
#include "dispatch/CommandType.h"

void CommandParser::ExecuteExcelComAction() {
  ResetAllDataBeforeExecute();
  const CommandRow* row = FindCommandRow(m_commandType);
  if (row == nullptr || !m_command) return;
  row->run(*GetExcelComObject(m_command->GetSessionName()), *m_command);
}
