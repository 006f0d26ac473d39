// FindFirstFileW wildcard matching over a fixture folder that the table's
// runner creates (see fixture_files() in run_platform_table.py). Names are
// sorted before printing: the order of a listing is the file system's.
#include <algorithm>
#include <string>
#include <vector>

#include "case_output.h"

namespace platform_table {
namespace {

void Listing(const wchar_t* folder, const wchar_t* pattern) {
  std::wstring path = std::wstring(folder) + L"\\" + pattern;
  WIN32_FIND_DATAW entry;
  SetLastError(0);
  HANDLE find = FindFirstFileW(path.c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) {
    Case("FindFirstFileW " + Quoted(pattern), "none error " + std::to_string(GetLastError()));
    return;
  }
  std::vector<std::string> names;
  std::string directories;
  do {
    names.push_back(Quoted(entry.cFileName) +
                    ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? "/" : ""));
  } while (FindNextFileW(find, &entry));
  const DWORD end = GetLastError();
  FindClose(find);
  std::sort(names.begin(), names.end());
  std::string out;
  for (const std::string& name : names) out += (out.empty() ? "" : " ") + name;
  Case("FindFirstFileW " + Quoted(pattern), out + " end " + std::to_string(end));
}

}  // namespace

void FileFindCases(const wchar_t* folder) {
  const wchar_t* patterns[] = {L"*",          L"*.*",        L"*.xlsx",       L"*.XLSX",
                               L"book*",      L"Book?.xlsx", L"*.",           L"notes.*",
                               L"Norvix.Sheetwright.log.*",  L"Norvix.Sheetwright.log.?",
                               L"*.xls",      L"a.b.*",      L"*.b",          L"missing*",
                               L"sub\\*.xlsx", L"sub/*.xlsx", L"nosuchdir\\*", L"?otes",
                               L"*s",         L"*x*"};
  for (const wchar_t* pattern : patterns) Listing(folder, pattern);
  SetLastError(0);
  WIN32_FIND_DATAW entry;
  Case("FindNextFileW invalid handle", std::to_string(FindNextFileW(INVALID_HANDLE_VALUE, &entry)) +
                                           " error " + std::to_string(GetLastError()));
  const std::wstring existing = std::wstring(folder) + L"\\notes";
  const std::wstring missing = std::wstring(folder) + L"\\absent";
  Case("PathFileExistsW file", std::to_string(PathFileExistsW(existing.c_str())));
  Case("PathFileExistsW folder", std::to_string(PathFileExistsW(folder)));
  Case("PathFileExistsW missing", std::to_string(PathFileExistsW(missing.c_str())));
}

}  // namespace platform_table
