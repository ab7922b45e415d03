// Saving and removing an order line on SQLite: the statements the line entry
// and the orders window run, on the same rows in a file database
// (synchronous=FULL, a rollback journal), with the indexes equivalent to our
// tables' tags. Each action runs in one BEGIN ... COMMIT, the window's
// refresh reads with it, every row of those read column by column.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bench/sql/sqlite_db.h"

namespace lumi::bench {

// Creates dir/sqlite/lines.sqlite from the generated rows of a shop of
// `lines` order lines unless its marker says it is complete; returns its
// path. The Magazie table is in it, which the orders window's own database
// lacks. Its own folder, so that its journal coming and going does not
// touch the folder the program runs in.
std::string PrepareLinesDatabase(const std::string& dir, int lines);

class SqliteOrderLines {
 public:
  explicit SqliteOrderLines(const std::string& path) : db_(path) {}

  // What a round works on, chosen untimed from the rows.
  struct Target {
    double codcap = -1, codcli = -1;  // an order in progress and its client
    std::string work;                 // the title of one of its works
    double codmag = -1;               // a goods item in square metres with stock
    std::string item, um;
    double price = 0, stock = 0;
  };
  // An order in progress from the middle of the table on whose client has
  // another in progress before it, and the goods item in the middle of
  // those with at least `min_stock` in stock.
  Target Choose(double min_stock);

  // A line of goods as the entry saves it: the amounts as SQL text, already
  // rounded as the entry rounds them.
  struct Line {
    double codcom = 0;
    std::string quantity;  // CANT, one piece
    std::string taken;     // CANT x BUC, out of stock
    std::string price, total, length, width;
    int pieces = 1;
  };
  void Save(const Target& t, const Line& l);
  // The removal of the line `codcom` as the window runs it: the line and
  // its item read first, then everything given back.
  void Remove(const Target& t, double codcom);

  // Untimed checks: the order's lines, its totals, the work heading's total
  // and the item's stock.
  struct State {
    int lines = 0;
    double cost = 0, rest = 0, work_total = 0, stock = 0;
  };
  State StateOf(const Target& t);
  // The highest CODCOM of the order lines, and how many rows Comenzi has.
  double HighestLineCode();
  int64_t Lines();

 private:
  void AddToWork(const std::string& codcap, const std::string& work, const std::string& amount);
  void Refresh(const Target& t);

  SqliteDb db_;
};

}  // namespace lumi::bench
