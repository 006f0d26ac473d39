// While the application rejects calls as busy, every call is retried after a
// wait of 2000 ms, at most 10 times per phase. The waits are replaced by a
// counter so the test does not sleep.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/sleep_hook.h"
#include "platform/windows_api.h"
#include "server/host_hooks.h"
#include "tests/session/session_test_support.h"

namespace session_test {
namespace {

std::vector<DWORD> g_waits;

void RecordWait(DWORD milliseconds) { g_waits.push_back(milliseconds); }

class BusyRetryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_waits.clear();
    PlatformSetSleepHook(&RecordWait);
    ASSERT_TRUE(Open("busy", FixturePath("values.xlsx"), "Values").status);
  }
  void TearDown() override {
    SheetwrightSimulateBusy(0, S_OK);
    Close("busy");
    PlatformSetSleepHook(nullptr);
  }
};

TEST_F(BusyRetryTest, RejectedCallsAreRetriedUntilAccepted) {
  const struct {
    const char* name;
    HRESULT busy;
  } cases[] = {{"call rejected", RPC_E_CALL_REJECTED}, {"editing", static_cast<HRESULT>(0x800AC472u)}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    g_waits.clear();
    SheetwrightSimulateBusy(3, c.busy);
    const Reply reply = ReadCell("busy", "A1");
    EXPECT_TRUE(reply.status) << reply.json;
    EXPECT_EQ(reply.OnlyCell(), "2.5");
    EXPECT_EQ(g_waits, std::vector<DWORD>(3, 2000));
    // The last retry line stays in the error message text.
    EXPECT_EQ(reply.errorMessage, "Retrying Excel call 3 times in 2000 milliseconds.");
  }
}

TEST_F(BusyRetryTest, CallStillRejectedAfterTenAttemptsFails) {
  const struct {
    const char* name;
    HRESULT busy;
    const char* message;
  } cases[] = {
      {"call rejected", RPC_E_CALL_REJECTED, "Range: Application waits for user to finish editing."},
      {"editing", static_cast<HRESULT>(0x800AC472u), "Range: Unknown error occured."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    g_waits.clear();
    SheetwrightSimulateBusy(10, c.busy);
    const Reply reply = ReadCell("busy", "A1");
    EXPECT_FALSE(reply.status) << reply.json;
    EXPECT_EQ(reply.errorCode, "EXCEL_QUV_GET_SINGLE_CELL_100");
    EXPECT_EQ(reply.errorMessage, c.message);
    EXPECT_EQ(g_waits, std::vector<DWORD>(10, 2000));
    SheetwrightSimulateBusy(0, S_OK);
    // The session is unharmed.
    EXPECT_EQ(ReadCell("busy", "A1").OnlyCell(), "2.5");
  }
}

}  // namespace
}  // namespace session_test
