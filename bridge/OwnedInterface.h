// OwnedInterface<T>: one counted reference to a COM interface, released
// exactly once when the holder goes out of scope.
//
//   OwnedInterface<IRunningObjectTable> table;
//   if (FAILED(GetRunningObjectTable(0, table.Out()))) return;   // adopts
//   OwnedInterface<IEnumMoniker> running;
//   table->EnumRunning(running.Out());
//   OwnedDispatch workbook(QueryWorkbook(...));   // adopts a returned reference
//   m_workbook = workbook.Detach();               // hand-over: IDispatch* by value
//
// Ownership: the constructor from a pointer and Out() take over a reference
// the caller already holds (no AddRef); Get() and -> lend it; Detach() gives
// it away and leaves this null. Move-only: a second reference is taken only
// by an explicit AddRef at the call site.
#pragma once

#include "platform/windows_api.h"

template <class T>
class OwnedInterface {
 public:
  OwnedInterface() = default;
  // Takes over `adopted` (may be null).
  explicit OwnedInterface(T* adopted) : m_pointer(adopted) {}
  ~OwnedInterface() { Reset(); }

  OwnedInterface(OwnedInterface&& other) noexcept : m_pointer(other.Detach()) {}
  OwnedInterface& operator=(OwnedInterface&& other) noexcept {
    if (this != &other) Reset(other.Detach());
    return *this;
  }
  OwnedInterface(const OwnedInterface&) = delete;
  OwnedInterface& operator=(const OwnedInterface&) = delete;

  // Releases the current reference, then takes over `adopted`.
  void Reset(T* adopted = nullptr) {
    T* old = m_pointer;
    m_pointer = adopted;
    if (old != nullptr) old->Release();
  }

  // Releases the current reference and lends the slot to a function that
  // returns a new reference through T** (QueryInterface, EnumRunning, ...).
  T** Out() {
    Reset();
    return &m_pointer;
  }

  // Hand-over: the reference by value, now owned by the caller; this is left
  // null.
  T* Detach() {
    T* pointer = m_pointer;
    m_pointer = nullptr;
    return pointer;
  }

  T* Get() const { return m_pointer; }
  T* operator->() const { return m_pointer; }
  explicit operator bool() const { return m_pointer != nullptr; }

 private:
  T* m_pointer = nullptr;
};

using OwnedDispatch = OwnedInterface<IDispatch>;
