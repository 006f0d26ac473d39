// Interned text of one workbook. Every distinct text is stored once and named
// by a 32-bit id; id 0 is always the empty text. Ids stay valid for the life
// of the pool, and so do the views Text() returns.
//
// Texts are packed one after another into large character blocks that never
// move (a text too long for a block gets a block of its own), so a text costs
// its characters plus 12 bytes of index and 11 to 22 bytes of hash table,
// instead of a string object, a heap block and a hash node each.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace sheetwright::engine {

class StringPool {
 public:
  StringPool();
  StringPool(const StringPool&) = delete;
  StringPool& operator=(const StringPool&) = delete;

  // The id of text, adding it when it is new. Throws std::length_error for a
  // text of 2^32 characters or more and when every id is taken.
  uint32_t Intern(std::wstring_view text);
  // The text of an id; an unknown id gives the empty text. The view is not
  // NUL-terminated.
  std::wstring_view Text(uint32_t id) const {
    return id < starts_.size() ? std::wstring_view(starts_[id], lengths_[id]) : std::wstring_view();
  }
  size_t size() const { return starts_.size(); }
  // Makes room for `count` texts in all, so that adding up to that many moves
  // no index and rebuilds no hash table.
  void Reserve(size_t count);

 private:
  // A slot of the open-addressed hash table; id kFree marks an unused slot.
  struct Slot {
    uint32_t id;
    uint32_t hash;  // low 32 bits of the text's hash, compared before the text
  };
  static constexpr uint32_t kFree = UINT32_MAX;
  static constexpr size_t kBlockChars = size_t(1) << 16;

  // The slot holding text, or the free slot where it belongs.
  size_t Probe(std::wstring_view text, uint32_t hash) const;
  void Rehash(size_t slotCount);
  // A stable copy of text's characters.
  const wchar_t* Store(std::wstring_view text);

  std::vector<std::unique_ptr<wchar_t[]>> blocks_;
  wchar_t* blockNext_ = nullptr;  // free room of the newest packed block
  size_t blockLeft_ = 0;
  std::vector<const wchar_t*> starts_;  // by id
  std::vector<uint32_t> lengths_;       // by id
  std::vector<Slot> slots_;             // size a power of two, at most 3/4 used
};

}  // namespace sheetwright::engine
