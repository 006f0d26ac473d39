// The workbook's interned texts: one id per distinct text, and ids and the
// views they give stay valid and unchanged while the pool grows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "server/engine/string_pool.h"

namespace sheetwright::engine {

TEST(StringPoolTest, EqualTextsShareAnIdAndNearMissesDoNot) {
  StringPool pool;
  EXPECT_EQ(pool.Intern(L""), 0u);
  EXPECT_EQ(pool.Text(0), L"");
  struct Case {
    const char* name;
    std::wstring a, b;
    bool same;
  };
  const std::wstring withNul(L"a\0b", 3);
  const Case cases[] = {
      {"identical", L"apple", L"apple", true},
      {"case differs", L"Apple", L"apple", false},
      {"prefix", L"app", L"apple", false},
      {"embedded NUL against its prefix", withNul, L"a", false},
      {"embedded NUL kept whole", withNul, withNul, true},
      {"trailing space", L"pear ", L"pear", false},
      {"beyond the basic plane", L"\U0001F600x", L"\U0001F600x", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const uint32_t a = pool.Intern(c.a), b = pool.Intern(c.b);
    EXPECT_EQ(a == b, c.same);
    EXPECT_EQ(pool.Text(a), c.a);
    EXPECT_EQ(pool.Text(b), c.b);
    EXPECT_NE(a, 0u);
  }
  const size_t size = pool.size();
  EXPECT_EQ(pool.Text(uint32_t(size)), L"") << "an unknown id reads as the empty text";
  EXPECT_EQ(pool.Text(UINT32_MAX), L"");
}

TEST(StringPoolTest, ViewsSurviveGrowthRehashAndLongTexts) {
  StringPool pool;
  pool.Reserve(10);  // far too small: the table must still grow past it
  std::vector<std::wstring> texts;
  std::vector<uint32_t> ids;
  std::vector<std::wstring_view> views;
  for (int i = 0; i < 60000; ++i) {
    std::wstring text = L"text " + std::to_wstring(i);
    // Now and then a text longer than a whole character block, and texts
    // that leave a block's tail too short for them.
    if (i % 9973 == 0) text.append(size_t(70000 + i % 7), L'x');
    if (i % 101 == 0) text.append(size_t(4000 + i % 13), L'y');
    texts.push_back(text);
    ids.push_back(pool.Intern(text));
    views.push_back(pool.Text(ids.back()));
  }
  EXPECT_EQ(pool.size(), texts.size() + 1);
  for (size_t i = 0; i < texts.size(); ++i) {
    SCOPED_TRACE("text " + std::to_string(i));
    ASSERT_EQ(ids[i], i + 1) << "ids are given in order";
    ASSERT_EQ(views[i], texts[i]) << "a view taken early still shows its text";
    ASSERT_EQ(views[i].data(), pool.Text(ids[i]).data()) << "texts never move";
    ASSERT_EQ(pool.Intern(texts[i]), ids[i]);
  }
  EXPECT_EQ(pool.size(), texts.size() + 1) << "interning again adds nothing";
}

}  // namespace sheetwright::engine
