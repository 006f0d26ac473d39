#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>

#include "server/files/file_error.h"
#include "server/files/read_ahead.h"

namespace sheetwright::files {
namespace {

// A source over `text` that hands out at most `step` bytes per call, so
// chunks are filled by several short reads.
PullSource TextSource(std::string text, size_t step) {
  auto at = std::make_shared<size_t>(0);
  return [text = std::move(text), step, at](char* buffer, size_t capacity) -> size_t {
    const size_t take = std::min({capacity, step, text.size() - *at});
    text.copy(buffer, take, *at);
    *at += take;
    return take;
  };
}

std::string Pattern(size_t bytes) {
  std::string text(bytes, '\0');
  for (size_t i = 0; i < bytes; ++i) text[i] = static_cast<char>('a' + (i * 7 + i / 13) % 26);
  return text;
}

TEST(ReadAhead, DeliversTheSourceBytesInOrderWhateverTheReadSizes) {
  struct Case {
    size_t bytes, sourceStep, chunkBytes, chunkCount, readBytes;
  };
  const Case kCases[] = {
      {0, 5, 64, 2, 10},          // empty source
      {1000, 7, 64, 2, 10},       // reads smaller than a chunk
      {1000, 1000, 64, 3, 500},   // reads spanning several chunks
      {100000, 333, 4096, 4, 65536},
      {4096, 4096, 4096, 1, 4096},  // one chunk, exactly filled
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::to_string(c.bytes) + " bytes, chunk " + std::to_string(c.chunkBytes));
    const std::string expected = Pattern(c.bytes);
    PullSource source = ReadAhead(TextSource(expected, c.sourceStep), c.chunkBytes, c.chunkCount);
    std::string got;
    std::string buffer(c.readBytes, '\0');
    while (size_t n = source(buffer.data(), buffer.size())) got.append(buffer, 0, n);
    EXPECT_EQ(got, expected);
    EXPECT_EQ(source(buffer.data(), buffer.size()), 0u);  // the end stays the end
  }
}

TEST(ReadAhead, AFailureOfTheSourceComesAfterTheBytesBeforeIt) {
  auto calls = std::make_shared<int>(0);
  PullSource failing = [calls](char* buffer, size_t capacity) -> size_t {
    if (++*calls > 3) throw FileError("the part inflates beyond its stated size");
    std::fill(buffer, buffer + std::min<size_t>(capacity, 10), 'x');
    return std::min<size_t>(capacity, 10);
  };
  PullSource source = ReadAhead(failing, 16, 2);
  std::string got;
  char buffer[8];
  try {
    while (size_t n = source(buffer, sizeof buffer)) got.append(buffer, n);
    FAIL() << "the failure was not passed on";
  } catch (const FileError& e) {
    EXPECT_STREQ(e.what(), "the part inflates beyond its stated size");
  }
  // 10 + 6 (the rest of the first 16-byte chunk) + 10.
  EXPECT_EQ(got, std::string(26, 'x'));
}

TEST(ReadAhead, ReaderThatStopsEarlyStopsTheWorker) {
  auto produced = std::make_shared<std::atomic<size_t>>(0);
  PullSource endless = [produced](char* buffer, size_t capacity) -> size_t {
    std::fill(buffer, buffer + capacity, 'y');
    *produced += capacity;
    return capacity;
  };
  {
    PullSource source = ReadAhead(endless, 1024, 2);
    char buffer[100];
    ASSERT_EQ(source(buffer, sizeof buffer), sizeof buffer);
  }  // joins the worker; an endless source must not keep it running
  // The worker holds no more than its chunks plus the one it was filling.
  EXPECT_LE(produced->load(), 4u * 1024);
}

}  // namespace
}  // namespace sheetwright::files
