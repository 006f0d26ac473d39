#include "server/engine/calculation.h"

#include <algorithm>

#include "server/engine/formula_evaluator.h"
#include "server/engine/formula_names.h"
#include "server/engine/workbook.h"

namespace sheetwright::engine {

namespace {
constexpr uint8_t kOnPath = 1;
constexpr uint8_t kDone = 2;
constexpr uint8_t kCircular = 4;
}  // namespace

Calculation::Calculation(Workbook& book) : book_(book), nodes_(1), programs_(1) {}
Calculation::~Calculation() = default;

uint32_t Calculation::SheetIndex(const Sheet& sheet) const { return uint32_t(book_.IndexOf(&sheet)); }

uint32_t Calculation::InternProgram(std::unique_ptr<Program> program) {
  std::string key = ProgramKey(*program);
  auto [it, added] = programIds_.try_emplace(std::move(key), uint32_t(programs_.size()));
  if (added) programs_.push_back(std::move(program));
  return it->second;
}

uint32_t Calculation::NewNode(uint32_t sheet, int32_t row, int32_t col, uint32_t program) {
  if (nodes_.size() >= UINT32_MAX - 1) throw std::length_error("too many formulas");
  Node node;
  node.program = program;
  node.row = row;
  node.sheet = uint16_t(sheet);
  node.col = uint16_t(col);
  nodes_.push_back(node);
  const uint32_t id = uint32_t(nodes_.size() - 1);
  if (program && programs_[program]->isVolatile) volatile_.push_back(id);
  return id;
}

void Calculation::AddEdges(uint32_t id) {
  const Node& node = nodes_[id];
  const Program& program = *programs_[node.program];
  for (const ProgramRef& pr : program.refs) {
    if (pr.sheet == ProgramRef::kInvalidSheet) continue;
    CellRect rect;
    if (!ResolveReference(pr, node.row, node.col, rect)) continue;
    const uint32_t sheet = pr.sheet == ProgramRef::kOwnSheet ? node.sheet : uint32_t(pr.sheet);
    graph_.AddRange(sheet, rect, id);
  }
  // The cells defined names refer to (the formula stays volatile, as a name
  // may lead to another name or to INDIRECT).
  for (const Instruction& in : program.code) {
    if (in.op != OpCode::PushName) continue;
    auto named = CompileDefinedName(book_, int32_t(node.sheet), program.texts[in.operand]);
    if (!named) continue;
    for (const ProgramRef& pr : named->refs) {
      CellRect rect;
      if (pr.sheet == ProgramRef::kInvalidSheet || !ResolveReference(pr, 1, 1, rect)) continue;
      graph_.AddRange(pr.sheet == ProgramRef::kOwnSheet ? node.sheet : uint32_t(pr.sheet), rect, id);
    }
  }
}

// ---- loading ----

uint32_t Calculation::LoadFormula(Sheet& sheet, int32_t, int32_t, std::wstring_view text) {
  nodes_.emplace_back();
  const uint32_t id = uint32_t(nodes_.size() - 1);
  pending_.push_back({&sheet, id, std::wstring(text)});
  return id;
}

void Calculation::FinishLoading() {
  if (pending_.empty()) return;
  // Where each loading node's cell is: the sheets are complete now.
  std::vector<uint32_t> uncalculated;
  graph_.BeginBulk();
  for (size_t s = 0; s < book_.sheets.size(); ++s) {
    Sheet& sheet = *book_.sheets[s];
    sheet.ForEachRow([&](int32_t row) {
      sheet.ForEachCellInRow(row, [&](int32_t col, const Cell& cell) {
        if (!cell.formula || cell.formula >= nodes_.size() || nodes_[cell.formula].program) return;
        Node& node = nodes_[cell.formula];
        node.row = row;
        node.col = uint16_t(col);
        node.sheet = uint16_t(s);
        if (cell.type == CellType::Empty) uncalculated.push_back(cell.formula);
      });
    });
  }
  for (Pending& p : pending_) {
    Node& node = nodes_[p.node];
    if (node.col == 0) {
      ++dead_;  // its cell was overwritten while loading
      continue;
    }
    auto program = CompileFormula(p.text, node.row, node.col, book_);
    if (!program) program = TextOnlyProgram(p.text);
    const uint32_t id = InternProgram(std::move(program));
    nodes_[p.node].program = id;
    if (programs_[id]->isVolatile) volatile_.push_back(p.node);
    AddEdges(p.node);
    std::wstring().swap(p.text);
  }
  graph_.EndBulk();
  pending_.clear();
  pending_.shrink_to_fit();
  if (!uncalculated.empty()) Run(uncalculated, {}, false);
}

// ---- text ----

std::wstring Calculation::FormulaText(uint32_t id) const {
  if (id >= nodes_.size()) return std::wstring();
  const Node& node = nodes_[id];
  if (!node.program) {
    for (const Pending& p : pending_)
      if (p.node == id) return p.text;
    return std::wstring();
  }
  return RenderFormula(*programs_[node.program], node.row, node.col);
}

// ---- writes ----

FormulaProblem Calculation::EnterFormula(Sheet& sheet, int32_t row, int32_t col, std::wstring_view text) {
  FormulaProblem problem = FormulaProblem::None;
  auto program = CompileFormula(text, row, col, book_, &problem);
  if (!program) return problem;
  const uint32_t sheetIndex = SheetIndex(sheet);
  if (sheetIndex >= book_.sheets.size() || sheetIndex > UINT16_MAX) {
    // A sheet the workbook does not list (being loaded): kept as text.
    Cell& cell = sheet.Put(row, col);
    if (cell.formula) Forget(cell.formula);
    cell.ClearContent();
    cell.formula = LoadFormula(sheet, row, col, text);
    return FormulaProblem::None;
  }
  const uint32_t programId = InternProgram(std::move(program));
  Cell& cell = sheet.Put(row, col);
  if (cell.formula) Forget(cell.formula);
  cell.ClearContent();
  const uint32_t id = NewNode(sheetIndex, row, col, programId);
  cell.formula = id;
  AddEdges(id);
  if (batchDepth_ > 0) {
    deferredNodes_.push_back(id);
  } else {
    Run({id}, {}, true);
  }
  return FormulaProblem::None;
}

void Calculation::Forget(uint32_t id) {
  if (!Alive(id)) return;
  nodes_[id].program = 0;
  ++dead_;
}

void Calculation::CellsChanged(Sheet& sheet, const CellRect& rect) {
  if (nodes_.size() - 1 == dead_ || running_) return;  // no formulas
  const uint32_t sheetIndex = SheetIndex(sheet);
  if (sheetIndex >= book_.sheets.size()) return;
  if (batchDepth_ == 0) return Run({}, {{sheetIndex, rect}}, true);
  for (CellBlock& block : deferredCells_) {
    if (block.sheet != sheetIndex) continue;
    block.rect = CellRect{std::min(block.rect.r1, rect.r1), std::min(block.rect.c1, rect.c1),
                          std::max(block.rect.r2, rect.r2), std::max(block.rect.c2, rect.c2)};
    return;
  }
  deferredCells_.push_back({sheetIndex, rect});
}

void Calculation::RunDeferred() {
  if (deferredNodes_.empty() && deferredCells_.empty()) return;
  std::vector<uint32_t> nodes;
  std::vector<CellBlock> cells;
  nodes.swap(deferredNodes_);
  cells.swap(deferredCells_);
  Run(nodes, cells, true);
}

// ---- calculating ----

void Calculation::Recalculate() { Run({}, {}, true); }

void Calculation::CalculateRange(Sheet& sheet, const CellRect& rect) {
  std::vector<uint32_t> roots;
  sheet.ForEachCellIn(rect, [&](int32_t, int32_t, const Cell& cell) {
    if (Alive(cell.formula)) roots.push_back(cell.formula);
  });
  Run(roots, {}, true);
}

void Calculation::CalculateFull() {
  std::vector<uint32_t> roots;
  for (uint32_t id = 1; id < nodes_.size(); ++id)
    if (Alive(id) && !programs_[nodes_[id].program]->unknownFunction) roots.push_back(id);
  Run(roots, {}, true);
}

void Calculation::Run(const std::vector<uint32_t>& rootNodes, const std::vector<CellBlock>& rootCells,
                      bool withVolatile) {
  if (running_) return;
  running_ = true;
  // However the run ends (an exception included), the walk's marks are
  // cleared for the next one.
  struct Done {
    Calculation& c;
    ~Done() {
      for (uint32_t id : c.order_) c.marks_[id] = 0;
      for (const Frame& f : c.frames_) c.marks_[f.node] = 0;
      c.order_.clear();
      c.frames_.clear();
      c.children_.clear();
      c.running_ = false;
      ResetFunctionCaches();
    }
  } done{*this};
  ResetFunctionCaches();
  marks_.resize(nodes_.size(), 0);
  order_.clear();
  // Volatile formulas are walked first, so that they are calculated after
  // the others: what INDIRECT or OFFSET reads is not in the graph.
  for (uint32_t id : rootNodes)
    if (Alive(id) && programs_[nodes_[id].program]->isVolatile) Walk(id);
  if (withVolatile) {
    size_t kept = 0;
    for (uint32_t id : volatile_) {
      if (!Alive(id)) continue;
      volatile_[kept++] = id;
      Walk(id);
    }
    volatile_.resize(kept);
  }
  for (uint32_t id : rootNodes) Walk(id);
  std::vector<uint32_t> direct;
  for (const CellBlock& block : rootCells) {
    direct.clear();
    graph_.DependentsOf(block.sheet, block.rect, direct);
    for (uint32_t id : direct) Walk(id);
  }
  // A node is finished after everything depending on it: the reverse of
  // the finishing order puts every formula after the ones it reads.
  for (size_t i = order_.size(); i-- > 0;) {
    const uint32_t id = order_[i];
    Evaluate(id, (marks_[id] & kCircular) != 0);
  }
}

void Calculation::Walk(uint32_t root) {
  if (!Alive(root) || marks_[root]) return;
  auto push = [&](uint32_t id) {
    marks_[id] = kOnPath;
    const uint32_t begin = uint32_t(children_.size());
    const Node& node = nodes_[id];
    graph_.DependentsOf(node.sheet, CellRect{node.row, node.col, node.row, node.col}, children_);
    frames_.push_back({id, begin, begin, uint32_t(children_.size())});
  };
  push(root);
  while (!frames_.empty()) {
    Frame& top = frames_.back();
    if (top.next < top.end) {
      const uint32_t child = children_[top.next++];
      if (!Alive(child)) continue;
      if (marks_[child] == 0) {
        push(child);
      } else if (marks_[child] & kOnPath) {
        // A cycle: every formula on the path from the child to here.
        for (size_t f = frames_.size(); f-- > 0;) {
          marks_[frames_[f].node] |= kCircular;
          if (frames_[f].node == child) break;
        }
      }
      continue;
    }
    const uint32_t id = top.node;
    marks_[id] = uint8_t((marks_[id] & kCircular) | kDone);
    order_.push_back(id);
    children_.resize(top.begin);
    frames_.pop_back();
  }
}

void Calculation::Evaluate(uint32_t id, bool circular) {
  const Node& node = nodes_[id];
  if (node.sheet >= book_.sheets.size()) return;
  Sheet& sheet = *book_.sheets[node.sheet];
  const Cell* stored = sheet.Find(node.row, node.col);
  if (!stored || stored->formula != id) return;
  const Program& program = *programs_[node.program];
  Value v;
  if (circular) {
    v = Value::Number(0);
  } else if (!program.parsed) {
    if (stored->type != CellType::Empty) return;  // keeps its cached value
    v = Value::Error(ErrorValue::Name);
  } else {
    CallContext context{book_, &sheet, node.row, node.col};
    v = EvaluateFormula(program, context);
  }
  Cell* cell = sheet.FindForUpdate(node.row, node.col);
  const uint32_t style = cell->style, formula = cell->formula;
  const CellType type = cell->type;
  *cell = Cell{};
  cell->style = style;
  cell->formula = formula;
  switch (v.kind) {
    case ValueKind::Number:
      cell->type = type == CellType::Date ? CellType::Date : CellType::Number;
      cell->number = v.number;
      break;
    case ValueKind::Text:
      cell->type = CellType::Text;
      cell->text = book_.strings.Intern(v.text);
      break;
    case ValueKind::Boolean:
      cell->type = CellType::Boolean;
      cell->boolean = v.boolean;
      break;
    case ValueKind::Error:
      cell->type = CellType::Error;
      cell->error = v.error;
      break;
    default:
      cell->type = CellType::Number;
      break;
  }
}

// ---- structure ----

void Calculation::Relocate(const TextAdjuster& adjust) {
  // Every formula keeps its id; a node whose cell is gone is not met below
  // and stays dead.
  std::vector<Node> old(nodes_.size());
  old.swap(nodes_);
  dead_ = nodes_.size() - 1;
  volatile_.clear();
  graph_.Clear();
  graph_.BeginBulk();
  std::wstring text;
  for (size_t s = 0; s < book_.sheets.size() && s <= UINT16_MAX; ++s) {
    Sheet& sheet = *book_.sheets[s];
    sheet.ForEachRow([&](int32_t row) {
      sheet.ForEachCellInRow(row, [&](int32_t col, const Cell& cell) {
        const uint32_t id = cell.formula;
        if (!id || id >= old.size() || !old[id].program) return;
        const Node& was = old[id];
        const Program& program = *programs_[was.program];
        uint32_t programId = was.program;
        text = RenderFormula(program, was.row, was.col);
        const bool adjusted = adjust(sheet, text);
        if (adjusted || was.row != row || was.col != col || was.sheet != s) {
          auto compiled = program.parsed ? CompileFormula(text, row, col, book_) : nullptr;
          if (!compiled) compiled = TextOnlyProgram(text);
          programId = InternProgram(std::move(compiled));
        }
        Node& node = nodes_[id];
        node.program = programId;
        node.row = row;
        node.col = uint16_t(col);
        node.sheet = uint16_t(s);
        old[id].program = 0;  // met once
        --dead_;
        if (programs_[programId]->isVolatile) volatile_.push_back(id);
        AddEdges(id);
      });
    });
  }
  graph_.EndBulk();
  CalculateFull();
}

size_t Calculation::MemoryBytes() const {
  size_t bytes = nodes_.capacity() * sizeof(Node) + marks_.capacity() + graph_.MemoryBytes() +
                 volatile_.capacity() * sizeof(uint32_t);
  for (size_t i = 1; i < programs_.size(); ++i) {
    const Program& p = *programs_[i];
    bytes += sizeof(Program) + p.code.capacity() * sizeof(Instruction) + p.refs.capacity() * sizeof(ProgramRef) +
             p.numbers.capacity() * sizeof(double) + p.literal.capacity() * sizeof(wchar_t) +
             p.holes.capacity() * sizeof(p.holes[0]);
  }
  return bytes;
}

}  // namespace sheetwright::engine
