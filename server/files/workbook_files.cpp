#include "server/files/workbook_files.h"

#include <algorithm>
#include <new>

#include "server/files/csv_file.h"
#include "server/files/file_error.h"
#include "server/files/file_kind.h"
#include "server/files/package_data.h"
#include "server/files/native_file.h"
#include "server/files/package_loader.h"
#include "server/files/package_saver.h"
#include "server/files/utf8.h"

namespace sheetwright::files {

namespace {

FileStatus Failure(const std::string& utf8) { return FileStatus{DISP_E_EXCEPTION, WideFromUtf8(utf8)}; }

std::string FileNameOf(const std::string& path) {
  size_t slash = LastSeparator(path);
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool HasCsvExtension(const std::string& path) {
  std::string name = FileNameOf(path);
  if (name.size() < 4) return false;
  std::string ext = name.substr(name.size() - 4);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext == ".csv";
}

template <class F>
FileStatus Guarded(F&& f) {
  try {
    f();
    return FileStatus{};
  } catch (const FileError& e) {
    return Failure(e.what());
  } catch (const std::bad_alloc&) {
    return Failure("There is not enough memory to complete this action.");
  } catch (const std::exception& e) {
    return Failure(std::string("The file could not be processed: ") + e.what());
  } catch (...) {
    return Failure("The file could not be processed.");
  }
}

}  // namespace

FileStatus LoadWorkbook(const std::wstring& path, engine::Workbook& into) {
  return Guarded([&] {
    const std::string full = AbsolutePath(Utf8FromWide(path));
    const std::string name = FileNameOf(full);
    if (IsFolder(full)) {
      throw FileError("Excel cannot open '" + full + "': it is a folder, not a file.");
    }
    switch (DetectFileKind(full)) {
      case FileKind::Missing:
        throw FileError("Sorry, we couldn't find " + full + ". Is it possible it was moved, renamed or deleted?");
      case FileKind::Unreadable:
        throw FileError("Excel cannot open the file '" + name + "': access is denied.");
      case FileKind::EncryptedPackage:
        throw FileError("Excel cannot open the file '" + name +
                        "' because it is password-protected. Remove the password in the application that set it and "
                        "try again.");
      case FileKind::LegacyBinary:
        if (!HasCsvExtension(full)) {
          throw FileError("Excel cannot open the file '" + name +
                          "': it is an Excel 97-2003 binary workbook (.xls). Only .xlsx, .xlsm and .csv files can be "
                          "opened; save it in the .xlsx format first.");
        }
        LoadCsv(full, name, into);
        break;
      case FileKind::Zip:
        if (!HasCsvExtension(full)) {
          LoadPackage(full, name, into);
          break;
        }
        [[fallthrough]];
      case FileKind::Other:
        if (!HasCsvExtension(full)) {
          throw FileError("Excel cannot open the file '" + name +
                          "' because the file format or file extension is not valid. Verify that the file has not "
                          "been corrupted and that the file extension matches the format of the file.");
        }
        LoadCsv(full, name, into);
        break;
    }
    into.fullPath = WideFromUtf8(full);
    into.name = WideFromUtf8(name);
    into.dirty = false;
    for (auto& sheet : into.sheets) {
      sheet->modified = false;
      sheet->ForgetEdits();
    }
  });
}

FileStatus SaveWorkbook(engine::Workbook& workbook) {
  return Guarded([&] {
    if (workbook.fullPath.empty()) throw FileError("The workbook has no file name yet; save it with SaveAs first.");
    const std::string full = Utf8FromWide(workbook.fullPath);
    const std::string name = FileNameOf(full);
    auto* data = dynamic_cast<WorkbookFileData*>(workbook.fileData.get());
    const bool csv = data ? data->format == FileFormat::Csv : HasCsvExtension(full);
    if (csv) {
      SaveCsv(workbook, full, name);
    } else {
      SavePackage(workbook, full, name);
    }
    workbook.dirty = false;
    for (auto& sheet : workbook.sheets) {
      sheet->modified = false;
      sheet->ForgetEdits();
    }
  });
}

}  // namespace sheetwright::files
