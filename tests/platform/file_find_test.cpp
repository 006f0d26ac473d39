#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/windows_api.h"

namespace {

namespace fs = std::filesystem;

// A fresh folder with the log-rotation files a log folder holds.
class FileFindTest : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("sw_platform_find_" + std::to_string(::getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_ / "sub");
    for (const char* name : {"Norvix.Sheetwright.log", "Norvix.Sheetwright.log.1", "Norvix.Sheetwright.log.2",
                             "Norvix.Sheetwright.log.12", "other.txt", "b.TXT"}) {
      std::ofstream(folder_ / name) << name;
    }
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::wstring Path(const std::wstring& name) const { return (folder_ / name).wstring(); }

  // Names FindFirstFileW/FindNextFileW give for the pattern, in order.
  std::vector<std::wstring> Find(const std::wstring& pattern) const {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
      names.push_back(data.cFileName);
    } while (FindNextFileW(find, &data));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
    EXPECT_TRUE(FindClose(find));
    return names;
  }

  fs::path folder_;
};

TEST_F(FileFindTest, WildcardsFollowTheDosRulesWithoutRegardToCase) {
  using Names = std::vector<std::wstring>;
  const struct Case {
    const wchar_t* pattern;
    Names names;
  } kCases[] = {
      // ".*" and ".?" at the end also match the name without the dot.
      {L"Norvix.Sheetwright.log.*", Names{L"Norvix.Sheetwright.log", L"Norvix.Sheetwright.log.1",
                                          L"Norvix.Sheetwright.log.12", L"Norvix.Sheetwright.log.2"}},
      {L"Norvix.Sheetwright.log.?",
       Names{L"Norvix.Sheetwright.log", L"Norvix.Sheetwright.log.1", L"Norvix.Sheetwright.log.2"}},
      {L"Norvix.Sheetwright.log.??", Names{L"Norvix.Sheetwright.log", L"Norvix.Sheetwright.log.1",
                                           L"Norvix.Sheetwright.log.12", L"Norvix.Sheetwright.log.2"}},
      {L"Norvix.Sheetwright.log.1?", Names{L"Norvix.Sheetwright.log.1", L"Norvix.Sheetwright.log.12"}},
      {L"*.", Names{L".", L"..", L"sub"}},
      {L"*.log", Names{L"Norvix.Sheetwright.log"}},
      {L"o?her.txt", Names{L"other.txt"}},
      {L"Norvix.Sheetwright.log", Names{L"Norvix.Sheetwright.log"}},
      {L"*.txt", Names{L"b.TXT", L"other.txt"}},
      {L"NORVIX*.LOG", Names{L"Norvix.Sheetwright.log"}},
      {L"*.*", Names{L".", L"..", L"b.TXT", L"Norvix.Sheetwright.log", L"Norvix.Sheetwright.log.1",
                     L"Norvix.Sheetwright.log.12", L"Norvix.Sheetwright.log.2", L"other.txt", L"sub"}},
      {L"missing*", Names{}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << std::string(c.pattern, c.pattern + std::wcslen(c.pattern)));
    EXPECT_EQ(Find(Path(c.pattern)), c.names);
  }
}

TEST_F(FileFindTest, BackslashPathsAndAttributes) {
  std::wstring pattern = Path(L"s*");
  std::replace(pattern.begin(), pattern.end(), L'/', L'\\');
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(pattern.c_str(), &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  EXPECT_STREQ(data.cFileName, L"sub");
  EXPECT_TRUE(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  FindClose(find);

  find = FindFirstFileW(Path(L"other.txt").c_str(), &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(data.nFileSizeLow, 9u);
  FindClose(find);
}

TEST_F(FileFindTest, NothingFoundAndBadHandlesReportWindowsErrors) {
  WIN32_FIND_DATAW data;
  EXPECT_EQ(FindFirstFileW(Path(L"none*").c_str(), &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(FindFirstFileW(Path(L"no-folder/*").c_str(), &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

  HANDLE find = FindFirstFileW(Path(L"*.txt").c_str(), &data);
  ASSERT_TRUE(FindClose(find));
  EXPECT_FALSE(FindNextFileW(find, &data));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(FindClose(find));
}

TEST_F(FileFindTest, DeleteAndMoveFollowWindowsRules) {
  EXPECT_TRUE(DeleteFileW(Path(L"other.txt").c_str()));
  EXPECT_FALSE(fs::exists(folder_ / "other.txt"));
  EXPECT_FALSE(DeleteFileW(Path(L"other.txt").c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(DeleteFileW(Path(L"sub").c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

  // Rotation renames .1 to .2: refused without the replace flag.
  EXPECT_FALSE(MoveFileW(Path(L"Norvix.Sheetwright.log.1").c_str(), Path(L"Norvix.Sheetwright.log.2").c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_TRUE(MoveFileExW(Path(L"Norvix.Sheetwright.log.1").c_str(), Path(L"Norvix.Sheetwright.log.2").c_str(),
                          MOVEFILE_REPLACE_EXISTING));
  std::ifstream moved(folder_ / "Norvix.Sheetwright.log.2");
  std::string content;
  moved >> content;
  EXPECT_EQ(content, "Norvix.Sheetwright.log.1");
  EXPECT_TRUE(MoveFileW(Path(L"b.TXT").c_str(), Path(L"c.txt").c_str()));
  EXPECT_TRUE(fs::exists(folder_ / "c.txt"));

  EXPECT_EQ(GetFileAttributesW(Path(L"sub").c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_EQ(GetFileAttributesW(Path(L"c.txt").c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(GetFileAttributesW(Path(L"gone").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

}  // namespace
