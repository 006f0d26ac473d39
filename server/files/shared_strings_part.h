// The shared string table. Loading reduces each entry (plain or rich text)
// to its text and interns it; phonetic runs are left out. Saving is
// append-only: the loaded entries are kept byte for byte (rich text keeps its
// runs) and strings the engine added are appended as plain entries.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "server/engine/string_pool.h"
#include "server/files/xml_scanner.h"

namespace sheetwright::files {

// Reads every <si>; `ids[i]` receives the pool id of entry i and `rich[i]`
// whether it had runs.
void ReadSharedStrings(XmlScanner& scanner, engine::StringPool& pool, std::vector<uint32_t>& ids,
                       std::vector<uint8_t>& rich, uint64_t partBytes);

// `xml` with `added` appended as <si> entries and uniqueCount set to
// `totalEntries`; the optional count attribute is dropped (it would need
// every sheet's references counted).
std::string AppendSharedStrings(std::string_view xml, const std::string& partName,
                                const std::vector<std::wstring_view>& added, size_t totalEntries);

// Escapes text for element content (and attribute values: quotes too).
void AppendXmlEscaped(std::string_view utf8, std::string& out);
// Whether text needs xml:space="preserve" (leading or trailing whitespace).
bool NeedsSpacePreserve(std::string_view utf8);

}  // namespace sheetwright::files
