// The diagnostic log. State is plain data with constant initialisation, so
// logging from any static constructor or destructor is safe: before
// StartLog and after StopLog lines are simply not written.
//
// File layout: UTF-8, a byte-order mark at the start of a new file, one line
// per call: "<dd.mm.yyyy HH:MM:SS > : <label> : <message> \n".
#include "support/Log.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <cwchar>
#include <set>
#include <string>

#include "platform/windows_api.h"
#include "support/LogControl.h"
#include "support/TextConversion.h"

namespace {

constexpr wchar_t kLogFileName[] = L"Norvix.Sheetwright.log";
constexpr size_t kPathCapacity = 2048;
constexpr uint64_t kRotationSize = 5242880;  // 5 MiB
constexpr int kKeptFiles = 5;                // numbered .1 (newest) to .5
constexpr size_t kConfigMessageCapacity = 4096;

struct LogState {
  bool enabled;
  bool lockReady;
  int rotationPending;
  wchar_t folder[kPathCapacity];
  wchar_t path[kPathCapacity];
  FILE* file;
  uint64_t fileSize;  // bytes in the file, including what the stream buffers
  CRITICAL_SECTION lock;
};

constinit LogState g_log{};

class LockGuard {
 public:
  explicit LockGuard(CRITICAL_SECTION* lock) : m_lock(lock) { EnterCriticalSection(m_lock); }
  ~LockGuard() { LeaveCriticalSection(m_lock); }
  LockGuard(const LockGuard&) = delete;
  LockGuard& operator=(const LockGuard&) = delete;

 private:
  CRITICAL_SECTION* m_lock;
};

std::wstring NumberedLogPath(int number) {
  return std::wstring(g_log.path) + L"." + std::to_wstring(number);
}

bool OpenLogFile() {
  if (g_log.path[0] == L'\0') return false;
  // The wide path goes to the system as it is (the platform's path rule on
  // Linux, the wide file API on Windows), so any folder name works.
  FILE* file = _wfopen(g_log.path, L"a");
  if (file == nullptr) return false;
  std::fseek(file, 0, SEEK_END);
  const long size = std::ftell(file);
  g_log.fileSize = size > 0 ? static_cast<uint64_t>(size) : 0;
  if (g_log.fileSize == 0) {
    static const char kByteOrderMark[] = "\xEF\xBB\xBF";
    std::fwrite(kByteOrderMark, 1, 3, file);
    g_log.fileSize = 3;
  }
  g_log.file = file;
  return true;
}

void AppendTimeStamp(std::string& line) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  char buffer[32];
  size_t length = 0;
  if (localtime_s(&local, &now) == 0) {
    length = std::strftime(buffer, sizeof buffer, "%d.%m.%Y %H:%M:%S ", &local);
  }
  if (length == 0) {
    line += "localtime_s failed";
  } else {
    line.append(buffer, length);
  }
}

void WriteLineLocked(const wchar_t* label, const wchar_t* message) {
  if (g_log.file == nullptr && !OpenLogFile()) return;  // the line is lost
  // The line that crosses the limit still goes to this file; the next call
  // rotates first.
  if (g_log.fileSize >= kRotationSize) g_log.rotationPending = 1;
  const size_t labelLength = label != nullptr ? std::wcslen(label) : 0;
  const size_t messageLength = message != nullptr ? std::wcslen(message) : 0;
  std::string line;
  line.reserve(32 + labelLength + messageLength + 8);
  AppendTimeStamp(line);
  line += " : ";
  AppendWideAsUtf8(line, label, labelLength);
  line += " : ";
  AppendWideAsUtf8(line, message, messageLength);
  line += " \n";
  std::fwrite(line.data(), 1, line.size(), g_log.file);
  g_log.fileSize += line.size();
}

// The largest number n >= 0 among the folder's "Norvix.Sheetwright.log.<n>"
// files (-1 when there is none), and the numbers beyond the kept range.
int ListNumberedFiles(std::set<int>& beyondKept) {
  int largest = -1;
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW((std::wstring(g_log.path) + L".*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return largest;
  do {
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    const wchar_t* dot = std::wcsrchr(entry.cFileName, L'.');
    if (dot == nullptr || dot[1] == L'\0') continue;
    // Leading decimal digits after the last dot; none reads as 0.
    const long number = std::wcstol(dot + 1, nullptr, 10);
    if (number < 0 || number > INT32_MAX) continue;
    const int n = static_cast<int>(number);
    if (n > largest) largest = n;
    if (n >= kKeptFiles) beyondKept.insert(n);
  } while (FindNextFileW(find, &entry));
  FindClose(find);
  return largest;
}

// Closes the current file and shifts the numbered files up by one: .5 and
// any stray higher number are deleted, .4 becomes .5, ..., the current file
// becomes .1. Failed renames and deletions are ignored. Only numbers present
// in the folder are visited, so a stray huge number costs nothing extra.
void RotateLog() {
  if (g_log.file != nullptr) {
    std::fputs("Creating new log file \n", g_log.file);
    std::fclose(g_log.file);
    g_log.file = nullptr;
  }
  if (g_log.path[0] != L'\0') {
    std::set<int> beyondKept;
    const int largest = ListNumberedFiles(beyondKept);
    for (auto n = beyondKept.rbegin(); n != beyondKept.rend(); ++n) {
      const std::wstring numbered = NumberedLogPath(*n);
      if (PathFileExistsW(numbered.c_str())) DeleteFileW(numbered.c_str());
    }
    for (int n = largest < kKeptFiles - 1 ? largest : kKeptFiles - 1; n >= 1; --n) {
      const std::wstring numbered = NumberedLogPath(n);
      // MoveFileW fails when the target exists, as the rotation expects.
      if (PathFileExistsW(numbered.c_str())) MoveFileW(numbered.c_str(), NumberedLogPath(n + 1).c_str());
    }
    if (PathFileExistsW(g_log.path)) MoveFileW(g_log.path, NumberedLogPath(1).c_str());
  }
  g_log.rotationPending = 0;
}

void CopyText(wchar_t* target, size_t capacity, const wchar_t* text) {
  const size_t length = std::wcslen(text);
  const size_t kept = length < capacity ? length : capacity - 1;
  std::wmemcpy(target, text, kept);
  target[kept] = L'\0';
}

}  // namespace

void WriteLog(const wchar_t* label, const wchar_t* message) {
  try {
    if (g_log.rotationPending) RotateLog();
    if (!g_log.enabled || !g_log.lockReady) return;
    LockGuard guard(&g_log.lock);
    WriteLineLocked(label, message);
  } catch (...) {
    // Logging never fails its caller; the line is lost.
  }
}

void WriteLog(const wchar_t* label, const std::wstring& message) {
  WriteLog(label, message.c_str());
}

bool IsLogEnabled() { return g_log.enabled && g_log.lockReady; }

void ConfigureLog(int enable, const wchar_t* folder) {
  g_log.enabled = enable != 0;
  if (folder != nullptr) {
    CopyText(g_log.folder, kPathCapacity, folder);
    // The path helpers work on MAX_PATH buffers; a longer folder gives no
    // usable log path, and nothing is written.
    g_log.path[0] = L'\0';
    wchar_t joined[MAX_PATH];
    if (std::wcslen(folder) < MAX_PATH) {
      CopyText(joined, MAX_PATH, folder);
      if (PathAppendW(joined, kLogFileName)) CopyText(g_log.path, kPathCapacity, joined);
    }
  }
  if (!IsLogEnabled()) return;
  std::wstring message = L" Enable Log = " + std::to_wstring(enable) + L" Logger path = " +
                         g_log.folder;
  if (message.size() >= kConfigMessageCapacity) message.resize(kConfigMessageCapacity - 1);
  WriteLog(L"InitializeLogger", message);
}

void StartLog() {
  if (g_log.lockReady) return;
  InitializeCriticalSectionAndSpinCount(&g_log.lock, 1024);
  g_log.lockReady = true;
}

void StopLog() {
  if (g_log.lockReady) {
    DeleteCriticalSection(&g_log.lock);
    g_log.lockReady = false;
  }
  if (g_log.file != nullptr) {
    std::fputs("Closing last log file \n", g_log.file);
    std::fclose(g_log.file);
    g_log.file = nullptr;
  }
}

void FlushLog() {
  if (!g_log.lockReady) return;
  LockGuard guard(&g_log.lock);
  if (g_log.file != nullptr) std::fflush(g_log.file);
}

void CloseLogFile() {
  if (!g_log.lockReady) return;
  LockGuard guard(&g_log.lock);
  if (g_log.file != nullptr) {
    std::fclose(g_log.file);
    g_log.file = nullptr;
  }
}
