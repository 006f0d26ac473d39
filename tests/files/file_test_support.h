// Shared helpers of the file-layer tests: fixtures written by
// python3-openpyxl into a folder made once per test run, scratch folders,
// and openpyxl's reading of a saved workbook as a set of one-line facts.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <set>
#include <string>

#include "server/engine/workbook.h"
#include "server/files/workbook_files.h"

namespace sheetwright::files::testing {

// Whether /usr/bin/python3 can import openpyxl; tests needing it skip otherwise.
bool HaveOpenpyxl();
// The folder holding the fixtures (written on first use).
const std::string& FixtureDir();
std::string Fixture(const std::string& name);
// A new empty folder for one test.
std::string ScratchDir();
// openpyxl's view of `path` (see workbook_fixtures.py dump); empty on failure.
std::set<std::string> Dump(const std::string& path);
// The cell values openpyxl reads with data_only=True ("value Sheet!A1 n 42.0").
std::set<std::string> DumpValues(const std::string& path);

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
void CopyFile(const std::string& from, const std::string& to);

// Loads `path`, failing the current test with the description on error.
void MustLoad(const std::string& path, engine::Workbook& book);
void MustSave(engine::Workbook& book);

std::string Narrow(const std::wstring& text);

// A test on copies of the openpyxl fixtures: each test has its own folder and
// a workbook to load a copy into; skipped where openpyxl is missing.
class FixtureCopyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveOpenpyxl()) GTEST_SKIP() << "python3-openpyxl is not installed";
    dir_ = ScratchDir();
  }
  // A copy of fixture `name` in this test's folder, loaded into book_.
  std::string LoadCopy(const std::string& name) {
    std::string path = dir_ + "/" + name;
    CopyFile(Fixture(name), path);
    MustLoad(path, book_);
    return path;
  }
  static void ExpectFacts(const std::set<std::string>& facts, std::initializer_list<const char*> expected) {
    for (const char* fact : expected) EXPECT_TRUE(facts.count(fact)) << "missing: " << fact;
  }
  static void ExpectNoFacts(const std::set<std::string>& facts, std::initializer_list<const char*> unexpected) {
    for (const char* fact : unexpected) EXPECT_FALSE(facts.count(fact)) << "unexpected: " << fact;
  }

  std::string dir_;
  engine::Workbook book_;
};

}  // namespace sheetwright::files::testing

#define SKIP_WITHOUT_OPENPYXL() \
  if (!::sheetwright::files::testing::HaveOpenpyxl()) GTEST_SKIP() << "python3-openpyxl is not installed"
