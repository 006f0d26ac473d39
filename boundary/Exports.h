// The library's entry points, exported undecorated (extern "C") for the host.
//
//   const wchar_t* reply = Send(L"{\"commandName\":\"GetUsedRange\",...}");
//   ... copy the reply before the next Send or ClearMemory ...
//
// Send takes the JSON form of excel.Command and returns the JSON form of
// excel.CommandResponse; "{}" answers a request that cannot be parsed or
// names no known command (and a null request). The returned text belongs to
// the library and stays valid until the next Send or ClearMemory. The
// functions are not reentrant: the host calls them one at a time.
//
// Exported by name: with default symbol visibility on Linux, through
// Norvix.Sheetwright.def on Windows.
#pragma once

extern "C" {
const wchar_t* Send(const wchar_t* request);
// enable != 0 switches the log on; a null folder keeps the current folder.
void InitializeLogger(int enable, const wchar_t* folder);
// Empties both reply buffers, keeping their storage: an earlier reply pointer
// then reads as an empty string.
void ClearMemory();
}
