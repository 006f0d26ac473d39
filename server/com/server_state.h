// The state behind the COM objects: one AppState per started application,
// one BookState per workbook. COM objects are thin views that hold these by
// shared_ptr, so an object handed to a caller stays valid (and memory-safe)
// even after its workbook closed; members of a closed workbook's objects
// then fail with the application's "object has been deleted" error.
//
// Ownership: an AppState owns its open BookStates; an open BookState owns
// its AppState (a running application lives while it has open workbooks,
// as a process would). Closing a workbook (or Quit) breaks that link, so
// nothing stays alive once the caller has released its references.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/windows_api.h"
#include "server/engine/workbook.h"

namespace sheetwright::server {

// Find's LookIn/LookAt/SearchOrder/MatchCase persist between calls.
struct FindSettings {
  LONG lookIn = -4123;  // xlFormulas
  LONG lookAt = 2;      // xlPart
  LONG searchOrder = 1; // xlByRows
  bool matchCase = false;
};

class AppState;

class BookState {
 public:
  engine::Workbook book;
  std::shared_ptr<AppState> app;  // null once the workbook is closed
  std::vector<DWORD> rotCookies;  // Running Object Table registrations

  bool IsOpen() const { return app != nullptr; }
  // Throws the application's error when the workbook was closed.
  void CheckOpen() const;
};

class AppState : public std::enable_shared_from_this<AppState> {
 public:
  static std::shared_ptr<AppState> Create();

  bool displayAlerts = true;
  bool visible = false;
  FindSettings find;
  std::vector<std::shared_ptr<BookState>> books;  // open workbooks, in opening order
  std::weak_ptr<BookState> active;

  std::shared_ptr<BookState> ActiveBook() const;
  // The open workbook with this full path (compared as the file system
  // does), or null.
  std::shared_ptr<BookState> FindOpen(const std::wstring& fullPath) const;
  // Opens the file (or returns the workbook already open under that path)
  // and makes it active. Throws ComError 1004 when the file cannot be read.
  std::shared_ptr<BookState> Open(const std::wstring& path);
  // A new empty workbook "BookN" with one worksheet "Sheet1", made active.
  std::shared_ptr<BookState> Add();
  // Closes without saving: leaves the list, revokes its table entries.
  void Close(BookState& book);
  // Closes every workbook without saving.
  void Quit();

 private:
  void Adopt(const std::shared_ptr<BookState>& book);
  int nextBookNumber_ = 1;
};

// Every application of this process that is still alive.
std::vector<std::shared_ptr<AppState>> LiveApplications();

// Resolves a path as the file system would name it (absolute, normalised).
std::wstring CanonicalPath(const std::wstring& path);

}  // namespace sheetwright::server
