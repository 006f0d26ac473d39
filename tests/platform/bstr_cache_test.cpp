#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/bstr_cache.h"
#include "platform/windows_api.h"

namespace {

// Switches the cache for one test and restores the previous setting.
class CacheSetting {
 public:
  explicit CacheSetting(bool enabled) : previous_(PlatformSetBstrCacheEnabled(enabled)) {}
  ~CacheSetting() { PlatformSetBstrCacheEnabled(previous_); }

 private:
  bool previous_;
};

DWORD PrefixOf(BSTR text) {
  DWORD prefix;
  std::memcpy(&prefix, reinterpret_cast<char*>(text) - sizeof(DWORD), sizeof prefix);
  return prefix;
}

TEST(BstrCache, FreedBlockIsReusedForATextOfTheSameSizeWithItsOwnLengthAndTerminator) {
  CacheSetting on(true);
  BSTR first = SysAllocString(L"abcdef");
  ASSERT_NE(first, nullptr);
  SysFreeString(first);
  // Five and six characters round to the same block size.
  BSTR second = SysAllocString(L"xyzuv");
  EXPECT_EQ(second, first);
  EXPECT_EQ(PrefixOf(second), 5 * sizeof(OLECHAR));
  EXPECT_EQ(SysStringLen(second), 5u);
  EXPECT_STREQ(second, L"xyzuv");
  SysFreeString(second);
}

TEST(BstrCache, ATextOfAnotherSizeDoesNotTakeTheFreedBlock) {
  CacheSetting on(true);
  BSTR small = SysAllocString(L"ab");
  SysFreeString(small);
  BSTR large = SysAllocString(std::wstring(200, L'x').c_str());
  EXPECT_NE(large, small);
  EXPECT_EQ(SysStringLen(large), 200u);
  SysFreeString(large);
  BSTR again = SysAllocString(L"cd");
  EXPECT_EQ(again, small);
  SysFreeString(again);
}

TEST(BstrCache, KeepsOnlyAFewBlocksOfEachSize) {
  CacheSetting on(true);
  std::vector<BSTR> texts;
  for (int i = 0; i < 40; ++i) texts.push_back(SysAllocString(L"same size"));
  for (BSTR text : texts) SysFreeString(text);
  std::vector<BSTR> again;
  size_t reused = 0;
  for (int i = 0; i < 40; ++i) {
    again.push_back(SysAllocString(L"same size"));
    for (BSTR old : texts) reused += again.back() == old;
  }
  // The cache returned a bounded number; the heap may hand back more of the
  // rest, so only the lower bound is exact.
  EXPECT_GE(reused, 8u);
  for (BSTR text : again) {
    EXPECT_STREQ(text, L"same size");
    SysFreeString(text);
  }
}

TEST(BstrCache, BlocksFreedOnAnotherThreadStayOnThatThread) {
  CacheSetting on(true);
  BSTR text = SysAllocString(L"crosses threads");
  std::thread([text] { SysFreeString(text); }).join();
  // The other thread's cache went with its thread; nothing is handed out twice.
  BSTR mine = SysAllocString(L"crosses thread!");
  EXPECT_STREQ(mine, L"crosses thread!");
  SysFreeString(mine);
}

// Frees the owners of one text first, last and middle, reading the text
// between frees; returns what the last owner still read.
std::wstring FreeInMixedOrder(BSTR first, BSTR again, BSTR third) {
  SysFreeString(first);
  EXPECT_STREQ(again, L"apple");
  SysFreeString(third);
  std::wstring last(again, SysStringLen(again));
  SysFreeString(again);
  return last;
}

TEST(BstrBlockAllocator, TextsAreOrdinaryBstrsFreedOneByOneInAnyOrder) {
  CacheSetting on(true);
  std::vector<BSTR> texts;
  {
    BstrBlockAllocator allocator;
    // Enough texts to fill several shared blocks, with one too long to share
    // and an empty one.
    for (int i = 0; i < 20000; ++i) {
      const std::wstring text = L"cell " + std::to_wstring(i);
      texts.push_back(allocator.Allocate(text.data(), UINT(text.size())));
    }
    const std::wstring longText(5000, L'L');
    texts.push_back(allocator.Allocate(longText.data(), UINT(longText.size())));
    texts.push_back(allocator.Allocate(L"", 0));
    texts.push_back(allocator.Allocate(nullptr, 3));
  }  // the allocator goes first: its texts stay
  for (int i = 0; i < 20000; ++i) {
    SCOPED_TRACE(i);
    const std::wstring expected = L"cell " + std::to_wstring(i);
    ASSERT_EQ(SysStringLen(texts[i]), expected.size());
    EXPECT_EQ(PrefixOf(texts[i]), expected.size() * sizeof(OLECHAR));
    EXPECT_EQ(std::wstring(texts[i]), expected);  // terminated after its length
  }
  EXPECT_EQ(SysStringLen(texts[20000]), 5000u);
  EXPECT_EQ(texts[20001][0], L'\0');
  EXPECT_EQ(SysStringLen(texts[20002]), 3u);
  EXPECT_EQ(texts[20002][3], L'\0');
  // Every other text first, then the rest backwards; each block goes when its
  // last text goes (the sanitizer build checks nothing leaks or is freed twice).
  for (size_t i = 0; i < texts.size(); i += 2) SysFreeString(texts[i]);
  for (size_t i = texts.size(); i-- > 0;) {
    if (i % 2 == 1) SysFreeString(texts[i]);
  }
}

TEST(BstrBlockAllocator, ATextSurvivesItsNeighboursAndCopiesAndReallocationsWork) {
  CacheSetting on(true);
  BstrBlockAllocator allocator;
  BSTR keep = allocator.Allocate(L"keep", 4);
  BSTR drop = allocator.Allocate(L"drop", 4);
  SysFreeString(drop);
  VARIANT source;
  VariantInit(&source);
  source.vt = VT_BSTR;
  source.bstrVal = keep;
  VARIANT copy;
  VariantInit(&copy);
  ASSERT_EQ(VariantCopy(&copy, &source), S_OK);
  EXPECT_STREQ(copy.bstrVal, L"keep");
  ASSERT_TRUE(SysReAllocString(&source.bstrVal, L"changed"));
  EXPECT_STREQ(source.bstrVal, L"changed");
  VariantClear(&source);
  VariantClear(&copy);
}

// A shared text handed out to several owners stays whole until the last
// of them frees it, in any order, and outlives its allocator; with the
// cache off, and for a text too long to share, each owner gets a copy.
TEST(BstrBlockAllocator, ReusedTextLivesUntilItsLastOwnerFreesIt) {
  for (const bool cacheOn : {true, false}) {
    SCOPED_TRACE(cacheOn ? "cache on" : "cache off");
    CacheSetting setting(cacheOn);
    const std::wstring longText(3000, L'x');
    BSTR first = nullptr, again = nullptr, third = nullptr, longFirst = nullptr, longAgain = nullptr;
    {
      BstrBlockAllocator allocator;
      first = allocator.Allocate(L"apple", 5);
      again = allocator.Reuse(first);
      longFirst = allocator.Allocate(longText.data(), UINT(longText.size()));
      longAgain = allocator.Reuse(longFirst);
      // Fill the block so the allocator moves on; the reused text's block stays.
      for (int i = 0; i < 20000; ++i) SysFreeString(allocator.Allocate(L"filler text", 11));
      third = allocator.Reuse(first);
    }
    EXPECT_EQ(again == first, cacheOn);
    EXPECT_EQ(third == first, cacheOn);
    EXPECT_NE(longAgain, longFirst);
    EXPECT_EQ(FreeInMixedOrder(first, again, third), L"apple");
    EXPECT_EQ(std::wstring(longAgain), longText);
    SysFreeString(longFirst);
    SysFreeString(longAgain);
  }
}

TEST(BstrBlockAllocator, WhenOffEveryTextHasItsOwnHeapBlock) {
  CacheSetting off(false);
  BstrBlockAllocator allocator;
  BSTR a = allocator.Allocate(L"a", 1);
  BSTR b = allocator.Allocate(L"b", 1);
  // Heap blocks of their own: one's header does not follow the other's text.
  EXPECT_NE(reinterpret_cast<char*>(b), reinterpret_cast<char*>(a) + 16);
  EXPECT_STREQ(a, L"a");
  EXPECT_STREQ(b, L"b");
  SysFreeString(a);
  SysFreeString(b);
}

}  // namespace
