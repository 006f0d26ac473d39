#include "server/com/workbook_storage.h"

#include "server/com/path_text.h"

#if __has_include("server/files/workbook_files.h")
#include "server/files/workbook_files.h"
#define SW_HAVE_FILE_LAYER 1
#else
#include <filesystem>
#define SW_HAVE_FILE_LAYER 0
#endif

namespace sheetwright::server {

#if SW_HAVE_FILE_LAYER

StorageResult LoadWorkbookFile(const std::wstring& path, engine::Workbook& into) {
  files::FileStatus status = files::LoadWorkbook(path, into);
  return {status.hr, status.description};
}

StorageResult SaveWorkbookFile(engine::Workbook& workbook) {
  files::FileStatus status = files::SaveWorkbook(workbook);
  return {status.hr, status.description};
}

#else

// Without the file layer only the existence of a file can be checked; the
// workbook opens empty so that the object model can still be driven.
StorageResult LoadWorkbookFileWithoutFileLayer(const std::wstring& path, engine::Workbook& into) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(ToPath(path), ec))
    return {E_FAIL, L"Sorry, we couldn't find " + path + L". Is it possible it was moved, renamed or deleted?"};
  into.fullPath = path;
  into.name = FromPath(ToPath(path).filename());
  into.AddWorksheet(L"Sheet1");
  return {};
}

StorageResult LoadWorkbookFile(const std::wstring& path, engine::Workbook& into) {
  return LoadWorkbookFileWithoutFileLayer(path, into);
}

StorageResult SaveWorkbookFile(engine::Workbook&) {
  return {E_NOTIMPL, L"Saving workbooks is not available in this build."};
}

#endif

}  // namespace sheetwright::server
