#include "server/com/path_text.h"
#include "server/com/server_state.h"

#include <algorithm>
#include <filesystem>

#include "server/com/com_error.h"
#include "server/com/running_objects.h"
#include "server/com/workbook_storage.h"

namespace sheetwright::server {

namespace {
// Every application started in this process, so that applications kept
// running by their open workbooks stay reachable (also for leak checkers at
// exit: the list is never destroyed).
std::vector<std::weak_ptr<AppState>>& Applications() {
  static auto* apps = new std::vector<std::weak_ptr<AppState>>();
  return *apps;
}
}  // namespace

std::vector<std::shared_ptr<AppState>> LiveApplications() {
  std::vector<std::shared_ptr<AppState>> live;
  for (const auto& weak : Applications())
    if (auto app = weak.lock()) live.push_back(app);
  return live;
}

std::wstring CanonicalPath(const std::wstring& path) {
  std::error_code ec;
  std::filesystem::path absolute = std::filesystem::absolute(ToPath(path), ec);
  if (ec) return path;
  std::filesystem::path canonical = std::filesystem::weakly_canonical(absolute, ec);
  return FromPath(ec ? absolute.lexically_normal() : canonical);
}

void BookState::CheckOpen() const {
  if (!IsOpen()) ThrowApplicationError(L"Object has been deleted.");
}

std::shared_ptr<AppState> AppState::Create() {
  auto app = std::make_shared<AppState>();
  auto& apps = Applications();
  apps.erase(std::remove_if(apps.begin(), apps.end(), [](const auto& w) { return w.expired(); }), apps.end());
  apps.push_back(app);
  return app;
}

std::shared_ptr<BookState> AppState::ActiveBook() const {
  auto book = active.lock();
  if (book && book->IsOpen()) return book;
  return books.empty() ? nullptr : books.back();
}

std::shared_ptr<BookState> AppState::FindOpen(const std::wstring& fullPath) const {
  for (const auto& book : books)
    if (book->book.fullPath == fullPath) return book;
  return nullptr;
}

void AppState::Adopt(const std::shared_ptr<BookState>& book) {
  book->app = shared_from_this();
  books.push_back(book);
  active = book;
  RegisterRunningWorkbook(book, book->book.fullPath);
}

std::shared_ptr<BookState> AppState::Open(const std::wstring& path) {
  if (path.empty()) ThrowApplicationError(L"Sorry, we couldn't find . Is it possible it was moved, renamed or deleted?");
  const std::wstring fullPath = CanonicalPath(path);
  if (auto open = FindOpen(fullPath)) {
    active = open;
    return open;
  }
  auto book = std::make_shared<BookState>();
  StorageResult result = LoadWorkbookFile(fullPath, book->book);
  if (!result.ok()) {
    ThrowApplicationError(result.description.empty()
                              ? L"Sorry, we couldn't find " + fullPath +
                                    L". Is it possible it was moved, renamed or deleted?"
                              : result.description);
  }
  if (book->book.fullPath.empty()) book->book.fullPath = fullPath;
  if (book->book.name.empty()) book->book.name = FromPath(ToPath(fullPath).filename());
  if (book->book.sheets.empty()) book->book.AddWorksheet(L"Sheet1");
  if (book->book.activeSheet >= book->book.sheets.size()) book->book.activeSheet = 0;
  book->book.dirty = false;
  Adopt(book);
  return book;
}

std::shared_ptr<BookState> AppState::Add() {
  auto book = std::make_shared<BookState>();
  book->book.name = L"Book" + std::to_wstring(nextBookNumber_++);
  book->book.fullPath = book->book.name;
  book->book.AddWorksheet(L"Sheet1");
  Adopt(book);
  return book;
}

void AppState::Close(BookState& book) {
  RevokeRunningWorkbook(book);
  // Keep this application alive until the list is updated: the workbook
  // may hold the last reference to it.
  std::shared_ptr<AppState> self = shared_from_this();
  auto it = std::find_if(books.begin(), books.end(), [&](const auto& b) { return b.get() == &book; });
  std::shared_ptr<BookState> keep;
  if (it != books.end()) {
    keep = *it;
    books.erase(it);
  }
  book.app.reset();
}

void AppState::Quit() {
  while (!books.empty()) Close(*books.back());
}

}  // namespace sheetwright::server
