#include "server/engine/string_pool.h"

#include <cwchar>
#include <functional>
#include <stdexcept>

namespace sheetwright::engine {

namespace {

uint32_t HashOf(std::wstring_view text) { return uint32_t(std::hash<std::wstring_view>{}(text)); }

// The smallest power of two that holds `count` texts at 3/4 load (at least 16).
size_t SlotCountFor(size_t count) {
  size_t slots = 16;
  while (slots - slots / 4 < count) slots *= 2;
  return slots;
}

}  // namespace

StringPool::StringPool() {
  static const wchar_t kEmpty[1] = {L'\0'};
  slots_.assign(SlotCountFor(1), Slot{kFree, 0});
  starts_.push_back(kEmpty);
  lengths_.push_back(0);
  slots_[Probe(std::wstring_view(), HashOf(std::wstring_view()))] = Slot{0, HashOf(std::wstring_view())};
}

size_t StringPool::Probe(std::wstring_view text, uint32_t hash) const {
  const size_t mask = slots_.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    const Slot& slot = slots_[i];
    if (slot.id == kFree) return i;
    if (slot.hash == hash && lengths_[slot.id] == text.size() &&
        (text.empty() || std::wmemcmp(starts_[slot.id], text.data(), text.size()) == 0))
      return i;
  }
}

void StringPool::Rehash(size_t slotCount) {
  std::vector<Slot> old(slotCount, Slot{kFree, 0});
  old.swap(slots_);
  const size_t mask = slots_.size() - 1;
  for (const Slot& slot : old) {
    if (slot.id == kFree) continue;
    size_t i = slot.hash & mask;
    while (slots_[i].id != kFree) i = (i + 1) & mask;
    slots_[i] = slot;
  }
}

void StringPool::Reserve(size_t count) {
  if (count <= starts_.size()) return;
  starts_.reserve(count);
  lengths_.reserve(count);
  const size_t slots = SlotCountFor(count);
  if (slots > slots_.size()) Rehash(slots);
}

const wchar_t* StringPool::Store(std::wstring_view text) {
  if (text.size() > kBlockChars / 4) {
    // A long text gets a block of its own, so that packed blocks waste
    // at most a quarter of their room.
    blocks_.push_back(std::make_unique_for_overwrite<wchar_t[]>(text.size()));
    std::wmemcpy(blocks_.back().get(), text.data(), text.size());
    return blocks_.back().get();
  }
  if (text.size() > blockLeft_) {
    blocks_.push_back(std::make_unique_for_overwrite<wchar_t[]>(kBlockChars));
    blockNext_ = blocks_.back().get();
    blockLeft_ = kBlockChars;
  }
  wchar_t* at = blockNext_;
  std::wmemcpy(at, text.data(), text.size());
  blockNext_ += text.size();
  blockLeft_ -= text.size();
  return at;
}

uint32_t StringPool::Intern(std::wstring_view text) {
  const uint32_t hash = HashOf(text);
  size_t at = Probe(text, hash);
  if (slots_[at].id != kFree) return slots_[at].id;
  if (text.size() >= UINT32_MAX) throw std::length_error("text too long for the string pool");
  if (starts_.size() >= kFree) throw std::length_error("string pool full");
  if (starts_.size() + 1 > slots_.size() - slots_.size() / 4) {
    Rehash(slots_.size() * 2);
    at = Probe(text, hash);
  }
  const uint32_t id = uint32_t(starts_.size());
  // A failed allocation leaves the pool as it was; a copied text that got no
  // id is only unused room.
  starts_.push_back(Store(text));
  try {
    lengths_.push_back(uint32_t(text.size()));
  } catch (...) {
    starts_.pop_back();
    throw;
  }
  slots_[at] = Slot{id, hash};
  return id;
}

}  // namespace sheetwright::engine
