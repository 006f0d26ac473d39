// The response builders every operation reports through.
#include <functional>
#include <string>

#include <google/protobuf/util/json_util.h>
#include <gtest/gtest.h>

#include "session/CExcelCom.h"

namespace {

// Opens the builders to the test.
class ResponseProbe : public CExcelCom {
 public:
  using CExcelCom::AddErrorCodeToResponse;
  using CExcelCom::AddErrorMessageToResponse;
  using CExcelCom::AddErrorParamater;
  using CExcelCom::BuildResponseFromStatus;
  using CExcelCom::BuildTableResponse;

  // The reply text as the request cycle prints it.
  std::string Json() {
    std::string out;
    google::protobuf::util::JsonPrintOptions options;
    (void)google::protobuf::util::MessageToJsonString(GetResultData(), &out, options);
    return out;
  }
};

TEST(ResponseBuilders, StatusResponsesPrintAsTheHostExpects) {
  struct Case {
    const char* name;
    std::function<void(ResponseProbe&)> build;
    const char* json;
  };
  const Case kCases[] = {
      {"nothing built", [](ResponseProbe&) {}, "{}"},
      {"failure without texts", [](ResponseProbe& p) { p.BuildResponseFromStatus(0); },
       "{\"defaultResponse\":{}}"},
      {"any non-zero status is success", [](ResponseProbe& p) { p.BuildResponseFromStatus(5); },
       "{\"defaultResponse\":{\"status\":true}}"},
      {"negative status is success", [](ResponseProbe& p) { p.BuildResponseFromStatus(-1); },
       "{\"defaultResponse\":{\"status\":true}}"},
      {"code only",
       [](ResponseProbe& p) {
         p.AddErrorCodeToResponse(L"EXCEL_QUV_ATTACH_100");
         p.BuildResponseFromStatus(0);
       },
       "{\"defaultResponse\":{\"errorCode\":\"EXCEL_QUV_ATTACH_100\"}}"},
      {"success keeps a message left by a failed call",
       [](ResponseProbe& p) {
         p.AddErrorMessageToResponse(L"Range failed");
         p.BuildResponseFromStatus(1);
       },
       "{\"defaultResponse\":{\"status\":true,\"errorMessage\":\"Range failed\"}}"},
      {"parameter after the status",
       [](ResponseProbe& p) {
         p.AddErrorCodeToResponse(L"EXCEL_QUV_GET_CELL_ADD_103");
         p.BuildResponseFromStatus(0);
         p.AddErrorParamater(L"CellPosition", -1);
       },
       "{\"defaultResponse\":{\"errorCode\":\"EXCEL_QUV_GET_CELL_ADD_103\","
       "\"parameter\":{\"CellPosition\":\"-1\"}}}"},
      {"parameter before the status is lost",
       [](ResponseProbe& p) {
         p.AddErrorParamater(L"Range", L"A1");
         p.BuildResponseFromStatus(1);
       },
       "{\"defaultResponse\":{\"status\":true}}"},
      {"two texts join with a colon",
       [](ResponseProbe& p) {
         p.BuildResponseFromStatus(1);
         p.AddErrorParamater(L"Range", L"A1", L"C5");
       },
       "{\"defaultResponse\":{\"status\":true,\"parameter\":{\"Range\":\"A1:C5\"}}}"},
      {"two numbers join with a colon",
       [](ResponseProbe& p) {
         p.BuildResponseFromStatus(1);
         p.AddErrorParamater(L"Range", 3, -1);
       },
       "{\"defaultResponse\":{\"status\":true,\"parameter\":{\"Range\":\"3:-1\"}}}"},
      {"the first value of a key wins",
       [](ResponseProbe& p) {
         p.BuildResponseFromStatus(1);
         p.AddErrorParamater(L"RowNumber", 4);
         p.AddErrorParamater(L"RowNumber", 9);
       },
       "{\"defaultResponse\":{\"status\":true,\"parameter\":{\"RowNumber\":\"4\"}}}"},
      {"parameter alone creates the default response",
       [](ResponseProbe& p) { p.AddErrorParamater(L"SheetName", L"Data"); },
       "{\"defaultResponse\":{\"parameter\":{\"SheetName\":\"Data\"}}}"},
      {"status discards an earlier table",
       [](ResponseProbe& p) {
         p.BuildResponseFromStatus(1);
         p.AddErrorParamater(L"Range", L"A1");
         p.BuildResponseFromStatus(0);
       },
       "{\"defaultResponse\":{}}"},
      {"a second code replaces the first",
       [](ResponseProbe& p) {
         p.AddErrorCodeToResponse(L"EXCEL_QUV_FIND_100");
         p.AddErrorCodeToResponse(L"EXCEL_QUV_REPLACE_100");
         p.BuildResponseFromStatus(0);
       },
       "{\"defaultResponse\":{\"errorCode\":\"EXCEL_QUV_REPLACE_100\"}}"},
      {"an empty code empties the text",
       [](ResponseProbe& p) {
         p.AddErrorCodeToResponse(L"EXCEL_QUV_FIND_100");
         p.AddErrorCodeToResponse(L"");
         p.BuildResponseFromStatus(0);
       },
       "{\"defaultResponse\":{}}"},
      {"a null message empties the text",
       [](ResponseProbe& p) {
         p.AddErrorMessageToResponse(L"x");
         p.AddErrorMessageToResponse(nullptr);
         p.BuildResponseFromStatus(0);
       },
       "{\"defaultResponse\":{}}"},
      {"table response carries the status and both texts",
       [](ResponseProbe& p) {
         p.AddErrorMessageToResponse(L"retried");
         excel::TableResponse* table = p.BuildTableResponse();
         table->mutable_tablevariable()->add_rows()->add_columns("Pen");
         table->set_morerecordsavailable(true);
       },
       "{\"commandResponseType\":\"TABLE_RESPONSE\",\"defaultResponse\":{\"status\":true,"
       "\"errorMessage\":\"retried\"},\"tableResponse\":{\"TableVariable\":{\"rows\":"
       "[{\"columns\":[\"Pen\"]}]},\"moreRecordsAvailable\":true}}"},
      {"table response replaces earlier parameters",
       [](ResponseProbe& p) {
         p.BuildResponseFromStatus(0);
         p.AddErrorParamater(L"Range", L"A1");
         p.BuildTableResponse();
       },
       "{\"commandResponseType\":\"TABLE_RESPONSE\",\"defaultResponse\":{\"status\":true},"
       "\"tableResponse\":{}}"},
      {"status after a table drops the table",
       [](ResponseProbe& p) {
         p.BuildTableResponse()->mutable_tablevariable()->add_rows();
         p.BuildResponseFromStatus(0);
       },
       "{\"defaultResponse\":{}}"},
      {"non-ASCII parameter",
       [](ResponseProbe& p) {
         p.BuildResponseFromStatus(1);
         p.AddErrorParamater(L"SheetName", L"Gr\u00FC\u00DFe");
       },
       "{\"defaultResponse\":{\"status\":true,\"parameter\":{\"SheetName\":\"Gr\xC3\xBC\xC3\x9F" "e\"}}}"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    ResponseProbe probe;
    c.build(probe);
    EXPECT_EQ(probe.Json(), c.json);
  }
}

TEST(ResponseBuilders, ErrorTextsOfFullBufferLengthAreNotStored) {
  ResponseProbe probe;
  probe.AddErrorMessageToResponse(std::wstring(4095, L'm').c_str());
  probe.AddErrorCodeToResponse(std::wstring(4096, L'c').c_str());
  probe.BuildResponseFromStatus(0);
  const excel::CommandResponse reply = probe.GetResultData();
  EXPECT_EQ(reply.defaultresponse().errormessage(), std::string(4095, 'm'));
  EXPECT_EQ(reply.defaultresponse().errorcode(), "");
}

TEST(ResponseBuilders, ComposedValuesAreCutToTheBufferButPlainTextIsWhole) {
  ResponseProbe probe;
  probe.BuildResponseFromStatus(1);
  const std::wstring half(3000, L'a');
  probe.AddErrorParamater(L"Range", half.c_str(), half.c_str());
  const std::wstring huge(1 << 20, L'b');  // far beyond any fixed buffer
  probe.AddErrorParamater(L"CellAddress", huge.c_str());
  const excel::CommandResponse reply = probe.GetResultData();
  EXPECT_EQ(reply.defaultresponse().parameter().at("Range").size(), 4095u);
  EXPECT_EQ(reply.defaultresponse().parameter().at("CellAddress").size(), size_t{1} << 20);
  EXPECT_GT(probe.Json().size(), (size_t{1} << 20) + 4095);
}

TEST(ResponseBuilders, ResponseCopyIsKeptUntilClearResultData) {
  ResponseProbe probe;
  probe.BuildResponseFromStatus(1);
  excel::CommandResponse* first = probe.GetResultDataEx();
  ASSERT_NE(first, nullptr);
  probe.BuildResponseFromStatus(0);
  EXPECT_EQ(probe.GetResultDataEx(), first);
  EXPECT_TRUE(first->defaultresponse().status());  // not refreshed
  probe.ClearResultData();
  EXPECT_EQ(probe.GetResultData().ByteSizeLong(), 0u);
  excel::CommandResponse* second = probe.GetResultDataEx();
  ASSERT_NE(second, nullptr);
  EXPECT_FALSE(second->has_defaultresponse());
}

TEST(ResponseBuilders, ResetErrorDataEmptiesBothTexts) {
  ResponseProbe probe;
  probe.AddErrorMessageToResponse(L"m");
  probe.AddErrorCodeToResponse(L"c");
  probe.ResetErrorData();
  probe.BuildResponseFromStatus(0);
  EXPECT_EQ(probe.Json(), "{\"defaultResponse\":{}}");
}

}  // namespace
