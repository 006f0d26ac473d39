// A fresh application with one empty workbook, started the way the library
// starts it (CLSIDFromProgID + CoCreateInstance), and helpers that fill and
// read cells through IDispatch. TearDown quits, releases everything and
// checks that no server object is left alive.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/windows_api.h"
#include "server/host_hooks.h"
#include "tests/server/dispatch_call.h"

namespace sheetwright::test {

// "EMPTY", "R8:1000", "BSTR:abc", "BOOL:1", "DATE:43832", "ERROR:2042", "CY:15000", "DISPATCH:null" ...
std::wstring Describe(const VARIANT& value);

class ServerTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  Ref StartApplication();
  Ref RangeOf(const std::wstring& address);
  void SetValue(const std::wstring& address, const std::wstring& text);
  std::wstring ValueOf(const std::wstring& address, const wchar_t* member = L"Value");
  // Puts rows of typed text, starting at row 1, column 1.
  void FillGrid(const std::vector<std::vector<std::wstring>>& rows);
  std::wstring AddressOf(IDispatch* range);

  Ref app_;
  Ref book_;
  Ref sheet_;
};

}  // namespace sheetwright::test
