// Control of the diagnostic log's life, for the library's entry points (and
// tests). Lines are written with WriteLog (support/Log.h).
#pragma once

// InitializeLogger's work: sets the enable flag; a non-null folder replaces
// the log folder and the log path (folder joined with
// "Norvix.Sheetwright.log"). An open file stays open: a new folder takes
// effect when the file is next opened. Writes its own line.
void ConfigureLog(int enable, const wchar_t* folder);

// Library load: creates the log lock. No line is written before this.
void StartLog();
// Library unload: deletes the lock, writes "Closing last log file \n" to an
// open file and closes it. No line is written after this.
void StopLog();

// Pushes buffered lines to the file (lines are otherwise buffered by the
// stream, as a diagnostic log may be).
void FlushLog();
// Closes the log file without the closing line; the next line reopens it,
// at the current log path.
void CloseLogFile();
