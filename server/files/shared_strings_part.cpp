#include "server/files/shared_strings_part.h"

#include "server/files/file_error.h"
#include "server/files/utf8.h"
#include "server/files/xstring_escape.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace sheetwright::files {

void ReadSharedStrings(XmlScanner& scanner, engine::StringPool& pool, std::vector<uint32_t>& ids,
                       std::vector<uint8_t>& rich, uint64_t partBytes) {
  std::string text;
  std::wstring wide;
  int siDepth = -1;       // depth of the open <si>, -1 outside
  int skipDepth = -1;     // inside <rPh>/<phoneticPr>: text ignored
  bool inT = false;
  bool hasRuns = false;
  for (const XmlToken* t = &scanner.Next(); t->kind != XmlTokenKind::End; t = &scanner.Next()) {
    switch (t->kind) {
      case XmlTokenKind::StartTag:
        if (siDepth < 0) {
          if (t->name == "sst") {
            if (const XmlAttribute* u = t->Find("uniqueCount")) {
              size_t n = std::strtoul(std::string(u->raw).c_str(), nullptr, 10);
              // Never trust the stated count further than the part's size allows.
              n = std::min<size_t>(n, partBytes / 8 + 16);
              ids.reserve(n);
              rich.reserve(n);
              pool.Reserve(pool.size() + n);
            }
          } else if (t->name == "si") {
            if (t->selfClosing) {
              ids.push_back(0);
              rich.push_back(0);
            } else {
              siDepth = scanner.depth();
              text.clear();
              hasRuns = false;
            }
          }
          break;
        }
        if (skipDepth >= 0) break;
        if (t->name == "rPh" || t->name == "phoneticPr") {
          if (!t->selfClosing) skipDepth = scanner.depth();
        } else if (t->name == "r") {
          hasRuns = true;
        } else if (t->name == "t") {
          inT = !t->selfClosing;
        }
        break;
      case XmlTokenKind::Text:
        if (inT && skipDepth < 0) scanner.AppendText(text);
        break;
      case XmlTokenKind::EndTag:
        if (skipDepth >= 0) {
          if (scanner.depth() == skipDepth) skipDepth = -1;
          break;
        }
        if (t->name == "t") {
          inT = false;
        } else if (siDepth >= 0 && scanner.depth() == siDepth) {
          siDepth = -1;
          DecodeEscapedCharacters(text);
          wide.clear();
          AppendUtf8AsWide(text, wide);
          ids.push_back(pool.Intern(wide));
          rich.push_back(hasRuns ? 1 : 0);
        }
        break;
      default:
        break;
    }
  }
}

void AppendXmlEscaped(std::string_view utf8, std::string& out) {
  size_t start = 0;
  for (size_t i = 0; i < utf8.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    const char* rep = nullptr;
    size_t width = 1;  // bytes the replacement stands for
    char buf[8];
    // A literal "_xHHHH_" would read back as an escape: its underscore is escaped.
    if (c == '_' && StartsEscapeSequence(utf8, i)) rep = "_x005F_";
    if (!rep) switch (c) {
      case '&': rep = "&amp;"; break;
      case '<': rep = "&lt;"; break;
      case '>': rep = "&gt;"; break;
      case '"': rep = "&quot;"; break;
      default:
        // Control characters other than tab, line feed and carriage return
        // cannot appear in XML 1.0; they are written the way the
        // application does, as _xHHHH_.
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') {
          std::snprintf(buf, sizeof buf, "_x%04X_", c);
          rep = buf;
        } else if (c == '\r') {
          rep = "&#13;";
        } else if (c == 0xEF && i + 2 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) == 0xBF &&
                   (utf8[i + 2] == '\xBE' || utf8[i + 2] == '\xBF')) {
          // U+FFFE and U+FFFF are not XML characters either.
          rep = utf8[i + 2] == '\xBE' ? "_xFFFE_" : "_xFFFF_";
          width = 3;
        }
    }
    if (rep) {
      out.append(utf8.substr(start, i - start));
      out.append(rep);
      start = i + width;
      i += width - 1;
    }
  }
  out.append(utf8.substr(start));
}

bool NeedsSpacePreserve(std::string_view utf8) {
  if (utf8.empty()) return false;
  auto space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  return space(utf8.front()) || space(utf8.back());
}

std::string AppendSharedStrings(std::string_view xml, const std::string& partName,
                                const std::vector<std::wstring_view>& added, size_t totalEntries) {
  // The whole part is scanned, so the root's start and end tags are found as
  // markup: a comment or CDATA section that mentions "<sst>" or "</sst>" is
  // not mistaken for them. Tokens cover the part byte for byte, so their
  // sizes add up to offsets.
  XmlScanner scanner(xml, partName);
  size_t offset = 0;
  size_t rootStart = std::string_view::npos;
  size_t closeAt = std::string_view::npos;
  XmlToken root;
  for (const XmlToken* t = &scanner.Next(); t->kind != XmlTokenKind::End; t = &scanner.Next()) {
    if (t->kind == XmlTokenKind::StartTag && rootStart == std::string_view::npos) {
      rootStart = offset;
      root = *t;  // views into the scanner's copy of the part, which stays put
    } else if (t->kind == XmlTokenKind::EndTag && scanner.depth() == 1) {
      closeAt = offset;
    }
    offset += t->raw.size();
  }
  if (rootStart == std::string_view::npos) throw FileError("The part " + partName + " has no root element.");
  std::string qname(root.raw.substr(1, root.raw.find_first_of(" \t\r\n/>", 1) - 1));
  std::string prefix = qname.find(':') == std::string::npos ? "" : qname.substr(0, qname.find(':') + 1);

  std::string out;
  out.reserve(xml.size() + added.size() * 32 + 64);
  out.append(xml.substr(0, rootStart));
  out += "<" + qname;
  for (const XmlAttribute& a : root.attributes) {
    if (a.name == "count" || a.name == "uniqueCount") continue;
    out += " " + std::string(a.qname) + "=\"" + std::string(a.raw) + "\"";
  }
  out += " uniqueCount=\"" + std::to_string(totalEntries) + "\">";
  size_t afterRoot = rootStart + root.raw.size();
  if (root.selfClosing) {
    std::string closing = "</" + qname + ">";
    std::string body;
    for (std::wstring_view s : added) {
      std::string utf8 = Utf8FromWide(s);
      body += NeedsSpacePreserve(utf8) ? "<" + prefix + "si><" + prefix + "t xml:space=\"preserve\">"
                                       : "<" + prefix + "si><" + prefix + "t>";
      AppendXmlEscaped(utf8, body);
      body += "</" + prefix + "t></" + prefix + "si>";
    }
    out += body + closing;
    out.append(xml.substr(afterRoot));
    return out;
  }
  if (closeAt == std::string_view::npos || closeAt < afterRoot) {
    throw FileError("The part " + partName + " is not well-formed XML: its root element is never closed.");
  }
  out.append(xml.substr(afterRoot, closeAt - afterRoot));
  for (std::wstring_view s : added) {
    std::string utf8 = Utf8FromWide(s);
    out += NeedsSpacePreserve(utf8) ? "<" + prefix + "si><" + prefix + "t xml:space=\"preserve\">"
                                    : "<" + prefix + "si><" + prefix + "t>";
    AppendXmlEscaped(utf8, out);
    out += "</" + prefix + "t></" + prefix + "si>";
  }
  out.append(xml.substr(closeAt));
  return out;
}

}  // namespace sheetwright::files
