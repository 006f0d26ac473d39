// The response builders through which every operation reports its outcome.
#include <cwchar>
#include <string>

#include "session/CExcelCom.h"
#include "support/Log.h"
#include "support/TextConversion.h"

namespace {

// Capacity of the error texts and of a composed parameter value, terminator
// included.
constexpr size_t kTextCapacity = 4096;

// Copies `text` into a 4096-character error text when it fits with its
// terminator (1 to 4095 characters); otherwise the target stays empty.
void StoreErrorText(wchar_t (&target)[kTextCapacity], const wchar_t* text) {
  target[0] = L'\0';
  if (text == nullptr) return;
  const size_t length = std::wcslen(text);
  if (length == 0 || length >= kTextCapacity) return;
  std::wmemcpy(target, text, length + 1);
}

std::wstring FitComposedValue(std::wstring value) {
  if (value.size() >= kTextCapacity) value.resize(kTextCapacity - 1);
  return value;
}

const wchar_t* OrEmpty(const wchar_t* text) { return text != nullptr ? text : L""; }

}  // namespace

void CExcelCom::BuildResponseFromStatus(int status) {
  m_response.Clear();
  excel::DefaultResponse* result = m_response.mutable_defaultresponse();
  result->set_status(status != 0);
  result->set_errormessage(ConvertWStringTostring(m_errorMessage));
  result->set_errorcode(ConvertWStringTostring(m_errorCode));
  m_response.set_commandresponsetype(excel::CommandResponse::GENERIC);
}

excel::TableResponse* CExcelCom::BuildTableResponse() {
  BuildResponseFromStatus(1);
  m_response.set_commandresponsetype(excel::CommandResponse::TABLE_RESPONSE);
  return m_response.mutable_tableresponse();
}

void CExcelCom::AddErrorCodeToResponse(const wchar_t* code) { StoreErrorText(m_errorCode, code); }

void CExcelCom::AddErrorMessageToResponse(const wchar_t* message) {
  StoreErrorText(m_errorMessage, message);
}

void CExcelCom::AddErrorParamater(const wchar_t* key, const wchar_t* text) {
  auto* parameters = m_response.mutable_defaultresponse()->mutable_parameter();
  // insert() keeps an existing entry: the first value for a key wins.
  parameters->insert({ConvertWStringTostring(OrEmpty(key)), ConvertWStringTostring(OrEmpty(text))});
}

void CExcelCom::AddErrorParamater(const wchar_t* key, const wchar_t* first, const wchar_t* second) {
  std::wstring value = OrEmpty(first);
  value += L':';
  value += OrEmpty(second);
  AddErrorParamater(key, FitComposedValue(std::move(value)).c_str());
}

void CExcelCom::AddErrorParamater(const wchar_t* key, LONG number) {
  AddErrorParamater(key, std::to_wstring(number).c_str());
}

void CExcelCom::AddErrorParamater(const wchar_t* key, LONG first, LONG second) {
  AddErrorParamater(key, (std::to_wstring(first) + L':' + std::to_wstring(second)).c_str());
}

void CExcelCom::ClearResultData() {
  WriteLog(L"ClearResultData", L"Clear Command response data");
  m_response.Clear();
  m_responseCopy.reset();
}

excel::CommandResponse CExcelCom::GetResultData() { return m_response; }

excel::CommandResponse* CExcelCom::GetResultDataEx() {
  if (!m_responseCopy) m_responseCopy = std::make_unique<excel::CommandResponse>(m_response);
  return m_responseCopy.get();
}

void CExcelCom::ResetErrorData() { ResetBaseErrorData(); }
