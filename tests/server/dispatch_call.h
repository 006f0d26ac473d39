// Late-bound calls into the server the way the library makes them:
// GetIDsOfNames for the member and its named arguments, then Invoke with the
// named arguments first and the positional ones reversed in rgvarg.
#pragma once

#include <string>
#include <vector>

#include "platform/windows_api.h"

namespace sheetwright::test {

// One argument; name null = positional. Owns its VARIANT.
struct Arg {
  const wchar_t* name;
  VARIANT value;
};
Arg Str(const std::wstring& text, const wchar_t* name = nullptr);
Arg I2(short value, const wchar_t* name = nullptr);
Arg I4(LONG value, const wchar_t* name = nullptr);
Arg I8(int64_t value, const wchar_t* name = nullptr);
Arg Bool(bool value, const wchar_t* name = nullptr);
Arg Obj(IDispatch* object, const wchar_t* name = nullptr);  // borrows object

struct Result {
  HRESULT hr = E_FAIL;
  HRESULT resolveHr = S_OK;  // GetIDsOfNames
  VARIANT value;
  SCODE scode = 0;
  std::wstring source;
  std::wstring description;
  UINT argErr = UINT(-1);

  Result();
  Result(Result&& other) noexcept;
  Result& operator=(Result&&) = delete;
  ~Result();
  // Takes the returned object (the caller then owns one reference).
  IDispatch* TakeObject();
  std::wstring Text() const;  // VT_BSTR text, or "" for anything else
};

Result Call(IDispatch* target, const wchar_t* member, WORD kind, std::vector<Arg> args = {});
inline Result Get(IDispatch* target, const wchar_t* member, std::vector<Arg> args = {}) {
  return Call(target, member, DISPATCH_PROPERTYGET, std::move(args));
}
inline Result Method(IDispatch* target, const wchar_t* member, std::vector<Arg> args = {}) {
  return Call(target, member, DISPATCH_METHOD, std::move(args));
}
// Property put: value passed as the named argument DISPID_PROPERTYPUT.
Result Put(IDispatch* target, const wchar_t* member, Arg value, std::vector<Arg> args = {});

// An owned IDispatch reference, released once.
class Ref {
 public:
  Ref() = default;
  explicit Ref(IDispatch* owned) : p_(owned) {}
  Ref(Ref&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
  Ref& operator=(Ref&& o) noexcept {
    if (this != &o) {
      Reset();
      p_ = o.p_;
      o.p_ = nullptr;
    }
    return *this;
  }
  ~Ref() { Reset(); }
  void Reset() {
    if (p_) p_->Release();
    p_ = nullptr;
  }
  IDispatch* get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  IDispatch* p_ = nullptr;
};

// Get that must succeed with an object.
Ref GetObject(IDispatch* target, const wchar_t* member, std::vector<Arg> args = {});

}  // namespace sheetwright::test
