// A scriptable IDispatch for bridge tests. It counts references, records
// every GetIDsOfNames and Invoke (with a readable copy of the DISPPARAMS),
// can reject the next N calls of either phase, and answers each member with
// a handler the test supplies.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/windows_api.h"

namespace bridge_test {

// One argument as Invoke saw it.
struct RecordedArgument {
  VARTYPE vt = VT_EMPTY;
  long long integer = 0;  // VT_I2, VT_I4, VT_I8, VT_BOOL
  double number = 0;      // VT_R8
  std::wstring text;      // VT_BSTR
  IDispatch* object = nullptr;
  std::vector<std::wstring> strings;  // VT_ARRAY|VT_VARIANT of VT_BSTR
};

struct RecordedCall {
  std::wstring member;
  WORD kind = 0;
  UINT argumentCount = 0;
  // Named argument names paired with rgvarg[0 .. n); DISPID_PROPERTYPUT
  // reads as L"<put>".
  std::vector<std::wstring> namedArguments;
  std::vector<RecordedArgument> arguments;  // rgvarg order
  bool resultRequested = false;
};

class FakeDispatch : public IDispatch {
 public:
  using Handler = std::function<HRESULT(const RecordedCall& call, VARIANT* result,
                                        EXCEPINFO* exception, UINT* argumentError)>;

  FakeDispatch() = default;
  FakeDispatch(const FakeDispatch&) = delete;
  FakeDispatch& operator=(const FakeDispatch&) = delete;

  // Registers `member` (matched without regard to case).
  void On(const std::wstring& member, Handler handler);

  // The next `times` calls of the phase answer `code`.
  void RejectResolve(int times, HRESULT code) { rejectResolve_ = times, resolveCode_ = code; }
  void RejectInvoke(int times, HRESULT code) { rejectInvoke_ = times, invokeCode_ = code; }

  // References held beyond the test's own (the count starts at 1).
  ULONG References() const { return references_; }
  int ResolveCalls() const { return resolveCalls_; }
  const std::vector<RecordedCall>& Calls() const { return calls_; }
  // The names of the last GetIDsOfNames call, member first.
  const std::vector<std::wstring>& LastResolvedNames() const { return lastNames_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override { return --references_; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD kind, DISPPARAMS* parameters,
                                   VARIANT* result, EXCEPINFO* exception,
                                   UINT* argumentError) override;

 private:
  std::vector<std::wstring> members_;  // DISPID = index + 1
  std::map<DISPID, Handler> handlers_;
  std::map<std::wstring, DISPID> argumentIds_;
  std::vector<std::wstring> lastNames_;
  std::vector<RecordedCall> calls_;
  ULONG references_ = 1;
  int resolveCalls_ = 0;
  int rejectResolve_ = 0;
  int rejectInvoke_ = 0;
  HRESULT resolveCode_ = S_OK;
  HRESULT invokeCode_ = S_OK;
};

// Handlers for the common answers.
FakeDispatch::Handler ReturnsNothing();
FakeDispatch::Handler ReturnsLong(LONG value);
FakeDispatch::Handler ReturnsDouble(double value);
FakeDispatch::Handler ReturnsText(const std::wstring& text);
// AddRefs `object` for each answer.
FakeDispatch::Handler ReturnsObject(FakeDispatch* object);
// A copy of `value` (VariantCopy) for each answer.
FakeDispatch::Handler ReturnsVariant(const VARIANT& value);
// DISP_E_EXCEPTION with the given EXCEPINFO wCode and description (null:
// none), plus a source and help file text, all freshly allocated.
FakeDispatch::Handler RaisesException(WORD code, const wchar_t* description);
// Any HRESULT, with *argumentError set.
FakeDispatch::Handler Fails(HRESULT hr, UINT argumentError = 0);

// Counts Sleep calls instead of waiting while in scope.
class SleepRecorder {
 public:
  SleepRecorder();
  ~SleepRecorder();
  static int Count();
  static unsigned long long TotalMilliseconds();
};

}  // namespace bridge_test
