// A streaming pull tokenizer for the large parts of a package (worksheet
// XML and the shared string table), where a DOM would cost several times the
// part's size in memory. It reads from a chunked source and yields start
// tags, end tags, text and "other" markup (declarations, comments,
// processing instructions), each with its raw bytes, so a caller can copy
// any stretch of the document verbatim.
//
// Safety: a document type declaration is refused outright, so no entity is
// ever declared, expanded or fetched; the only references decoded are the
// five predefined entities and numeric character references. Tokens longer
// than a fixed cap, unbalanced tags and a document that ends inside markup
// are reported as FileError.
//
// Views returned by a token are valid until the next call to Next().
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace sheetwright::files {

struct XmlAttribute {
  std::string_view name;   // local name, namespace prefix removed
  std::string_view qname;  // as written, with any prefix
  std::string_view raw;    // value as written, entity references undecoded
};

enum class XmlTokenKind { StartTag, EndTag, Text, Other, End };

struct XmlToken {
  XmlTokenKind kind = XmlTokenKind::End;
  std::string_view name;       // local name of a start or end tag
  bool selfClosing = false;    // <a/>: no separate EndTag follows
  bool cdata = false;          // Text from a CDATA section (not entity-decoded)
  std::string_view raw;        // every byte of the token as written
  std::string_view text;       // Text: content (undecoded unless cdata)
  std::vector<XmlAttribute> attributes;

  // The raw value of attribute `localName`, or null when absent.
  const XmlAttribute* Find(std::string_view localName) const;
};

// How a value is normalised while it is decoded: line ends in text become
// LF (CR LF and a lone CR alike); in an attribute value every literal tab,
// CR, LF and CR LF then becomes one space. Characters written as references
// (&#13;, &#10;, &#9;) are kept as they are in both.
enum class XmlValueKind { Text, Attribute };

// Appends `raw` with its entity and character references decoded, as UTF-8,
// normalised for `kind`. Throws FileError on an unknown or malformed
// reference, or one that names a character XML does not allow.
void AppendXmlDecoded(std::string_view raw, std::string& out, XmlValueKind kind = XmlValueKind::Text);

class XmlScanner {
 public:
  // Fills `buffer` with up to `capacity` bytes and returns how many; 0 means
  // the end of the document. May throw FileError.
  using Source = std::function<size_t(char* buffer, size_t capacity)>;

  XmlScanner(Source source, std::string partName, size_t chunkBytes = 256 * 1024);
  // Scans a document already in memory.
  XmlScanner(std::string_view document, std::string partName);

  const XmlToken& Next();
  const XmlToken& Current() const { return token_; }
  // Text content of the current Text token (CDATA included), decoded and
  // with its line ends normalised, appended to `out`.
  void AppendText(std::string& out) const;
  // Decoded and normalised value of an attribute of the current start tag.
  static std::string Decode(const XmlAttribute& attribute);
  const std::string& partName() const { return partName_; }
  int depth() const { return static_cast<int>(open_.size()); }

  [[noreturn]] void Fail(const std::string& what) const;

 private:
  bool Refill();
  size_t FindMarkupEnd(size_t from) const;
  size_t ScanStartTag(size_t from);

  Source source_;
  std::string partName_;
  std::string buffer_;
  size_t pos_ = 0;
  size_t end_ = 0;
  bool eof_ = false;
  bool sawRoot_ = false;
  bool started_ = false;  // a token was returned (a byte-order mark may precede the first only)
  XmlToken token_;
  std::vector<std::string> open_;
  bool popAfterToken_ = false;
};

}  // namespace sheetwright::files
