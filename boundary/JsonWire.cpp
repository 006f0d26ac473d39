#include "boundary/JsonWire.h"

#include <cstdint>

#include <google/protobuf/util/json_util.h>

namespace {

// ---- Reading ------------------------------------------------------------

// Decodes the multi-byte UTF-8 sequence starting at p (whose first byte is
// 0x80 or above) into *c. Returns its length, or 0 when the sequence is
// malformed, truncated, overlong, a surrogate or beyond U+10FFFF.
int DecodeUtf8Sequence(const unsigned char* p, const unsigned char* end, uint32_t* c) {
  const unsigned char b = *p;
  int length;
  uint32_t value;
  if (b >= 0xC2 && b <= 0xDF) {
    length = 2;
    value = b & 0x1F;
  } else if (b >= 0xE0 && b <= 0xEF) {
    length = 3;
    value = b & 0x0F;
  } else if (b >= 0xF0 && b <= 0xF4) {
    length = 4;
    value = b & 0x07;
  } else {
    return 0;
  }
  if (end - p < length) return 0;
  for (int i = 1; i < length; ++i) {
    if ((p[i] & 0xC0) != 0x80) return 0;
    value = (value << 6) | (p[i] & 0x3F);
  }
  if ((length == 3 && (value < 0x800 || (value >= 0xD800 && value <= 0xDFFF))) ||
      (length == 4 && (value < 0x10000 || value > 0x10FFFF))) {
    return 0;
  }
  *c = value;
  return length;
}

bool IsValidUtf8(std::string_view text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    const unsigned char b = *p;
    if (b < 0x80) {
      ++p;
      continue;
    }
    uint32_t c;
    const int length = DecodeUtf8Sequence(p, end, &c);
    if (length == 0) return false;
    p += length;
  }
  return true;
}

// A cursor over the request for the strict shape the direct reader accepts:
// plain JSON whitespace, strings with the short escapes only, no null, no
// duplicates, nothing after the closing brace.
class StrictReader {
 public:
  explicit StrictReader(std::string_view text) : m_text(text) {}

  void SkipWhitespace() {
    while (m_pos < m_text.size()) {
      const char c = m_text[m_pos];
      if (c != ' ' && c != '\t' && c != '\n' && c != '\r') break;
      ++m_pos;
    }
  }
  bool Consume(char expected) {
    SkipWhitespace();
    if (m_pos >= m_text.size() || m_text[m_pos] != expected) return false;
    ++m_pos;
    return true;
  }
  bool Peek(char expected) {
    SkipWhitespace();
    return m_pos < m_text.size() && m_text[m_pos] == expected;
  }
  bool AtEnd() {
    SkipWhitespace();
    return m_pos == m_text.size();
  }
  // A JSON string into `out` (replacing it).
  bool ReadString(std::string& out) {
    if (!Consume('"')) return false;
    out.clear();
    size_t runStart = m_pos;
    while (m_pos < m_text.size()) {
      const unsigned char c = static_cast<unsigned char>(m_text[m_pos]);
      if (c == '"') {
        out.append(m_text.data() + runStart, m_pos - runStart);
        ++m_pos;
        return true;
      }
      if (c < 0x20) return false;
      if (c != '\\') {
        ++m_pos;
        continue;
      }
      out.append(m_text.data() + runStart, m_pos - runStart);
      if (++m_pos >= m_text.size()) return false;
      switch (m_text[m_pos]) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        default: return false;  // \u and anything unusual
      }
      runStart = ++m_pos;
    }
    return false;
  }

 private:
  std::string_view m_text;
  size_t m_pos = 0;
};

bool ReadParameterMap(StrictReader& reader, excel::Command* command) {
  if (!reader.Consume('{')) return false;
  if (reader.Consume('}')) return true;
  auto* parameters = command->mutable_parameter();
  std::string key;
  std::string value;
  do {
    if (!reader.ReadString(key) || !reader.Consume(':') || !reader.ReadString(value)) return false;
    // A repeated key fails the utilities' parse; let them decide.
    if (!parameters->insert({key, value}).second) return false;
  } while (reader.Consume(','));
  return reader.Consume('}');
}

// ---- Writing ------------------------------------------------------------

// Code points the protobuf JSON printer writes as \u escapes besides the
// ASCII ones handled inline: C1 controls, format and invisible characters.
bool IsEscapedCodePoint(uint32_t c) {
  return (c >= 0x7F && c <= 0x9F) || c == 0xAD || (c >= 0x600 && c <= 0x603) || c == 0x6DD ||
         c == 0x70F || c == 0x17B4 || c == 0x17B5 || (c >= 0x200B && c <= 0x200F) ||
         (c >= 0x2028 && c <= 0x202E) || (c >= 0x2060 && c <= 0x2064) ||
         (c >= 0x206A && c <= 0x206F) || c == 0xFEFF || (c >= 0xFFF9 && c <= 0xFFFB) ||
         (c >= 0x1D173 && c <= 0x1D17A) || c == 0xE0001 || (c >= 0xE0020 && c <= 0xE007F);
}

void AppendUnicodeEscape(std::string& out, uint32_t unit) {
  static const char kHex[] = "0123456789abcdef";
  out += "\\u";
  out += kHex[(unit >> 12) & 0xF];
  out += kHex[(unit >> 8) & 0xF];
  out += kHex[(unit >> 4) & 0xF];
  out += kHex[unit & 0xF];
}

// Appends `text` as a quoted JSON string; false for invalid UTF-8.
bool AppendQuoted(std::string& out, const std::string& text) {
  out += '"';
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  const auto* runStart = p;
  auto flush = [&](const unsigned char* upTo) {
    out.append(reinterpret_cast<const char*>(runStart), upTo - runStart);
  };
  while (p < end) {
    const unsigned char b = *p;
    if (b >= 0x20 && b < 0x7F && b != '"' && b != '\\' && b != '<' && b != '>') {
      ++p;
      continue;
    }
    if (b < 0x80) {
      flush(p);
      switch (b) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default: AppendUnicodeEscape(out, b); break;  // other controls, <, >, DEL
      }
      runStart = ++p;
      continue;
    }
    // A multi-byte sequence: decode to decide whether it is escaped.
    uint32_t c;
    const int length = DecodeUtf8Sequence(p, end, &c);
    if (length == 0) return false;
    if (IsEscapedCodePoint(c)) {
      flush(p);
      if (c >= 0x10000) {
        AppendUnicodeEscape(out, 0xD800 + ((c - 0x10000) >> 10));
        AppendUnicodeEscape(out, 0xDC00 + ((c - 0x10000) & 0x3FF));
      } else {
        AppendUnicodeEscape(out, c);
      }
      p += length;
      runStart = p;
    } else {
      p += length;
    }
  }
  flush(end);
  out += '"';
  return true;
}

// Writes the members of one object: each Member call adds a separator when
// needed and the quoted name.
class ObjectWriter {
 public:
  explicit ObjectWriter(std::string& out) : m_out(out) { m_out += '{'; }
  void Member(const char* name) {
    if (!m_first) m_out += ',';
    m_first = false;
    m_out += '"';
    m_out += name;
    m_out += "\":";
  }
  void Close() { m_out += '}'; }

 private:
  std::string& m_out;
  bool m_first = true;
};

bool AppendStringArray(std::string& out,
                       const google::protobuf::RepeatedPtrField<std::string>& values) {
  out += '[';
  bool first = true;
  for (const std::string& value : values) {
    if (!first) out += ',';
    first = false;
    if (!AppendQuoted(out, value)) return false;
  }
  out += ']';
  return true;
}

bool AppendDefaultResponse(std::string& out, const excel::DefaultResponse& response) {
  ObjectWriter object(out);
  if (response.status()) {
    object.Member("status");
    out += "true";
  }
  if (!response.errormessage().empty()) {
    object.Member("errorMessage");
    if (!AppendQuoted(out, response.errormessage())) return false;
  }
  if (!response.errorcode().empty()) {
    object.Member("errorCode");
    if (!AppendQuoted(out, response.errorcode())) return false;
  }
  if (!response.parameter().empty()) {
    object.Member("parameter");
    out += '{';
    bool first = true;
    for (const auto& [key, value] : response.parameter()) {
      if (!first) out += ',';
      first = false;
      if (!AppendQuoted(out, key)) return false;
      out += ':';
      if (!AppendQuoted(out, value)) return false;
    }
    out += '}';
  }
  object.Close();
  return true;
}

bool AppendTableResponse(std::string& out, const excel::TableResponse& table) {
  ObjectWriter object(out);
  if (table.colummnname_size() > 0) {
    object.Member("colummnName");
    if (!AppendStringArray(out, table.colummnname())) return false;
  }
  if (table.has_tablevariable()) {
    object.Member("TableVariable");
    ObjectWriter rows(out);
    if (table.tablevariable().rows_size() > 0) {
      rows.Member("rows");
      out += '[';
      bool first = true;
      for (const excel::TableResponse::Row& row : table.tablevariable().rows()) {
        if (!first) out += ',';
        first = false;
        ObjectWriter columns(out);
        if (row.columns_size() > 0) {
          columns.Member("columns");
          if (!AppendStringArray(out, row.columns())) return false;
        }
        columns.Close();
      }
      out += ']';
    }
    rows.Close();
  }
  if (table.morerecordsavailable()) {
    object.Member("moreRecordsAvailable");
    out += "true";
  }
  object.Close();
  return true;
}

}  // namespace

bool ParseCommandJsonDirect(std::string_view json, excel::Command* command) {
  command->Clear();
  if (!IsValidUtf8(json)) return false;
  StrictReader reader(json);
  if (!reader.Consume('{')) return false;
  bool sawName = false;
  bool sawParameters = false;
  if (!reader.Peek('}')) {
    std::string member;
    do {
      if (!reader.ReadString(member) || !reader.Consume(':')) return false;
      if (member == "commandName" && !sawName) {
        sawName = true;
        if (!reader.ReadString(*command->mutable_commandname())) return false;
      } else if (member == "parameter" && !sawParameters) {
        sawParameters = true;
        if (!ReadParameterMap(reader, command)) return false;
      } else {
        return false;  // unknown or repeated member
      }
    } while (reader.Consume(','));
  }
  return reader.Consume('}') && reader.AtEnd();
}

bool PrintResponseJsonDirect(const excel::CommandResponse& response, std::string* out) {
  std::string& text = *out;
  ObjectWriter object(text);
  switch (response.commandresponsetype()) {
    case excel::CommandResponse::GENERIC:
      break;
    case excel::CommandResponse::TABLE_RESPONSE:
      object.Member("commandResponseType");
      text += "\"TABLE_RESPONSE\"";
      break;
    default:
      return false;  // a value outside the enum prints as a number
  }
  if (response.has_defaultresponse()) {
    object.Member("defaultResponse");
    if (!AppendDefaultResponse(text, response.defaultresponse())) return false;
  }
  if (response.has_tableresponse()) {
    object.Member("tableResponse");
    if (!AppendTableResponse(text, response.tableresponse())) return false;
  }
  object.Close();
  return true;
}

void ParseCommandJson(std::string_view json, excel::Command* command) {
  if (ParseCommandJsonDirect(json, command)) return;
  command->Clear();
  google::protobuf::util::JsonParseOptions options;
  options.ignore_unknown_fields = false;
  options.case_insensitive_enum_parsing = false;
  // A failed parse leaves the command untouched, that is empty.
  (void)google::protobuf::util::JsonStringToMessage(
      google::protobuf::StringPiece(json.data(), json.size()), command, options);
}

void PrintResponseJson(const excel::CommandResponse& response, std::string* out) {
  const size_t start = out->size();
  if (PrintResponseJsonDirect(response, out)) return;
  out->resize(start);
  google::protobuf::util::JsonPrintOptions options;
  options.add_whitespace = false;
  options.always_print_primitive_fields = false;
  options.always_print_enums_as_ints = false;
  options.preserve_proto_field_names = false;
  std::string text;
  (void)google::protobuf::util::MessageToJsonString(response, &text, options);
  out->append(text);
}
