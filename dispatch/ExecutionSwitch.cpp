// The execution switch: one session operation per command, the one its row
// in the command table names. The operation's status is not looked at; its
// outcome reaches the host through the session's response.
#include "dispatch/CommandParser.h"
#include "dispatch/CommandType.h"

#include "support/TextConversion.h"

void CommandParser::ExecuteExcelComAction() {
  ResetAllDataBeforeExecute();
  const CommandRow* row = FindCommandRow(m_commandType);
  if (row == nullptr || !m_command) return;
  CExcelCom* session = GetExcelComObject(m_command->GetSessionName());
  const CommandBase& p = *m_command;
  if (!p.GetParameterWithNul().empty()) {
    const std::wstring message = L"The parameter \"" + ConvertStringToWstring(p.GetParameterWithNul()) +
                                 L"\" holds a NUL character (\\u0000); the request is refused";
    session->RefuseRequest(L"CommandParser", message.c_str());
    return;
  }
  if (session->BelongsToAnotherThread()) {
    // What the COM runtime answers a call on an interface of another
    // single-threaded apartment; nothing of the session is touched.
    session->RefuseRequest(L"CommandParser",
                           L"RPC_E_WRONG_THREAD (0x8001010E): The application called an interface that was "
                           L"marshalled for a different thread. The session belongs to the thread that opened it");
    return;
  }
  row->run(*session, p);
}
