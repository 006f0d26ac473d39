// The formulas of a workbook and their calculation.
//
// A formula cell holds in Cell::formula the id of a node: 12 bytes naming
// the cell and its program. Programs are shared: every formula that is the
// same in relative terms (=A1+1 in A2, =A2+1 in A3, ...) uses one program,
// stored once. The node also remembers where its program was compiled (the
// anchor), so the formula's A1 text can be given back even after rows were
// deleted and before the references were settled (reference_adjust.h).
//
// Calculation is automatic: a write recalculates the formulas that depend on
// the written cells, and theirs, in dependency order, found by an iterative
// depth-first walk of the dependency graph from the written cells (no
// recursion, no pass over the workbook). Volatile formulas (NOW, TODAY,
// RAND, OFFSET, INDIRECT, defined names) take part in every recalculation.
// The cells of a circular reference are 0, as the application shows them
// with iteration off.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "server/engine/dependency_graph.h"
#include "server/engine/formula_program.h"

namespace sheetwright::engine {

class Workbook;
class Sheet;

class Calculation {
 public:
  explicit Calculation(Workbook& book);
  ~Calculation();
  Calculation(const Calculation&) = delete;
  Calculation& operator=(const Calculation&) = delete;

  // ---- loading ----
  // A formula read from a file into (row, col) of `sheet`, which need not
  // be in the workbook yet; returns the id the cell holds. The formula is
  // compiled by FinishLoading.
  uint32_t LoadFormula(Sheet& sheet, int32_t row, int32_t col, std::wstring_view text);
  // Compiles the loaded formulas once every sheet is there, builds the
  // dependencies and calculates the formulas that came without a value.
  void FinishLoading();

  // ---- text ----
  // The A1 text (without '=') of the formula with this id.
  std::wstring FormulaText(uint32_t id) const;

  // ---- writes ----
  // Compiles text (without '=') for (row, col) and, when it is a formula
  // the application accepts, puts it into the cell (its style kept) and
  // calculates it and its dependents. Otherwise the cell is left alone and
  // the problem returned.
  FormulaProblem EnterFormula(Sheet& sheet, int32_t row, int32_t col, std::wstring_view text);
  // The formula of a cell about to be overwritten or cleared.
  void Forget(uint32_t id);
  // Cells of `rect` got new values (or lost theirs): recalculates what
  // depends on them.
  void CellsChanged(Sheet& sheet, const CellRect& rect);

  // Writes of many cells at once (a block's Value, Replace over a block):
  // while a Batch lives, recalculation waits, and it runs once when the last
  // Batch ends, for every cell written meanwhile.
  class Batch {
   public:
    explicit Batch(Calculation& calculation) : calculation_(calculation) { ++calculation_.batchDepth_; }
    ~Batch() {
      if (--calculation_.batchDepth_ != 0) return;
      try {
        calculation_.RunDeferred();
      } catch (...) {
        // Out of memory while recalculating: the written cells stay written
        // and the values are brought up to date by the next recalculation.
      }
    }
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

   private:
    Calculation& calculation_;
  };

  // ---- calculating ----
  // The volatile formulas and what depends on them.
  void Recalculate();
  // The formulas in `rect` of `sheet`, and what depends on them.
  void CalculateRange(Sheet& sheet, const CellRect& rect);
  // Every formula (except those calling functions the server does not know,
  // which keep their values).
  void CalculateFull();

  // ---- structure ----
  // After rows, columns or blocks were deleted: every formula's text (at
  // its anchor) goes through `adjust` (which may rewrite its references),
  // is compiled where the cell is now, the dependencies are rebuilt and
  // everything is calculated again.
  using TextAdjuster = std::function<bool(const Sheet& sheet, std::wstring& text)>;
  void Relocate(const TextAdjuster& adjust);

  // ---- figures ----
  size_t FormulaCount() const { return nodes_.size() - 1 - dead_; }
  size_t ProgramCount() const { return programs_.size() - 1; }
  // Bytes of the node table, the dependency graph and the programs.
  size_t MemoryBytes() const;

 private:
  struct Node {
    uint32_t program = 0;  // 0: dead (or still loading)
    int32_t row = 0;       // the anchor: where the program resolves
    uint16_t sheet = 0;
    uint16_t col = 0;
  };
  struct Pending {
    Sheet* sheet;
    uint32_t node;
    std::wstring text;
  };

  uint32_t InternProgram(std::unique_ptr<Program> program);
  uint32_t NewNode(uint32_t sheet, int32_t row, int32_t col, uint32_t program);
  void AddEdges(uint32_t node);
  uint32_t SheetIndex(const Sheet& sheet) const;
  bool Alive(uint32_t node) const { return node < nodes_.size() && nodes_[node].program != 0; }

  // Calculates the root nodes, the dependents of the root cells, and
  // everything depending on those, in dependency order.
  struct CellBlock {
    uint32_t sheet;
    CellRect rect;
  };
  void Run(const std::vector<uint32_t>& rootNodes, const std::vector<CellBlock>& rootCells, bool withVolatile);
  // Runs what a Batch held back (nothing outside one).
  void RunDeferred();
  void Walk(uint32_t root);
  void Evaluate(uint32_t node, bool circular);

  Workbook& book_;
  std::vector<Node> nodes_;  // [0] unused
  size_t dead_ = 0;
  std::vector<std::unique_ptr<Program>> programs_;  // [0] unused
  std::unordered_map<std::string, uint32_t> programIds_;
  std::vector<uint32_t> volatile_;
  DependencyGraph graph_;
  std::vector<Pending> pending_;

  // The walk's state, kept between runs to spare allocations.
  struct Frame {
    uint32_t node;
    uint32_t begin;  // its dependents are children_[begin, end)
    uint32_t next;
    uint32_t end;
  };
  std::vector<uint8_t> marks_;
  std::vector<Frame> frames_;
  std::vector<uint32_t> children_;
  std::vector<uint32_t> order_;
  bool running_ = false;

  // Held back while a Batch lives: the formulas entered and, per sheet, the
  // smallest block holding the cells written (recalculating the dependents
  // of a few unwritten cells of it changes nothing).
  int batchDepth_ = 0;
  std::vector<uint32_t> deferredNodes_;
  std::vector<CellBlock> deferredCells_;
};

}  // namespace sheetwright::engine
