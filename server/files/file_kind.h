// What a file holds, judged by its first bytes: a zip package, an OLE
// compound file (an encrypted package or a legacy binary workbook), or
// something else.
#pragma once

#include <string>

namespace sheetwright::files {

enum class FileKind { Missing, Unreadable, Zip, EncryptedPackage, LegacyBinary, Other };

FileKind DetectFileKind(const std::string& path);

}  // namespace sheetwright::files
