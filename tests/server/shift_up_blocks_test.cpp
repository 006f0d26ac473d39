// Deleting several blocks of one column span at once gives the cells and the
// edits of deleting them one by one from the bottom.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "server/engine/sheet.h"

namespace sheetwright::engine {
namespace {

std::vector<std::tuple<int32_t, int32_t, double>> Cells(const Sheet& sheet) {
  std::vector<std::tuple<int32_t, int32_t, double>> out;
  sheet.ForEachCellIn(CellRect{1, 1, kMaxRows, kMaxColumns},
                      [&](int32_t r, int32_t c, const Cell& cell) { out.emplace_back(r, c, cell.number); });
  return out;
}

TEST(ShiftUpBlocks, SameAsOneByOneFromTheBottom) {
  std::mt19937 random(3);
  for (int round = 0; round < 200; ++round) {
    Sheet batched, sequential;
    // Dense rows, sparse rows and rows without any cell, so that cells move
    // into rows that have no record yet and out of rows that keep others.
    for (int32_t row = 1; row <= 60; ++row) {
      const unsigned filledOutOf4 = random() % 3 == 0 ? random() % 3 : 3;
      for (int32_t col = 1; col <= 6; ++col)
        if (random() % 4 < filledOutOf4) {
          for (Sheet* s : {&batched, &sequential}) {
            Cell& cell = s->Put(row, col);
            cell.type = CellType::Number;
            cell.number = row * 100 + col;
          }
        }
    }
    std::vector<std::pair<int32_t, int32_t>> spans;
    std::vector<CellRect> blocks;
    for (int32_t row = 1 + int32_t(random() % 5); row <= 55; row += 3 + int32_t(random() % 6)) {
      const int32_t last = row + int32_t(random() % 2);
      spans.emplace_back(row, last);
    }
    const int32_t c1 = 2 + int32_t(random() % 2), c2 = c1 + int32_t(random() % 3);
    for (const auto& [r1, r2] : spans) blocks.push_back(CellRect{r1, c1, r2, c2});
    // A second column span, disjoint from the first, deleted in the same call.
    blocks.push_back(CellRect{7, 6, 9, 6});
    batched.DeleteShiftUpBlocks(blocks);
    for (size_t k = spans.size(); k-- > 0;) sequential.DeleteShiftUp(spans[k].first, c1, spans[k].second, c2);
    sequential.DeleteShiftUp(7, 6, 9, 6);
    ASSERT_EQ(Cells(batched), Cells(sequential)) << round;
    ASSERT_EQ(batched.edits.size(), sequential.edits.size());
    for (size_t k = 0; k < batched.edits.size(); ++k) {
      EXPECT_EQ(batched.edits[k].r1, sequential.edits[k].r1);
      EXPECT_EQ(batched.edits[k].r2, sequential.edits[k].r2);
    }
  }
}

}  // namespace
}  // namespace sheetwright::engine
