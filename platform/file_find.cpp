// FindFirstFileW lists the folder once and hands out the matches from that
// snapshot, sorted without regard to case as NTFS returns them. A find
// handle is the address of its snapshot; live handles are recorded so a
// stale or foreign handle is refused with ERROR_INVALID_HANDLE.
#include "platform/file_find.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cwchar>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/internal/case_fold.h"
#include "platform/internal/native_path.h"
#include "platform/internal/utf8_codec.h"
#include "platform/last_error.h"

namespace {

struct FindSnapshot {
  std::vector<WIN32_FIND_DATAW> matches;
  size_t next = 0;
};

struct LiveHandles {
  std::mutex mutex;
  std::set<FindSnapshot*> handles;
};

LiveHandles& Handles() {
  static LiveHandles* handles = new LiveHandles;
  return *handles;
}

// Wildcard matching with the MS-DOS rules FindFirstFileW applies: "*.*" is
// "*"; a '?' matches one character, or nothing where the name has a '.' or
// has ended (so "log.?" matches "log"); a '.' before '?' or '*' or at the
// end also matches the end of the name (so "log.*" matches "log"); a '*'
// before a '.' stops at the name's last '.' (so "*." matches names without
// an extension). Letters match without regard to case.
enum class Token { kLiteral, kStar, kDosQuestion, kDosDot, kDosStar };

struct PatternChar {
  Token token;
  wchar_t c;
};

std::vector<PatternChar> CompilePattern(std::wstring_view pattern) {
  if (pattern == L"*.*") pattern = L"*";
  std::vector<PatternChar> compiled;
  for (size_t i = 0; i < pattern.size(); ++i) {
    const wchar_t c = pattern[i];
    const wchar_t next = i + 1 < pattern.size() ? pattern[i + 1] : L'\0';
    Token token = Token::kLiteral;
    if (c == L'*') token = next == L'.' ? Token::kDosStar : Token::kStar;
    else if (c == L'?') token = Token::kDosQuestion;
    else if (c == L'.' && (next == L'?' || next == L'*' || next == L'\0')) token = Token::kDosDot;
    compiled.push_back({token, FoldCaseChar(c)});
  }
  return compiled;
}

bool Matches(const std::vector<PatternChar>& pattern, size_t p, std::wstring_view name, size_t n, size_t lastDot) {
  for (; p < pattern.size(); ++p) {
    const PatternChar& at = pattern[p];
    switch (at.token) {
      case Token::kStar:
        for (size_t k = name.size() + 1; k-- > n;) {
          if (Matches(pattern, p + 1, name, k, lastDot)) return true;
        }
        return false;
      case Token::kDosStar: {
        const size_t limit = lastDot == std::wstring_view::npos ? name.size() : std::max(lastDot, n);
        for (size_t k = limit + 1; k-- > n;) {
          if (Matches(pattern, p + 1, name, k, lastDot)) return true;
        }
        return false;
      }
      case Token::kDosQuestion:
        if (n < name.size() && name[n] != L'.') ++n;
        break;
      case Token::kDosDot:
        if (n < name.size()) {
          if (name[n] != L'.') return false;
          ++n;
        }
        break;
      case Token::kLiteral:
        if (n == name.size() || FoldCaseChar(name[n]) != at.c) return false;
        ++n;
        break;
    }
  }
  return n == name.size();
}

bool MatchesPattern(std::wstring_view name, const std::vector<PatternChar>& pattern) {
  return Matches(pattern, 0, name, 0, name.rfind(L'.'));
}

FILETIME FileTimeFrom(const struct timespec& time) {
  // 100-ns intervals between 1601-01-01 and 1970-01-01.
  constexpr unsigned long long kEpochOffset = 116444736000000000ull;
  unsigned long long ticks = kEpochOffset + static_cast<unsigned long long>(time.tv_sec) * 10000000ull +
                             static_cast<unsigned long long>(time.tv_nsec) / 100;
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

WIN32_FIND_DATAW Describe(const std::wstring& name, const struct stat& status) {
  WIN32_FIND_DATAW data{};
  if (S_ISDIR(status.st_mode)) {
    data.dwFileAttributes = FILE_ATTRIBUTE_DIRECTORY;
  } else {
    data.dwFileAttributes = FILE_ATTRIBUTE_NORMAL;
    data.nFileSizeHigh = static_cast<DWORD>(static_cast<unsigned long long>(status.st_size) >> 32);
    data.nFileSizeLow = static_cast<DWORD>(status.st_size);
  }
  if (!(status.st_mode & S_IWUSR)) {
    data.dwFileAttributes = (data.dwFileAttributes & ~FILE_ATTRIBUTE_NORMAL) | FILE_ATTRIBUTE_READONLY;
  }
  data.ftCreationTime = FileTimeFrom(status.st_mtim);
  data.ftLastAccessTime = FileTimeFrom(status.st_atim);
  data.ftLastWriteTime = FileTimeFrom(status.st_mtim);
  const size_t length = std::min(name.size(), static_cast<size_t>(MAX_PATH - 1));
  std::wmemcpy(data.cFileName, name.c_str(), length);
  data.cFileName[length] = L'\0';
  return data;
}

}  // namespace

HANDLE FindFirstFileW(LPCWSTR lpFileName, LPWIN32_FIND_DATAW lpFindFileData) {
  if (!lpFileName || !lpFindFileData) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  const std::string native = NativePath(lpFileName);
  const size_t slash = native.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : native.substr(0, slash);
  const std::wstring patternText = Utf8ToWide(slash == std::string::npos ? native : native.substr(slash + 1));
  if (patternText.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  const std::vector<PatternChar> pattern = CompilePattern(patternText);

  DIR* directory = opendir(folder.c_str());
  if (!directory) {
    SetLastError(errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : Win32ErrorFromErrno(errno));
    return INVALID_HANDLE_VALUE;
  }
  auto* snapshot = new FindSnapshot;
  while (const struct dirent* entry = readdir(directory)) {
    const std::wstring name = Utf8ToWide(entry->d_name);
    if (!MatchesPattern(name, pattern)) continue;
    struct stat status;
    const std::string full = (folder == "/" ? "" : folder) + "/" + entry->d_name;
    if (stat(full.c_str(), &status) != 0 && lstat(full.c_str(), &status) != 0) continue;
    snapshot->matches.push_back(Describe(name, status));
  }
  closedir(directory);
  if (snapshot->matches.empty()) {
    delete snapshot;
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  std::sort(snapshot->matches.begin(), snapshot->matches.end(),
            [](const WIN32_FIND_DATAW& a, const WIN32_FIND_DATAW& b) {
              return FoldCase(a.cFileName) < FoldCase(b.cFileName);
            });
  *lpFindFileData = snapshot->matches[snapshot->next++];
  {
    LiveHandles& handles = Handles();
    std::lock_guard<std::mutex> lock(handles.mutex);
    handles.handles.insert(snapshot);
  }
  return snapshot;
}

BOOL FindNextFileW(HANDLE hFindFile, LPWIN32_FIND_DATAW lpFindFileData) {
  auto* snapshot = static_cast<FindSnapshot*>(hFindFile);
  {
    LiveHandles& handles = Handles();
    std::lock_guard<std::mutex> lock(handles.mutex);
    if (!handles.handles.count(snapshot)) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
  }
  if (!lpFindFileData) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (snapshot->next >= snapshot->matches.size()) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  *lpFindFileData = snapshot->matches[snapshot->next++];
  return TRUE;
}

BOOL FindClose(HANDLE hFindFile) {
  auto* snapshot = static_cast<FindSnapshot*>(hFindFile);
  {
    LiveHandles& handles = Handles();
    std::lock_guard<std::mutex> lock(handles.mutex);
    if (!handles.handles.erase(snapshot)) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
  }
  delete snapshot;
  return TRUE;
}
