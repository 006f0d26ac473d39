#include <gtest/gtest.h>

#include "platform/windows_api.h"

namespace {

TEST(WNetGetUniversalName, LocalPathsAreNotConnected) {
  alignas(UNIVERSAL_NAME_INFOW) BYTE buffer[1024];
  const wchar_t* const kPaths[] = {L"C:\\dir\\Book.xlsx", L"/home/user/Book.xlsx", L"Book.xlsx"};
  for (const wchar_t* path : kPaths) {
    DWORD size = sizeof buffer;
    EXPECT_EQ(WNetGetUniversalNameW(path, UNIVERSAL_NAME_INFO_LEVEL, buffer, &size),
              static_cast<DWORD>(ERROR_NOT_CONNECTED));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_CONNECTED));
  }
  DWORD size = sizeof buffer;
  EXPECT_EQ(WNetGetUniversalNameW(L"C:\\x", REMOTE_NAME_INFO_LEVEL, buffer, &size),
            static_cast<DWORD>(ERROR_NO_NETWORK));
  EXPECT_EQ(WNetGetUniversalNameW(nullptr, UNIVERSAL_NAME_INFO_LEVEL, buffer, &size),
            static_cast<DWORD>(ERROR_INVALID_ADDRESS));
}

}  // namespace
