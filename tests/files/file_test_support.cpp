#include "tests/files/file_test_support.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "server/files/utf8.h"

namespace sheetwright::files::testing {

namespace {
std::string RunCapture(const std::string& command, int* status) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) {
    *status = -1;
    return out;
  }
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
  *status = ::pclose(pipe);
  return out;
}
}  // namespace

bool HaveOpenpyxl() {
  static const bool have = [] {
    int status = 0;
    RunCapture("/usr/bin/python3 -c 'import openpyxl' 2>/dev/null", &status);
    return status == 0;
  }();
  return have;
}

const std::string& FixtureDir() {
  static const std::string dir = [] {
    std::string d = ScratchDir();
    int status = 0;
    std::string out = RunCapture("/usr/bin/python3 " SW_FIXTURE_SCRIPT " write '" + d + "' 2>&1", &status);
    if (status != 0) ADD_FAILURE() << "writing fixtures failed: " << out;
    return d;
  }();
  return dir;
}

std::string Fixture(const std::string& name) { return FixtureDir() + "/" + name; }

namespace {
// Every scratch folder of this process, removed when the process ends.
struct ScratchFolders {
  std::vector<std::string> made;
  ~ScratchFolders() {
    std::error_code ec;
    for (const std::string& dir : made) std::filesystem::remove_all(dir, ec);
  }
};
ScratchFolders& Folders() {
  static ScratchFolders folders;
  return folders;
}
}  // namespace

std::string ScratchDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "sw-files-XXXXXX").string();
  char* made = ::mkdtemp(pattern.data());
  if (!made) ADD_FAILURE() << "mkdtemp failed";
  Folders().made.push_back(pattern);
  return pattern;
}

namespace {
std::set<std::string> RunDump(const char* mode, const std::string& path) {
  int status = 0;
  std::string out =
      RunCapture(std::string("/usr/bin/python3 " SW_FIXTURE_SCRIPT " ") + mode + " '" + path + "' 2>&1", &status);
  std::set<std::string> facts;
  if (status != 0) {
    ADD_FAILURE() << "openpyxl could not read " << path << ":\n" << out;
    return facts;
  }
  std::istringstream lines(out);
  std::string line;
  while (std::getline(lines, line)) facts.insert(line);
  return facts;
}
}  // namespace

std::set<std::string> Dump(const std::string& path) { return RunDump("dump", path); }
std::set<std::string> DumpValues(const std::string& path) { return RunDump("values", path); }

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

void CopyFile(const std::string& from, const std::string& to) { WriteFile(to, ReadFile(from)); }

void MustLoad(const std::string& path, engine::Workbook& book) {
  FileStatus status = LoadWorkbook(WideFromUtf8(path), book);
  ASSERT_TRUE(status.ok()) << Narrow(status.description);
}

void MustSave(engine::Workbook& book) {
  FileStatus status = SaveWorkbook(book);
  ASSERT_TRUE(status.ok()) << Narrow(status.description);
}

std::string Narrow(const std::wstring& text) { return Utf8FromWide(text); }

}  // namespace sheetwright::files::testing
