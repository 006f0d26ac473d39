// ExcelBase: construction, the late-bound call with its retry policy, and the
// failure lines.
#include "bridge/ExcelBase.h"

#include <cstring>

#include "bridge/FixedTextWriter.h"
#include "support/Log.h"

namespace {

// The application answers these while it is busy (a modal dialog, a cell in
// edit mode); the call is worth repeating after a pause.
constexpr HRESULT kApplicationBusy = static_cast<HRESULT>(0x800AC472u);

bool IsRejectedCall(HRESULT hr) { return hr == RPC_E_CALL_REJECTED || hr == kApplicationBusy; }

void FreeExceptionTexts(EXCEPINFO& exception) {
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrHelpFile);
  std::memset(&exception, 0, sizeof(exception));
}

}  // namespace

ExcelBase::ExcelBase()
    : m_argumentCount(0), m_namedArgumentCount(0), m_argumentListOverflow(false) {
  std::memset(m_argumentValues, 0, sizeof(m_argumentValues));
  std::memset(m_dispIds, 0, sizeof(m_dispIds));
  for (const wchar_t*& name : m_names) name = nullptr;
  std::memset(m_argumentFlags, 0, sizeof(m_argumentFlags));
  m_errorMessage[0] = L'\0';
  m_errorCode[0] = L'\0';
}

ExcelBase::~ExcelBase() { ClearAllArgs(); }

void ExcelBase::ReportRejectedAttempt(const wchar_t* label, const wchar_t* member, int attempt) {
  // The error message text doubles as the formatting buffer, so after a
  // retried call it holds the last retry line even when the call succeeded.
  FixedTextWriter(m_errorMessage, kErrorTextSize)
      .Text(member)
      .Text(L": Application waits for user to finish editing.");
  WriteLog(label, m_errorMessage);
  FixedTextWriter(m_errorMessage, kErrorTextSize)
      .Text(L"Retrying Excel call ")
      .Decimal(attempt)
      .Text(L" times in ")
      .Decimal(kRetryWaitMilliseconds)
      .Text(L" milliseconds.");
  WriteLog(label, m_errorMessage);
  Sleep(kRetryWaitMilliseconds);
}

int ExcelBase::ExlInvoke(IDispatch* target, const wchar_t* member, VARIANT* result, WORD kind,
                         WORD options) {
  const bool clearAfterCall = (options & kClearArgumentsAfterCall) != 0;
  const bool isPut = (kind & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  // The result is empty from here on unless the call succeeds, so a caller
  // may release it whatever the outcome.
  if (result != nullptr) std::memset(result, 0, sizeof(*result));

  // Calls that cannot be made soundly are refused before reaching the target:
  // no object, no member name, an argument list that overflowed, or a put
  // without the value to put.
  HRESULT refusal = S_OK;
  if (target == nullptr) {
    refusal = E_POINTER;
  } else if (member == nullptr) {
    refusal = DISP_E_UNKNOWNNAME;
  } else if (m_argumentListOverflow || (isPut && m_argumentCount < 1)) {
    refusal = DISP_E_BADPARAMCOUNT;
  }
  if (refusal != S_OK) {
    AddToErrorData(member != nullptr ? member : L"", refusal, nullptr, 0);
    if (clearAfterCall) ClearAllArgs();
    return 0;
  }

  // Resolve phase: the member name and the named argument names.
  m_names[0] = member;
  HRESULT hr = S_OK;
  for (int attempt = 1; attempt <= kMaxCallAttempts; ++attempt) {
    hr = target->GetIDsOfNames(IID_NULL, const_cast<LPOLESTR*>(m_names),
                               static_cast<UINT>(m_namedArgumentCount + 1), LOCALE_SYSTEM_DEFAULT,
                               m_dispIds);
    if (!IsRejectedCall(hr)) break;
    ReportRejectedAttempt(L"ExlInvoke->GetIDsOfNames", member, attempt);
  }
  if (FAILED(hr)) {
    // The list stays as it is; the next caller clears it.
    AddToErrorData(member, hr, nullptr, 0);
    return 0;
  }

  if (isPut) {
    // The one value in the list is passed as the property's new value.
    m_namedArgumentCount = 1;
    m_dispIds[1] = DISPID_PROPERTYPUT;
  }
  DISPPARAMS parameters;
  parameters.rgvarg = m_argumentValues;
  parameters.rgdispidNamedArgs = &m_dispIds[1];
  parameters.cArgs = static_cast<UINT>(m_argumentCount);
  parameters.cNamedArgs = static_cast<UINT>(m_namedArgumentCount);
  VARIANT* invokeResult = isPut ? nullptr : result;

  // Invoke phase.
  EXCEPINFO exception;
  std::memset(&exception, 0, sizeof(exception));
  UINT argumentError = 0;
  for (int attempt = 1; attempt <= kMaxCallAttempts; ++attempt) {
    FreeExceptionTexts(exception);
    argumentError = 0;
    hr = target->Invoke(m_dispIds[0], IID_NULL, LOCALE_SYSTEM_DEFAULT, kind, &parameters,
                        invokeResult, &exception, &argumentError);
    if (!IsRejectedCall(hr)) break;
    ReportRejectedAttempt(L"ExlInvoke->Invoke", member, attempt);
  }

  if (clearAfterCall) ClearAllArgs();
  if (SUCCEEDED(hr)) {
    FreeExceptionTexts(exception);
    return 1;
  }
  if (hr == DISP_E_EXCEPTION && exception.pfnDeferredFillIn != nullptr) {
    exception.pfnDeferredFillIn(&exception);
  }
  AddToErrorData(member, hr, &exception, argumentError);
  FreeExceptionTexts(exception);
  return 0;
}

void ExcelBase::AddToErrorData(const wchar_t* member, HRESULT hr, const EXCEPINFO* exception,
                               UINT argumentError) {
  m_errorCode[0] = L'\0';
  FixedTextWriter(m_errorMessage, kErrorTextSize)
      .Text(member)
      .Text(L": Error code. 0x")
      .Hex(static_cast<uint32_t>(hr));
  WriteLog(L"ExlInvoke", m_errorMessage);

  FixedTextWriter line(m_errorMessage, kErrorTextSize);
  line.Text(member);
  switch (static_cast<uint32_t>(hr)) {
    case 0x80010001u:  // RPC_E_CALL_REJECTED
      line.Text(L": Application waits for user to finish editing.");
      break;
    case 0x80020003u:  // DISP_E_MEMBERNOTFOUND
      line.Text(L": method or property not found.");
      break;
    case 0x80020004u:  // DISP_E_PARAMNOTFOUND
      line.Text(L": Argument not found, argument ")
          .Decimal(static_cast<int>(argumentError))
          .Text(L".");
      break;
    case 0x80020005u:  // DISP_E_TYPEMISMATCH
      line.Text(L": Type mismatch, argument ").Decimal(static_cast<int>(argumentError)).Text(L".");
      break;
    case 0x80020006u:  // DISP_E_UNKNOWNNAME
      line.Text(L": Unknown name or named argument.");
      break;
    case 0x80020007u:  // DISP_E_NONAMEDARGS
      line.Text(L": Object implementation does not support named arguments.");
      break;
    case 0x80020009u:  // DISP_E_EXCEPTION
      line.Text(L": Error ")
          .Decimal(exception != nullptr ? exception->wCode : 0)
          .Text(L": ")
          .Text(exception != nullptr ? exception->bstrDescription : nullptr);
      break;
    case 0x8002000Au:  // DISP_E_OVERFLOW
      line.Text(L": Overflow while coercing argument values.");
      break;
    case 0x8002000Cu:  // DISP_E_UNKNOWNLCID
      line.Text(L": The locale ID is unknown.");
      break;
    case 0x8002000Eu:  // DISP_E_BADPARAMCOUNT
      line.Text(L": Incorrect number of arguments.");
      break;
    case 0x8002000Fu:  // DISP_E_PARAMNOTOPTIONAL
      line.Text(L": Missing a required parameter.");
      break;
    default:
      line.Text(L": Unknown error occured.");
      break;
  }
  WriteLog(L"ExlInvoke", m_errorMessage);
}

void ExcelBase::ResetBaseErrorData() {
  m_errorMessage[0] = L'\0';
  m_errorCode[0] = L'\0';
}
