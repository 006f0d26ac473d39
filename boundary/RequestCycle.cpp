// The process-wide objects and the request cycle behind Send.
//
// Load order (one translation unit, so declaration order is construction
// order): the command parser, the two reply buffers, then the load/unload
// sentinel, which creates the log lock. Unloading runs in reverse: the
// sentinel writes the log's closing line first, then the buffers and the
// parser go.
#include "boundary/RequestCycle.h"

#include <cwchar>
#include <string>

#include "boundary/JsonWire.h"
#include "dispatch/CommandParser.h"
#include "support/Log.h"
#include "support/LogControl.h"
#include "support/TextConversion.h"

namespace {

CommandParser g_commandParser;
std::string g_narrowReply;   // UTF-8 JSON of the last reply
std::wstring g_wideReply;    // the same as wide text; Send returns its characters
std::string g_requestText;   // the request as UTF-8; kept to reuse its storage

// Stands in for the library entry point's process attach and detach.
struct LoadUnloadSentinel {
  LoadUnloadSentinel() { StartLog(); }
  ~LoadUnloadSentinel() { StopLog(); }
};
LoadUnloadSentinel g_loadUnload;

// Steps 2 to 7: parse, run, and take the result into `reply`.
void ParseAndExecute(const wchar_t* request, excel::CommandResponse& reply) {
  excel::Command command;
  g_requestText.clear();
  AppendWideAsUtf8(g_requestText, request, std::wcslen(request));
  // A failed parse leaves the command empty, which the parser answers as
  // "no command".
  ParseCommandJson(g_requestText, &command);
  g_commandParser.ParseCommand(&command);
  g_commandParser.ExecuteExcelComAction();
  reply = g_commandParser.GetExecutionResult();
}

}  // namespace

const wchar_t* RunRequestCycle(const wchar_t* request) {
  try {
    WriteLog(L"Send", L"Command data is Received");
    excel::CommandResponse reply;
    try {
      ParseAndExecute(request != nullptr ? request : L"", reply);
    } catch (...) {
      WriteLog(L"Send-Response", L"Error in Command Execution , so send defalut reponse");
    }
    g_narrowReply.clear();
    PrintResponseJson(reply, &g_narrowReply);
    WriteLog(L"Send-Response", L"Response sent to java");
    // Clears the session's response, removes a "Detach" session after its
    // reply was printed, deletes the parameter object.
    g_commandParser.ClearCommandParserMemory();
    g_wideReply.clear();
    AppendUtf8AsWide(g_wideReply, g_narrowReply.data(), g_narrowReply.size());
    if (!g_wideReply.empty()) WriteLog(L"Send-Response", L"Send data is Okay");
  } catch (...) {
    // Only exhausted memory gets here; "{}" fits the string's own storage.
    WriteLog(L"Send-Response", L"Error in Command Execution , so send defalut reponse");
    try {
      g_wideReply = L"{}";
    } catch (...) {
      static const wchar_t kEmptyReply[] = L"{}";
      return kEmptyReply;
    }
  }
  return g_wideReply.c_str();
}

void ClearReplyBuffers() {
  g_narrowReply.clear();
  g_wideReply.clear();
}
