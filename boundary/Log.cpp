#include "boundary/Log.h"

// Interim: the log writes nothing yet.
void WriteLog(const wchar_t*, const wchar_t*) {}
void WriteLog(const wchar_t* label, const std::wstring& message) { WriteLog(label, message.c_str()); }
bool IsLogEnabled() { return false; }
