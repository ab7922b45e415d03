// Receipts and the work-in-progress list on SQLite: the statements the
// payments window and the work window run, on the same rows in a file
// database (synchronous=FULL, a rollback journal), with the indexes
// equivalent to our tables' tags. Every row read is read column by column,
// as the windows' lists hold them.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "bench/sql/sqlite_db.h"

namespace lumi::bench {

// Creates dir/sqlite_pw/shop.sqlite unless its marker says it is complete:
// bench_order_lines' database of that size (PrepareLinesDatabase) with the
// receipts of the generated shop added, Plati tagged as ours is (CODCLI,
// CODCAP). Returns its path.
std::string PreparePaymentsWorkDatabase(const std::string& dir, int lines);

class SqlitePaymentsWork {
 public:
  explicit SqlitePaymentsWork(const std::string& path);

  // ---- receipts ----
  struct Order {
    double codcap = -1, codcli = -1, rest = 0;
  };
  // An order in progress from the middle of the table with at least
  // `min_rest` left to collect.
  Order ChooseOrder(double min_rest);
  // As the payments window saves one: the receipt and the order's REST in
  // one BEGIN ... COMMIT with the receipt list read again.
  void AddReceipt(const Order& o, double codpl, const std::string& date, const std::string& amount,
                  const std::string& doc);
  void DeleteReceipt(const Order& o, double codpl, const std::string& amount);
  // Untimed checks: the order's REST and its receipts.
  std::pair<double, int> ReceiptState(const Order& o);
  double HighestReceiptCode();
  int64_t Receipts();

  // ---- the work-in-progress list ----
  // Builds the scratch table Lucru of the goods lines of open orders as the
  // window does (order by order through the CODCAP index, a goods test per
  // item remembered, inserted 200 rows a statement in one change, the done
  // ones ticked) and reads it whole by CODCOM; returns the rows listed.
  int OpenWork();
  void FlipTick(double codcom);  // as a double click, the list not read again
  // The ticks copied back into the listed lines and the touched works'
  // headings set again, in one BEGIN ... COMMIT.
  void SaveWork();
  void CloseWork();  // the scratch table dropped
  // Goods lines of works of open orders, `n` of them spread over the orders.
  std::vector<double> ChooseWorkLines(int n);
  // Untimed check: EXECUTAT of these lines and of their works' headings.
  std::string WorkState(const std::vector<double>& codcoms);

 private:
  void ListReceipts(const Order& o);
  void ListWork();

  SqliteDb db_;
  // The work of each listed line, by CODCOM: its order and its title.
  std::map<double, std::pair<double, std::string>> works_;
};

}  // namespace lumi::bench
