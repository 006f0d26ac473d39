// The diagnostic log: one line per call, "<time> : <label> : <message> \n",
// appended to "Norvix.Sheetwright.log" in the folder chosen with
// InitializeLogger. The file rotates at 5 MiB and keeps five numbered
// predecessors (.1 newest to .5 oldest).
//
// WriteLog is cheap when logging is off: it returns after two flag checks and
// touches neither the clock nor the file system. Callers that format a
// message should test IsLogEnabled() first to skip the formatting as well.
#pragma once

#include <string>

// Writes one line under `label`. Null label or message is written as empty
// text. Never throws.
void WriteLog(const wchar_t* label, const wchar_t* message);
void WriteLog(const wchar_t* label, const std::wstring& message);

// True while lines are being written (InitializeLogger switched the log on).
bool IsLogEnabled();
