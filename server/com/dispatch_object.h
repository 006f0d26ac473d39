// The IDispatch implementation every server object shares.
//
// A derived class T describes its members in a MemberTable<T>: name,
// accepted invoke kinds, parameter names (in positional order) and handler.
// Member DISPIDs are table index + 1; DISPID_VALUE (0) is the table's default
// member. GetIDsOfNames matches member and parameter names without regard to
// case and gives a named argument its parameter position as DISPID.
//
// Invoke checks the simulated-busy hook, finds the member, checks the kind
// (a put on a member without put, or a get/method on a put-only member,
// answers DISP_E_MEMBERNOTFOUND), binds the arguments (arguments.h) and runs
// the handler. Handlers throw ComError; Invoke catches everything and never
// lets an exception out.
//
// Reference counting: an object starts with one reference, owned by whoever
// created it; Release deletes it at zero. Every live object is counted
// (LiveObjectCount) so tests can prove that nothing is left behind.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "platform/windows_api.h"
#include "server/com/arguments.h"
#include "server/com/com_error.h"

namespace sheetwright::server {

// One call of a member as the handler sees it.
struct Call {
  WORD kind;  // DISPATCH_METHOD, DISPATCH_PROPERTYGET or DISPATCH_PROPERTYPUT
  const Arguments& args;
  VARIANT* result;  // never null; VT_EMPTY on entry

  bool IsPut() const { return kind == DISPATCH_PROPERTYPUT; }
  // Hands the caller a reference the handler already owns.
  void ReturnObject(IDispatch* owned);
  void ReturnBool(bool value);
  void ReturnLong(LONG value);
  void ReturnDouble(double value);
  void ReturnText(const std::wstring& text);
};

inline constexpr WORD kGet = DISPATCH_PROPERTYGET;
inline constexpr WORD kMethod = DISPATCH_METHOD;
inline constexpr WORD kPut = DISPATCH_PROPERTYPUT;

struct MemberInfo {
  const wchar_t* name;
  WORD kinds;
  std::vector<const wchar_t*> params;
};

// "Arg1" ... "Arg<count>" and the like, for members with numbered parameters.
std::vector<const wchar_t*> NumberedParameters(const wchar_t* first, size_t count);

class DispatchObject : public IDispatch {
 public:
  DispatchObject(const DispatchObject&) = delete;
  DispatchObject& operator=(const DispatchObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID riid, LCID lcid, WORD flags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo,
                                   UINT* argErr) override;

  static long LiveObjectCount();

 protected:
  DispatchObject();
  virtual ~DispatchObject();

  // The member list, in DISPID order (DISPID = index + 1).
  virtual const std::vector<MemberInfo>& Members() const = 0;
  // Index of the member DISPID_VALUE stands for, or -1.
  virtual int DefaultMember() const { return -1; }
  virtual void InvokeMember(size_t index, Call& call) = 0;

 private:
  std::atomic<ULONG> references_{1};
};

// Binds a member table to handlers of T.
template <class T>
struct Member {
  MemberInfo info;
  void (T::*handler)(Call&);
};

template <class T>
class MemberTable {
 public:
  MemberTable(std::vector<Member<T>> members, const wchar_t* defaultMember = nullptr)
      : members_(std::move(members)) {
    for (size_t i = 0; i < members_.size(); ++i) {
      infos_.push_back(members_[i].info);
      if (defaultMember && std::wstring_view(members_[i].info.name) == defaultMember) default_ = int(i);
    }
  }
  const std::vector<MemberInfo>& Infos() const { return infos_; }
  int Default() const { return default_; }
  void Run(T& object, size_t index, Call& call) const { (object.*members_[index].handler)(call); }

 private:
  std::vector<Member<T>> members_;
  std::vector<MemberInfo> infos_;
  int default_ = -1;
};

// Simulated busy state: the next `calls` GetIDsOfNames/Invoke calls on any
// server object answer hr.
void SimulateBusy(int calls, HRESULT hr);

}  // namespace sheetwright::server

// Declares the DispatchObject overrides of a class whose table is
// `static const MemberTable<Class>& Table()`.
#define SW_DISPATCH_MEMBERS(Class)                                                        \
 protected:                                                                               \
  const std::vector<MemberInfo>& Members() const override { return Table().Infos(); }     \
  int DefaultMember() const override { return Table().Default(); }                        \
  void InvokeMember(size_t index, Call& call) override { Table().Run(*this, index, call); } \
                                                                                          \
 private:                                                                                 \
  static const MemberTable<Class>& Table();
