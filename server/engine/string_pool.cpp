#include "server/engine/string_pool.h"

namespace sheetwright::engine {

StringPool::StringPool() { Intern(std::wstring_view()); }

uint32_t StringPool::Intern(std::wstring_view text) {
  auto found = ids_.find(text);
  if (found != ids_.end()) return found->second;
  const uint32_t id = uint32_t(texts_.size());
  texts_.emplace_back(text);
  ids_.emplace(std::wstring_view(texts_.back()), id);
  return id;
}

const std::wstring& StringPool::Text(uint32_t id) const {
  return id < texts_.size() ? texts_[id] : texts_[0];
}

void StringPool::Reserve(size_t count) { ids_.reserve(count); }

}  // namespace sheetwright::engine
