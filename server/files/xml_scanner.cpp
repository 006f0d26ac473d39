#include "server/files/xml_scanner.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>

#include "server/files/file_error.h"
#include "server/files/utf8.h"

namespace sheetwright::files {

namespace {
constexpr size_t kMaxTokenBytes = 256u * 1024 * 1024;

// Character classes of the bytes, looked up once per byte in the hot loops.
enum : uint8_t { kSpace = 1, kNameStart = 2, kNameChar = 4 };
constexpr std::array<uint8_t, 256> MakeClasses() {
  std::array<uint8_t, 256> classes{};
  for (int c = 0; c < 256; ++c) {
    uint8_t k = 0;
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') k |= kSpace;
    // XML names: ASCII letters, '_' and ':' may start one; digits, '-' and
    // '.' may follow. Bytes of multi-byte UTF-8 characters are accepted in
    // both places, as the name classes beyond ASCII are nearly all letters.
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || c >= 0x80) k |= kNameStart | kNameChar;
    if ((c >= '0' && c <= '9') || c == '-' || c == '.') k |= kNameChar;
    classes[c] = k;
  }
  return classes;
}
constexpr std::array<uint8_t, 256> kClasses = MakeClasses();

bool IsSpace(char c) { return kClasses[static_cast<unsigned char>(c)] & kSpace; }
bool IsNameStart(unsigned char c) { return kClasses[c] & kNameStart; }
bool IsNameChar(unsigned char c) { return kClasses[c] & kNameChar; }

// The name without its namespace prefix (names are short: a plain loop).
std::string_view LocalName(std::string_view qname) {
  for (size_t i = 0; i < qname.size(); ++i) {
    if (qname[i] == ':') return qname.substr(i + 1);
  }
  return qname;
}

}  // namespace

const XmlAttribute* XmlToken::Find(std::string_view localName) const {
  for (const XmlAttribute& a : attributes) {
    if (a.name == localName) return &a;
  }
  return nullptr;
}

namespace {

// Appends a stretch of literal characters (no references) with the line ends
// normalised: CR LF and a lone CR become LF; in an attribute value every
// literal white-space character then becomes a space.
void AppendLiteral(std::string_view literal, XmlValueKind kind, std::string& out) {
  const bool attribute = kind == XmlValueKind::Attribute;
  const char* special = attribute ? "\t\n\r" : "\r";
  size_t i = 0;
  while (i < literal.size()) {
    size_t at = literal.find_first_of(special, i);
    if (at == std::string_view::npos) {
      out.append(literal.substr(i));
      return;
    }
    out.append(literal.substr(i, at - i));
    out.push_back(attribute ? ' ' : '\n');
    i = at + 1;
    if (literal[at] == '\r' && i < literal.size() && literal[i] == '\n') ++i;
  }
}

// Whether `cp` is a character XML 1.0 allows in a document.
bool IsXmlChar(uint32_t cp) {
  if (cp < 0x20) return cp == 0x9 || cp == 0xA || cp == 0xD;
  if (cp >= 0xD800 && cp <= 0xDFFF) return false;
  return cp != 0xFFFE && cp != 0xFFFF && cp <= 0x10FFFF;
}

}  // namespace

void AppendXmlDecoded(std::string_view raw, std::string& out, XmlValueKind kind) {
  size_t i = 0;
  while (i < raw.size()) {
    size_t amp = raw.find('&', i);
    if (amp == std::string_view::npos) {
      AppendLiteral(raw.substr(i), kind, out);
      return;
    }
    AppendLiteral(raw.substr(i, amp - i), kind, out);
    size_t semi = raw.find(';', amp);
    if (semi == std::string_view::npos || semi - amp > 12) {
      throw FileError("an '&' that does not start a character reference");
    }
    std::string_view name = raw.substr(amp + 1, semi - amp - 1);
    if (name == "lt") {
      out.push_back('<');
    } else if (name == "gt") {
      out.push_back('>');
    } else if (name == "amp") {
      out.push_back('&');
    } else if (name == "quot") {
      out.push_back('"');
    } else if (name == "apos") {
      out.push_back('\'');
    } else if (name.size() > 1 && name[0] == '#') {
      uint32_t cp = 0;
      std::from_chars_result r{};
      if (name[1] == 'x') {
        r = std::from_chars(name.data() + 2, name.data() + name.size(), cp, 16);
      } else {
        r = std::from_chars(name.data() + 1, name.data() + name.size(), cp, 10);
      }
      // A reference keeps the character it names (&#13; stays CR), but it
      // must name a character a document may hold.
      if (r.ec != std::errc() || r.ptr != name.data() + name.size() || !IsXmlChar(cp)) {
        throw FileError("an invalid character reference");
      }
      AppendCodePointAsUtf8(cp, out);
    } else {
      throw FileError("a reference to the undeclared entity '" + std::string(name) + "'");
    }
    i = semi + 1;
  }
}

XmlScanner::XmlScanner(Source source, std::string partName, size_t chunkBytes)
    : source_(std::move(source)), partName_(std::move(partName)) {
  buffer_.resize(chunkBytes < 64 ? 64 : chunkBytes);
}

XmlScanner::XmlScanner(std::string_view document, std::string partName)
    : partName_(std::move(partName)) {
  buffer_.assign(document);
  end_ = buffer_.size();
  eof_ = true;
}

void XmlScanner::Fail(const std::string& what) const {
  throw FileError("The part " + partName_ + " is not well-formed XML: " + what + ".");
}

std::string XmlScanner::Decode(const XmlAttribute& attribute) {
  std::string out;
  if (attribute.raw.find_first_of("&\t\n\r") == std::string_view::npos) {
    out.assign(attribute.raw);
  } else {
    AppendXmlDecoded(attribute.raw, out, XmlValueKind::Attribute);
  }
  return out;
}

void XmlScanner::AppendText(std::string& out) const {
  if (token_.cdata) {
    AppendLiteral(token_.text, XmlValueKind::Text, out);
    return;
  }
  if (token_.text.find_first_of("&\r") == std::string_view::npos) {
    out.append(token_.text);
    return;
  }
  try {
    AppendXmlDecoded(token_.text, out, XmlValueKind::Text);
  } catch (const FileError& e) {
    Fail(e.what());
  }
}

// Moves the unread bytes to the front and reads more. False at the end of
// the source.
bool XmlScanner::Refill() {
  if (eof_) return false;
  if (pos_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + pos_, end_ - pos_);
    end_ -= pos_;
    pos_ = 0;
  }
  if (end_ == buffer_.size()) {
    if (buffer_.size() >= kMaxTokenBytes) Fail("a single piece of markup or text is larger than 256 MB");
    buffer_.resize(buffer_.size() * 2);
  }
  size_t got = source_(buffer_.data() + end_, buffer_.size() - end_);
  if (got == 0) {
    eof_ = true;
    return false;
  }
  end_ += got;
  return true;
}

// Index one past the '>' that closes the markup starting at `from`, or npos
// when the buffer does not hold all of it yet.
size_t XmlScanner::FindMarkupEnd(size_t from) const {
  const char* data = buffer_.data();
  std::string_view rest(data + from, end_ - from);
  auto until = [&](std::string_view terminator, size_t skip) -> size_t {
    size_t at = rest.find(terminator, skip);
    return at == std::string_view::npos ? std::string_view::npos : from + at + terminator.size();
  };
  if (rest.size() < 2) return std::string_view::npos;
  if (rest[1] == '?') return until("?>", 2);
  if (rest[1] == '!') {
    if (rest.size() < 9) return std::string_view::npos;
    if (rest.substr(0, 4) == "<!--") return until("-->", 4);
    if (rest.substr(0, 9) == "<![CDATA[") return until("]]>", 9);
    if (rest.substr(0, 9) == "<!DOCTYPE") {
      throw FileError("The part " + partName_ +
                      " declares a document type. Workbook parts never do; it is refused so that no entity is "
                      "expanded and nothing outside the file is read.");
    }
    Fail("unknown markup '<!'");
  }
  char quote = 0;
  for (size_t i = 1; i < rest.size(); ++i) {
    char c = rest[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '>') {
      return from + i + 1;
    } else if (c == '<') {
      Fail("a '<' inside a tag");
    }
  }
  return std::string_view::npos;
}

// Scans the start tag that begins at `from` ("<" and a name) in one pass:
// name, attributes, and the '>' (or "/>") that closes it. Fills the token and
// returns the index one past the '>', or npos when the buffer ends inside
// the tag (nothing is kept then; the caller refills and scans again).
size_t XmlScanner::ScanStartTag(size_t from) {
  const char* p = buffer_.data();
  const size_t end = end_;
  size_t i = from + 1;
  const size_t nameStart = i;
  size_t colon = 0;  // the first ':' of the name, 0 for none
  for (; i < end && IsNameChar(static_cast<unsigned char>(p[i])); ++i) {
    if (p[i] == ':' && !colon) colon = i;
  }
  if (i >= end) return std::string_view::npos;
  const std::string_view qname(p + nameStart, i - nameStart);
  if (qname.empty() && (IsSpace(p[i]) || p[i] == '>' || p[i] == '/')) Fail("a tag without a name");
  if (!IsNameStart(static_cast<unsigned char>(p[nameStart])) ||
      !(IsSpace(p[i]) || p[i] == '>' || p[i] == '/')) {
    size_t stop = i;
    while (stop < end && !IsSpace(p[stop]) && p[stop] != '>') ++stop;
    Fail("the element name '" + std::string(p + nameStart, stop - nameStart) + "' is not a valid XML name");
  }
  token_.attributes.clear();
  bool selfClosing = false;
  while (true) {
    const size_t spaceStart = i;
    while (i < end && IsSpace(p[i])) ++i;
    if (i >= end) return std::string_view::npos;
    if (p[i] == '>') {
      ++i;
      break;
    }
    if (p[i] == '/') {
      if (i + 1 >= end) return std::string_view::npos;
      if (p[i + 1] != '>') Fail("a '/' that does not close <" + std::string(qname) + ">");
      selfClosing = true;
      i += 2;
      break;
    }
    if (p[i] == '<') Fail("a '<' inside a tag");
    if (i == spaceStart) Fail("attributes not separated by white space in <" + std::string(qname) + ">");
    const size_t attrStart = i;
    size_t attrColon = 0;
    for (; i < end && IsNameChar(static_cast<unsigned char>(p[i])); ++i) {
      if (p[i] == ':' && !attrColon) attrColon = i;
    }
    if (i >= end) return std::string_view::npos;
    if (!IsNameStart(static_cast<unsigned char>(p[attrStart])) || (p[i] != '=' && !IsSpace(p[i]))) {
      while (i < end && p[i] != '=' && !IsSpace(p[i]) && p[i] != '>' && p[i] != '/' && p[i] != '<') ++i;
      Fail("the attribute name '" + std::string(p + attrStart, i - attrStart) + "' in <" + std::string(qname) +
           "> is not a valid XML name");
    }
    const std::string_view attrName(p + attrStart, i - attrStart);
    const std::string_view attrLocal = attrColon ? std::string_view(p + attrColon + 1, i - attrColon - 1) : attrName;
    while (i < end && IsSpace(p[i])) ++i;
    if (i >= end) return std::string_view::npos;
    if (p[i] != '=') Fail("an attribute without a value in <" + std::string(qname) + ">");
    ++i;
    while (i < end && IsSpace(p[i])) ++i;
    if (i >= end) return std::string_view::npos;
    if (p[i] != '"' && p[i] != '\'') Fail("an unquoted attribute value");
    const char quote = p[i++];
    const size_t valueStart = i;
    while (i < end && p[i] != quote) {
      if (p[i] == '<') Fail("a '<' inside an attribute value");
      ++i;
    }
    if (i >= end) return std::string_view::npos;
    token_.attributes.push_back({attrLocal, attrName, std::string_view(p + valueStart, i - valueStart)});
    ++i;
  }
  token_.name = colon ? std::string_view(p + colon + 1, qname.size() - (colon + 1 - nameStart)) : qname;
  token_.raw = std::string_view(p + from, i - from);
  token_.selfClosing = selfClosing;
  if (!selfClosing) open_.emplace_back(qname);
  return i;
}

const XmlToken& XmlScanner::Next() {
  if (popAfterToken_) {
    open_.pop_back();
    popAfterToken_ = false;
  }
  token_.cdata = false;
  token_.selfClosing = false;
  while (true) {
    if (pos_ == end_ && !Refill()) {
      if (!open_.empty()) Fail("the document ends before </" + open_.back() + ">");
      if (!sawRoot_) Fail("the document is empty");
      token_.kind = XmlTokenKind::End;
      token_.raw = {};
      return token_;
    }
    const char* data = buffer_.data();
    if (data[pos_] == '<') {
      if (pos_ + 1 == end_) {
        if (!Refill()) Fail("the document ends inside markup");
        continue;
      }
      const char second = data[pos_ + 1];
      if (second != '/' && second != '!' && second != '?') {
        if (open_.empty() && sawRoot_) Fail("a second root element");
        const size_t stop = ScanStartTag(pos_);
        if (stop == std::string_view::npos) {
          if (!Refill()) Fail("the document ends inside markup");
          continue;
        }
        sawRoot_ = true;
        pos_ = stop;
        started_ = true;
        token_.kind = XmlTokenKind::StartTag;
        return token_;
      }
      size_t stop = std::string_view::npos;
      if (second == '/') {
        // An end tag holds a name and perhaps white space: its first '>'
        // closes it (anything else in it fails the name check below).
        const void* gt = std::memchr(data + pos_ + 2, '>', end_ - pos_ - 2);
        if (gt) stop = static_cast<size_t>(static_cast<const char*>(gt) - data) + 1;
      } else {
        stop = FindMarkupEnd(pos_);
      }
      if (stop == std::string_view::npos) {
        if (!Refill()) Fail("the document ends inside markup");
        continue;
      }
      data = buffer_.data();
      std::string_view raw(data + pos_, stop - pos_);
      pos_ = stop;
      started_ = true;
      token_.raw = raw;
      if (raw[1] == '/') {
        std::string_view qname = raw.substr(2, raw.size() - 3);
        while (!qname.empty() && IsSpace(qname.back())) qname.remove_suffix(1);
        if (open_.empty() || open_.back() != qname) {
          Fail("</" + std::string(qname) + "> does not close the open element");
        }
        token_.kind = XmlTokenKind::EndTag;
        token_.name = LocalName(qname);
        popAfterToken_ = true;
        return token_;
      }
      if (raw[1] == '!' && raw.size() >= 12 && raw.substr(0, 9) == "<![CDATA[") {
        if (open_.empty()) Fail("character data outside the root element");
        token_.kind = XmlTokenKind::Text;
        token_.cdata = true;
        token_.text = raw.substr(9, raw.size() - 12);
        return token_;
      }
      token_.kind = XmlTokenKind::Other;  // a declaration, comment or processing instruction
      return token_;
    }
    size_t lt = std::string_view(data + pos_, end_ - pos_).find('<');
    if (lt == std::string_view::npos) {
      if (!eof_ && Refill()) continue;
      lt = end_ - pos_;
    }
    data = buffer_.data();
    token_.kind = XmlTokenKind::Text;
    token_.raw = std::string_view(data + pos_, lt);
    if (open_.empty()) {
      std::string_view outside = token_.raw;
      // A byte-order mark may open the document.
      if (!started_ && outside.substr(0, 3) == "\xEF\xBB\xBF") outside.remove_prefix(3);
      if (outside.find_first_not_of(" \t\r\n") != std::string_view::npos) Fail("character data outside the root element");
    }
    started_ = true;
    token_.text = token_.raw;
    pos_ += lt;
    return token_;
  }
}

}  // namespace sheetwright::files
