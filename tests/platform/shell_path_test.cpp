#include <gtest/gtest.h>

#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <string>

#include "platform/windows_api.h"

namespace {

TEST(PathIsURL, SchemeOfTwoOrMoreCharactersMakesAUrl) {
  const struct Case {
    const wchar_t* text;
    BOOL url;
  } kCases[] = {
      {L"https://contoso.sharepoint.com/Book.xlsx", TRUE},
      {L"http://host/a%20b.xlsx", TRUE},
      {L"file:///C:/x.xlsx", TRUE},
      {L"unknownscheme:whatever", TRUE},
      {L"ms-excel:ofe|u|x", TRUE},
      {L"C:\\x.xlsx", FALSE},
      {L"c:/x.xlsx", FALSE},
      {L"/home/user/Book.xlsx", FALSE},
      {L"\\\\server\\share\\Book.xlsx", FALSE},
      {L"Book.xlsx", FALSE},
      {L"bad scheme:x", FALSE},
      {L"", FALSE},
      {nullptr, FALSE},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << (c.text ? std::string(c.text, c.text + std::wcslen(c.text)) : "null"));
    EXPECT_EQ(PathIsURLW(c.text), c.url);
  }
}

TEST(PathAppend, JoinsWithExactlyOneBackslash) {
  const struct Case {
    const wchar_t* path;
    const wchar_t* more;
    const wchar_t* joined;
  } kCases[] = {
      {L"C:\\logs", L"Norvix.Sheetwright.log", L"C:\\logs\\Norvix.Sheetwright.log"},
      {L"C:\\logs\\", L"file.log", L"C:\\logs\\file.log"},
      {L"C:\\logs", L"\\file.log", L"C:\\logs\\file.log"},
      {L"C:\\logs\\", L"/file.log", L"C:\\logs\\file.log"},
      {L"C:\\logs", L"\\\\server\\share\\f.log", L"\\\\server\\share\\f.log"},
      {L"/var/log", L"file.log", L"/var/log\\file.log"},
      {L"/var/log/", L"file.log", L"/var/log/file.log"},
      {L"", L"file.log", L"file.log"},
      {L"C:\\logs", L"", L"C:\\logs"},
      {L"C:\\logs", L"sub\\file.log", L"C:\\logs\\sub\\file.log"},
      // The result is canonical: "." and "x\\.." segments go, only at backslashes.
      {L"C:\\logs", L"..\\file.log", L"C:\\file.log"},
      {L"C:\\a\\.\\b", L"c", L"C:\\a\\b\\c"},
      {L"C:\\", L"..\\..\\f.log", L"C:\\f.log"},
      {L"\\\\server\\share\\x", L"..\\f.log", L"\\\\server\\share\\f.log"},
      {L"/var/log/../tmp", L"f.log", L"/var/log/../tmp\\f.log"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << std::string(c.joined, c.joined + std::wcslen(c.joined)));
    wchar_t buffer[MAX_PATH];
    std::wcscpy(buffer, c.path);
    EXPECT_TRUE(PathAppendW(buffer, c.more));
    EXPECT_STREQ(buffer, c.joined);
  }
}

TEST(PathAppend, ResultLongerThanMaxPathFailsAndEmptiesThePath) {
  wchar_t buffer[MAX_PATH];
  std::wstring folder(250, L'a');
  std::wcscpy(buffer, folder.c_str());
  EXPECT_TRUE(PathAppendW(buffer, L"12345678"));  // 259 characters + NUL
  EXPECT_EQ(std::wcslen(buffer), 259u);
  std::wcscpy(buffer, folder.c_str());
  EXPECT_FALSE(PathAppendW(buffer, L"123456789"));
  EXPECT_EQ(std::wstring(buffer), L"");
  EXPECT_FALSE(PathAppendW(nullptr, L"x"));
  EXPECT_FALSE(PathAppendW(buffer, nullptr));
}

TEST(PathCombine, AbsoluteFileReplacesTheFolder) {
  wchar_t buffer[MAX_PATH];
  EXPECT_EQ(PathCombineW(buffer, L"C:\\a", L"b.txt"), buffer);
  EXPECT_STREQ(buffer, L"C:\\a\\b.txt");
  EXPECT_EQ(PathCombineW(buffer, L"C:\\a", L"D:\\b.txt"), buffer);
  EXPECT_STREQ(buffer, L"D:\\b.txt");
  EXPECT_EQ(PathCombineW(buffer, L"/a", L"/b.txt"), buffer);
  EXPECT_STREQ(buffer, L"/b.txt");
  EXPECT_EQ(PathCombineW(buffer, nullptr, nullptr), nullptr);
  EXPECT_STREQ(buffer, L"");
}

TEST(PathFileExists, AcceptsLinuxAndBackslashPaths) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "sw_platform_path_exists";
  std::filesystem::create_directories(folder);
  std::FILE* file = std::fopen((folder / "present.txt").c_str(), "w");
  ASSERT_NE(file, nullptr);
  std::fclose(file);
  const std::wstring linux = (folder / "present.txt").wstring();
  std::wstring windows = linux;
  for (wchar_t& c : windows) {
    if (c == L'/') c = L'\\';
  }
  EXPECT_TRUE(PathFileExistsW(linux.c_str()));
  EXPECT_TRUE(PathFileExistsW(windows.c_str()));
  EXPECT_TRUE(PathFileExistsW(folder.wstring().c_str()));
  EXPECT_FALSE(PathFileExistsW((folder / "absent.txt").wstring().c_str()));
  EXPECT_FALSE(PathFileExistsW(L""));
  EXPECT_FALSE(PathFileExistsW(nullptr));
  std::filesystem::remove_all(folder);
}

}  // namespace
