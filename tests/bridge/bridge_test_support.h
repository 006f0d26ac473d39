// Shared helpers of the bridge tests: access to ExcelBase's protected state
// and a log captured to a temporary folder.
#pragma once

#include <cwchar>
#include <string>
#include <vector>

#include "bridge/ExcelBase.h"

namespace bridge_test {

// ExcelBase with its argument list and error code text open to the test.
class InspectableExcelBase : public ExcelBase {
 public:
  int ArgumentCount() const { return m_argumentCount; }
  int NamedArgumentCount() const { return m_namedArgumentCount; }
  const VARIANT& Argument(int index) const { return m_argumentValues[index]; }
  WORD ArgumentFlags(int index) const { return m_argumentFlags[index]; }
  const wchar_t* ArgumentName(int namedIndex) const { return m_names[1 + namedIndex]; }
  void SetErrorCode(const wchar_t* code) { std::wcsncpy(m_errorCode, code, kErrorTextSize - 1); }
};

// Switches the diagnostic log on into a fresh temporary folder for the
// lifetime of the object and reads back the lines written.
class CapturedLog {
 public:
  CapturedLog();
  ~CapturedLog();
  // Every line written so far as "<label> : <message>" (time stamp and
  // trailing blank dropped).
  std::vector<std::wstring> Lines();

 private:
  std::string folder_;
};

}  // namespace bridge_test
