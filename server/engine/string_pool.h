// Interned text of one workbook. Every distinct text is stored once and named
// by a 32-bit id; id 0 is always the empty text. Ids stay valid for the life
// of the pool, and so do the references Text() returns.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>

namespace sheetwright::engine {

class StringPool {
 public:
  StringPool();
  StringPool(const StringPool&) = delete;
  StringPool& operator=(const StringPool&) = delete;

  // The id of text, adding it when it is new.
  uint32_t Intern(std::wstring_view text);
  // The text of an id; an unknown id gives the empty text.
  const std::wstring& Text(uint32_t id) const;
  size_t size() const { return texts_.size(); }
  void Reserve(size_t count);

 private:
  std::deque<std::wstring> texts_;  // deque: element addresses never move
  std::unordered_map<std::wstring_view, uint32_t> ids_;  // views into texts_
};

}  // namespace sheetwright::engine
