#include "platform/shell_path.h"

#include <sys/stat.h>

#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "platform/internal/native_path.h"

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsSchemeCharacter(wchar_t c) {
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'+' ||
         c == L'-' || c == L'.';
}

// A path that replaces what it is combined with: rooted, or with a drive.
bool IsAbsolute(LPCWSTR path) {
  if (IsSeparator(path[0])) return true;
  return ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) && path[1] == L':';
}

// Removes "." segments and each ".." with the segment before it, as the
// shell's canonical form does; only backslashes separate segments there. A
// ".." at the root is dropped. The root ("C:\\", "\\" or "\\\\") is kept.
std::wstring Canonical(const std::wstring& path) {
  size_t rootLength = 0;
  if (path.compare(0, 2, L"\\\\") == 0) {
    rootLength = 2;
  } else if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') {
    rootLength = 3;
  } else if (!path.empty() && path[0] == L'\\') {
    rootLength = 1;
  }
  std::vector<std::wstring> segments;
  size_t start = rootLength;
  bool trailingSeparator = false;
  while (start <= path.size()) {
    size_t end = path.find(L'\\', start);
    if (end == std::wstring::npos) end = path.size();
    std::wstring segment = path.substr(start, end - start);
    trailingSeparator = end < path.size() && end + 1 == path.size();
    if (segment == L"..") {
      if (!segments.empty() && segments.back() != L"..") {
        segments.pop_back();
      } else if (rootLength == 0) {
        segments.push_back(segment);
      }
    } else if (segment != L"." && !segment.empty()) {
      segments.push_back(segment);
    }
    start = end + 1;
  }
  std::wstring out = path.substr(0, rootLength);
  for (size_t i = 0; i < segments.size(); ++i) {
    if (i) out += L'\\';
    out += segments[i];
  }
  if (trailingSeparator && !segments.empty()) out += L'\\';
  return out;
}

// Joins directory and file with one backslash into out in canonical form;
// false when the result with its NUL would exceed MAX_PATH.
bool Join(LPCWSTR directory, LPCWSTR file, std::wstring* out) {
  std::wstring joined = directory;
  if (*file) {
    if (!joined.empty() && !IsSeparator(joined.back())) joined += L'\\';
    joined += file;
  }
  joined = Canonical(joined);
  if (joined.size() + 1 > MAX_PATH) return false;
  *out = std::move(joined);
  return true;
}

}  // namespace

BOOL PathIsURLW(LPCWSTR pszPath) {
  if (!pszPath) return FALSE;
  size_t length = 0;
  while (pszPath[length] && pszPath[length] != L':') {
    if (!IsSchemeCharacter(pszPath[length])) return FALSE;
    ++length;
  }
  return pszPath[length] == L':' && length >= 2 ? TRUE : FALSE;
}

BOOL PathAppendW(LPWSTR pszPath, LPCWSTR pszMore) {
  if (!pszPath || !pszMore) return FALSE;
  // A UNC name is a whole path of its own and replaces pszPath.
  const bool unc = pszMore[0] == L'\\' && pszMore[1] == L'\\';
  while (!unc && IsSeparator(*pszMore)) ++pszMore;
  std::wstring joined;
  if (!Join(unc ? L"" : pszPath, pszMore, &joined)) {
    pszPath[0] = L'\0';
    return FALSE;
  }
  std::wmemcpy(pszPath, joined.c_str(), joined.size() + 1);
  return TRUE;
}

LPWSTR PathCombineW(LPWSTR pszDest, LPCWSTR pszDir, LPCWSTR pszFile) {
  if (!pszDest) return nullptr;
  if (!pszDir && !pszFile) {
    pszDest[0] = L'\0';
    return nullptr;
  }
  std::wstring joined;
  bool fits;
  if (!pszFile || !*pszFile) {
    fits = Join(pszDir ? pszDir : L"", L"", &joined);
  } else if (!pszDir || IsAbsolute(pszFile)) {
    fits = Join(pszFile, L"", &joined);
  } else {
    fits = Join(pszDir, pszFile, &joined);
  }
  if (!fits) {
    pszDest[0] = L'\0';
    return nullptr;
  }
  std::wmemcpy(pszDest, joined.c_str(), joined.size() + 1);
  return pszDest;
}

BOOL PathFileExistsW(LPCWSTR pszPath) {
  if (!pszPath || !*pszPath) return FALSE;
  struct stat status;
  return stat(NativePath(pszPath).c_str(), &status) == 0 ? TRUE : FALSE;
}
