// Shared helpers of the file-layer tests: fixtures written by
// python3-openpyxl into a folder made once per test run, scratch folders,
// and openpyxl's reading of a saved workbook as a set of one-line facts.
#pragma once

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

}  // namespace sheetwright::files::testing

#define SKIP_WITHOUT_OPENPYXL() \
  if (!::sheetwright::files::testing::HaveOpenpyxl()) GTEST_SKIP() << "python3-openpyxl is not installed"
