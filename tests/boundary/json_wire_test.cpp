// The direct JSON routines must give exactly what the protobuf utilities
// give: compared over a corpus of hand-picked and generated messages.
#include <random>
#include <string>
#include <vector>

#include <google/protobuf/util/json_util.h>
#include <google/protobuf/util/message_differencer.h>
#include <gtest/gtest.h>

#include "boundary/JsonWire.h"

namespace {

using google::protobuf::util::MessageDifferencer;

std::string ReferencePrint(const excel::CommandResponse& response) {
  std::string out;
  google::protobuf::util::JsonPrintOptions options;
  (void)google::protobuf::util::MessageToJsonString(response, &out, options);
  return out;
}

bool ReferenceParse(const std::string& json, excel::Command* command) {
  google::protobuf::util::JsonParseOptions options;
  return google::protobuf::util::JsonStringToMessage(json, command, options).ok();
}

void AppendUtf8(std::string& out, uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

void ExpectSameParse(const std::string& json) {
  SCOPED_TRACE(json);
  excel::Command reference;
  const bool referenceOk = ReferenceParse(json, &reference);
  excel::Command direct;
  if (ParseCommandJsonDirect(json, &direct)) {
    ASSERT_TRUE(referenceOk) << "accepted what the utilities reject";
    EXPECT_TRUE(MessageDifferencer::Equals(direct, reference)) << direct.ShortDebugString();
  }
  excel::Command combined;
  ParseCommandJson(json, &combined);
  EXPECT_TRUE(MessageDifferencer::Equals(combined, referenceOk ? reference : excel::Command()));
}

TEST(JsonWire, RequestsParseAsTheUtilitiesParseThem) {
  const char* kRequests[] = {
      "",
      "{}",
      " {\t\"commandName\" :\r\n\"Open\" } ",
      "{\"commandName\":\"Open\",\"parameter\":{\"SessionName\":\"S1\",\"FileName\":\"C:\\\\Data\\\\Book1.xlsx\"}}",
      "{\"parameter\":{},\"commandName\":\"GetUsedRange\"}",
      "{\"commandName\":\"a\\\"b\\/c\\b\\f\\n\\r\\t\"}",
      "{\"commandName\":\"\\u0041\\u00fc\\ud83d\\ude00\"}",
      "{\"commandName\":\"\\ud800\"}",
      "{\"commandName\":null}",
      "{\"parameter\":null}",
      "{\"parameter\":{\"a\":null}}",
      "{\"commandName\":\"a\",\"commandName\":\"b\"}",
      "{\"parameter\":{\"a\":\"1\",\"a\":\"2\"}}",
      "{\"parameter\":{\"a\":\"1\"},\"parameter\":{\"b\":\"2\"}}",
      "{\"commandName\":\"x\"} trailing",
      "{\"commandName\":\"x\",}",
      "{\"parameter\":{\"a\":\"1\",}}",
      "{'commandName':'x'}",
      "{commandName:\"x\"}",
      "{\"commandName\":\"x\",\"other\":1}",
      "{\"commandName\":7}",
      "{\"parameter\":{\"CellOption\":2}}",
      "{\"parameter\":{\"CellOption\":true}}",
      "{\"parameter\":[]}",
      "[]",
      "\"commandName\"",
      "{\"commandName\":\"\xC3\xBC\xE6\xBC\xA2\xF0\x9F\x98\x80\"}",
      "{\"commandName\":\"\xFF\"}",
      "{\"commandName\":\"\xED\xA0\x80\"}",
      "{\"commandName\":\"a\x01z\"}",
      "{\"commandName\":\"a\\x\"}",
      "{\"commandName\":\"unterminated}",
      "{\"parameter\":{\"\":\"\"}}",
      "{\"commandName\":\"Open\",\"parameter\":{\"k\\\"ey\":\"v\\\\al\"}}",
      "\xEF\xBB\xBF{}",
      "{\"commandName\":\"Open\"\"parameter\":{}}",
      "{\"commandName\" \"Open\"}",
  };
  for (const char* json : kRequests) ExpectSameParse(json);
}

TEST(JsonWire, GeneratedRequestsParseAsTheUtilitiesParseThem) {
  std::mt19937 random(20261209);
  const std::string kPieces[] = {"a", "Z", " ", "\\\"", "\\\\", "\\/", "\\n", "\\t", "\\u0041",
                                 "\xC3\xBC", "\xE2\x80\xA8", "\xF0\x9F\x98\x80", "<", ">", "&",
                                 "'", ":", ",", "{", "}", "\x7F"};
  auto text = [&] {
    std::string s;
    const int count = random() % 6;
    for (int i = 0; i < count; ++i) s += kPieces[random() % std::size(kPieces)];
    return s;
  };
  for (int i = 0; i < 500; ++i) {
    std::string json = "{\"commandName\":\"" + text() + "\",\"parameter\":{";
    const int entries = random() % 4;
    for (int e = 0; e < entries; ++e) {
      if (e > 0) json += ",";
      json += "\"k" + std::to_string(e) + text() + "\":\"" + text() + "\"";
    }
    json += "}}";
    ExpectSameParse(json);
  }
}

void ExpectSamePrint(const excel::CommandResponse& response) {
  std::string direct;
  ASSERT_TRUE(PrintResponseJsonDirect(response, &direct)) << response.ShortDebugString();
  EXPECT_EQ(direct, ReferencePrint(response));
}

TEST(JsonWire, RepliesPrintAsTheUtilitiesPrintThem) {
  std::vector<excel::CommandResponse> replies(8);
  replies[1].mutable_defaultresponse();
  replies[2].mutable_defaultresponse()->set_status(true);
  replies[3].mutable_defaultresponse()->set_errorcode("EXCEL_QUV_GET_CELL_ADD_103");
  (*replies[3].mutable_defaultresponse()->mutable_parameter())["CellPosition"] = "-1";
  replies[4].set_commandresponsetype(excel::CommandResponse::TABLE_RESPONSE);
  replies[4].mutable_defaultresponse()->set_status(true);
  auto* table = replies[4].mutable_tableresponse();
  table->set_morerecordsavailable(true);
  auto* row = table->mutable_tablevariable()->add_rows();
  row->add_columns("Pen");
  row->add_columns("3");
  table->mutable_tablevariable()->add_rows();
  table->mutable_tablevariable()->add_rows()->add_columns("");
  replies[5].mutable_tableresponse()->add_colummnname("A");
  replies[5].mutable_tableresponse()->add_colummnname("");
  replies[6].mutable_tableresponse()->mutable_tablevariable();
  auto* many = replies[7].mutable_defaultresponse()->mutable_parameter();
  for (int i = 0; i < 40; ++i) (*many)["key" + std::to_string(i)] = std::to_string(i * i);
  for (const auto& reply : replies) {
    SCOPED_TRACE(reply.ShortDebugString());
    ExpectSamePrint(reply);
  }
}

// Every Unicode scalar value, in chunks, as message text: the escaping of
// each code point matches.
TEST(JsonWire, EveryCodePointIsEscapedAsTheUtilitiesEscapeIt) {
  constexpr uint32_t kChunk = 2048;
  for (uint32_t first = 0; first <= 0x10FFFF; first += kChunk) {
    std::string text;
    for (uint32_t c = first; c < first + kChunk && c <= 0x10FFFF; ++c) {
      if (c >= 0xD800 && c <= 0xDFFF) continue;
      AppendUtf8(text, c);
    }
    excel::CommandResponse reply;
    reply.mutable_defaultresponse()->set_errormessage(text);
    SCOPED_TRACE(first);
    ExpectSamePrint(reply);
  }
}

TEST(JsonWire, InvalidUtf8AndUnknownEnumValuesFallBackToTheUtilities) {
  excel::CommandResponse invalid;
  invalid.mutable_defaultresponse()->set_errormessage("a\xFFz");
  std::string direct;
  EXPECT_FALSE(PrintResponseJsonDirect(invalid, &direct));
  excel::CommandResponse unknownType;
  unknownType.set_commandresponsetype(static_cast<excel::CommandResponse::ResponseType>(7));
  EXPECT_FALSE(PrintResponseJsonDirect(unknownType, &direct));
  std::string combined = "prefix";
  PrintResponseJson(unknownType, &combined);
  EXPECT_EQ(combined, "prefix" + ReferencePrint(unknownType));
}

}  // namespace
