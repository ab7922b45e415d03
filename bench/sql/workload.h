#pragma once

#include <memory>
#include <string>

#include "bench/sql/data_generator.h"

namespace lumi::bench {

// The program's statement mix, one entry per user action.
enum class Op {
  kWarehouseOpen,    // stock list with its filter, and the stock total
  kOrderLineSave,    // insert a line, take it from stock, add it to order and work
  kOrderLineRemove,  // the reverse of a save
  kKeyedReads,       // receipts of one order, category of one item
  kOrdersOpen,       // clients, the orders of one client, every order line
  kWorkListBuild,    // the work-in-progress scratch table and its list
  kWorkCopyBack,     // the ticks written back into the order lines
  kReportsBuild,     // the four report scratch tables and their lists
  kPeriodTotals,     // the period's totals and the rest still to collect
  kCount
};

const char* OpName(Op op);
// Keyed actions and the short warehouse list are repeated and timed per
// action; the others run once.
inline int Repeats(Op op) {
  return op == Op::kOrderLineSave || op == Op::kOrderLineRemove || op == Op::kKeyedReads ||
                 op == Op::kWarehouseOpen
             ? 20
             : 1;
}

// One engine running the mix on the same rows.
class Side {
 public:
  virtual ~Side() = default;
  // `iteration` picks the order, item and new code an action works on.
  virtual void Run(Op op, int iteration) = 0;
  // Bytes the engine's own allocator holds at its peak during the last Run,
  // or 0 when measured by the caller.
  virtual size_t PeakBytes() { return 0; }
  virtual void ResetPeak() {}
};

std::unique_ptr<Side> MakeLumiSide(const Dataset& d, const std::string& folder);
std::unique_ptr<Side> MakeSqliteSide(const Dataset& d, const std::string& folder);

// What an iteration works on, the same for both sides.
struct Pick {
  int order, item, new_code, client;
  std::string work;
};
inline Pick PickFor(const Dataset& d, int iteration) {
  Pick p;
  p.order = 1 + (iteration * 7919) % d.orders;
  p.item = 1 + (iteration * 104729) % d.items;
  p.new_code = static_cast<int>(d.comenzi.size()) + 1000 + iteration;
  p.client = 1 + (iteration * 31) % d.clients;
  p.work = "USA " + std::to_string(p.order);
  return p;
}

}  // namespace lumi::bench
