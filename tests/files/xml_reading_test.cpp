// The streaming XML tokenizer and the small readers built on it: references
// decoded (and only the safe ones), markup split across read chunks,
// malformed documents refused.
#include <gtest/gtest.h>

#include <cstring>

#include "server/files/file_error.h"
#include "server/files/styles_part.h"
#include "server/files/xml_scanner.h"

namespace sheetwright::files {
namespace {

// Scans `xml` delivered `chunk` bytes at a time; returns the decoded text of
// every element named "t", joined by '|'.
std::string TextsOf(const std::string& xml, size_t chunk) {
  size_t at = 0;
  XmlScanner scanner(
      [&](char* buffer, size_t capacity) {
        size_t n = std::min({capacity, chunk, xml.size() - at});
        std::memcpy(buffer, xml.data() + at, n);
        at += n;
        return n;
      },
      "test.xml", 64);
  std::string out;
  bool inT = false;
  for (const XmlToken* t = &scanner.Next(); t->kind != XmlTokenKind::End; t = &scanner.Next()) {
    if (t->kind == XmlTokenKind::StartTag && t->name == "t") {
      if (!out.empty()) out += '|';
      inT = !t->selfClosing;
    } else if (t->kind == XmlTokenKind::EndTag) {
      inT = false;
    } else if (t->kind == XmlTokenKind::Text && inT) {
      scanner.AppendText(out);
    }
  }
  return out;
}

TEST(XmlScanner, DecodesReferencesAcrossChunkBoundaries) {
  const std::string xml =
      "<?xml version=\"1.0\"?><!-- note --><x:root xmlns:x=\"u\"><x:t a='1&gt;0'>a &amp; b &lt;c&gt; &#65;&#x263A;</x:t>"
      "<t><![CDATA[<raw> & ]]></t><t/><t>" + std::string(300, 'z') + "</t></x:root>";
  for (size_t chunk : {1u, 7u, 64u, 4096u}) {
    SCOPED_TRACE(chunk);
    EXPECT_EQ(TextsOf(xml, chunk), "a & b <c> A\xE2\x98\xBA|<raw> & ||" + std::string(300, 'z'));
  }
}

TEST(XmlScanner, LineEndsInTextBecomeLineFeeds) {
  // CR LF and a lone CR read as LF, in text and CDATA alike; a CR written as
  // a character reference stays a CR. Chunks of 1 byte split every CR LF.
  const std::string xml =
      "<r><t>Hello\r\nFoo\rBar\n</t><t>kept&#13;&#10;&#xD;</t><t><![CDATA[a\r\nb\rc]]></t>"
      "<t>\r\n\r\n</t></r>";
  for (size_t chunk : {1u, 2u, 3u, 4096u}) {
    SCOPED_TRACE(chunk);
    EXPECT_EQ(TextsOf(xml, chunk), "Hello\nFoo\nBar\n|kept\r\n\r|a\nb\nc|\n\n");
  }
  EXPECT_EQ(TextsOf("\xEF\xBB\xBF\r\n<r><t>after a byte-order mark</t></r>\r\n", 2), "after a byte-order mark");
}

TEST(XmlScanner, AttributeValuesAreNormalised) {
  struct Case {
    const char* raw;
    const char* value;
  };
  const Case cases[] = {
      {"plain", "plain"},
      {"a\tb\nc\rd", "a b c d"},
      {"a\r\nb", "a b"},
      {"a&#10;b&#13;c&#9;d", "a\nb\rc\td"},
      {"  both ends  ", "  both ends  "},
      {"&lt;&amp;&quot;&apos;&gt;", "<&\"'>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.raw);
    const std::string xml = std::string("<r a=\"") + c.raw + "\"/>";
    XmlScanner scanner(xml, "test.xml");
    const XmlToken& t = scanner.Next();
    ASSERT_EQ(t.kind, XmlTokenKind::StartTag);
    EXPECT_EQ(XmlScanner::Decode(t.attributes.at(0)), c.value);
  }
}

TEST(XmlScanner, RefusesWhatIsNotSafeOrWellFormed) {
  struct Case {
    const char* name;
    const char* xml;
    const char* expected;
  };
  const Case cases[] = {
      {"document type declaration", "<!DOCTYPE r [<!ENTITY e 'x'>]><r><t>&e;</t></r>", "document type"},
      {"undeclared entity", "<r><t>&e;</t></r>", "undeclared entity"},
      {"mismatched end tag", "<r><t>x</u></r>", "does not close"},
      {"truncated document", "<r><t>x</t>", "ends before"},
      {"truncated tag", "<r><t", "ends inside markup"},
      {"empty document", "", "empty"},
      {"two roots", "<r/><r/>", "second root"},
      {"unquoted attribute", "<r a=1/>", "unquoted"},
      {"bad character reference", "<r><t>&#0;</t></r>", "character reference"},
      {"reference to a control character", "<r><t>&#1;</t></r>", "character reference"},
      {"reference to U+FFFF", "<r><t>&#xFFFF;</t></r>", "character reference"},
      {"reference to a surrogate", "<r><t>&#xD800;</t></r>", "character reference"},
      {"reference past U+10FFFF", "<r><t>&#x110000;</t></r>", "character reference"},
      {"upper-case hexadecimal mark", "<r><t>&#X41;</t></r>", "character reference"},
      {"attribute name starting with a digit", "<r 1a=\"x\"/>", "not a valid XML name"},
      {"element name starting with a dot", "<.r/>", "not a valid XML name"},
      {"attributes without space between", "<r a=\"1\"b=\"2\"/>", "white space"},
      {"'<' in an attribute value", "<r a=\"<\"/>", "'<' inside an attribute"},
      {"text before the root", "<?xml version=\"1.0\"?>\"<r/>", "outside the root"},
      {"text after the root", "<r/>x", "outside the root"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      TextsOf(c.xml, 5);
      ADD_FAILURE() << "accepted";
    } catch (const FileError& e) {
      EXPECT_NE(std::string(e.what()).find(c.expected), std::string::npos) << e.what();
    }
  }
}

TEST(NumberFormats, DateCodesAreRecognised) {
  struct Case {
    const char* code;
    bool date;
  };
  const Case cases[] = {
      {"yyyy-mm-dd", true},       {"d-mmm-yy", true},          {"h:mm AM/PM", true},
      {"[h]:mm:ss", true},        {"[$-409]mmmm d, yyyy", true}, {"0.00", false},
      {"General", false},         {"#,##0 \"days\"", false},   {"[Red]0.00", false},
      {"0.00E+00", false},        {"\\d0", false},             {"_(* #,##0_)", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(IsDateFormatCode(c.code), c.date);
  }
}

TEST(NumberFormats, CurrencyCodesAreRecognised) {
  struct Case {
    const char* code;
    bool currency;
  };
  const Case cases[] = {
      {"\"$\"#,##0.00", true},          {"$#,##0.00_);($#,##0.00)", true}, {"[$\xE2\x82\xAC-407] #,##0.00", true},
      {"#,##0.00 \xE2\x82\xAC", true},   {"\xC2\xA3#,##0", true},            {"_(\"$\"* #,##0.00_)", true},
      {"[$-409]#,##0.00", false},       {"[$-409]mmmm d, yyyy", false},    {"#,##0.00", false},
      {"0.00%", false},                 {"#,##0 \"USD\"", false},          {"_(* #,##0_)", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(IsCurrencyFormatCode(c.code), c.currency);
  }
}

TEST(NumberFormats, CurrencyAndAccountingStylesAnswerAsCurrency) {
  // xf 0 General, 1 built-in currency (7), 2 built-in accounting with the
  // symbol (44), 3 accounting without it (43), 4 custom euro, 5 custom date
  // with a locale tag, 6 plain two decimals.
  const std::string xml =
      "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
      "<numFmts count=\"2\"><numFmt numFmtId=\"164\" formatCode=\"#,##0.00 \xE2\x82\xAC\"/>"
      "<numFmt numFmtId=\"165\" formatCode=\"[$-409]d-mmm-yy\"/></numFmts>"
      "<cellXfs count=\"7\"><xf numFmtId=\"0\"/><xf numFmtId=\"7\"/><xf numFmtId=\"44\"/>"
      "<xf numFmtId=\"43\"/><xf numFmtId=\"164\"/><xf numFmtId=\"165\"/><xf numFmtId=\"2\"/></cellXfs>"
      "</styleSheet>";
  engine::Workbook workbook;
  ASSERT_EQ(ReadStyles(xml, "xl/styles.xml", workbook), 7u);
  const bool expected[] = {false, true, true, false, true, false, false};
  for (uint32_t style = 0; style < 7; ++style) {
    SCOPED_TRACE(style);
    EXPECT_EQ(workbook.IsCurrencyStyle(style), expected[style]);
  }
  EXPECT_TRUE(workbook.IsDateStyle(5));
}

}  // namespace
}  // namespace sheetwright::files
