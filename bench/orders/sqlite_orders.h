// The orders window's reads on SQLite: the same rows in a file database
// (synchronous=FULL), every row of every result read column by column, as
// the window's lists hold them.
#pragma once

#include <sqlite3.h>

#include <string>
#include <vector>

#include "bench/sql/data_generator.h"

namespace lumi::bench {

// Which orders of a client are listed: in progress (PREDAT<>'DA') or
// delivered (PREDAT='DA'), as the window's two radio buttons choose.
enum class Listed { kInProgress, kDelivered };

class SqliteOrders {
 public:
  // Opens the database at `path`; with `d`, creates it first from its rows.
  SqliteOrders(const std::string& path, const Dataset* d);
  ~SqliteOrders();
  SqliteOrders(const SqliteOrders&) = delete;
  SqliteOrders& operator=(const SqliteOrders&) = delete;

  // The indexes the window's statements can use: Clienti(NUME) besides
  // those on the columns our tables carry tags for (CapCom's CODCLI among
  // them). With `tags_only`, the client list names Clienti NOT INDEXED,
  // which leaves it exactly the index our table has (its tag on CODCLI
  // serves no statement here).
  void SetTagsOnly(bool on) { no_index_ = on ? " NOT INDEXED" : ""; }

  struct Orders {
    int rows = 0;
    double first_order = -1;  // CODCAP of the first row, -1 when none
    double cost = 0, rest = 0;
  };
  // Every client, by name; returns the first one's CODCLI (-1 when none).
  double Clients(int* rows = nullptr);
  // One client's orders, with the sums of COST and REST walked over them.
  Orders OrdersOf(double codcli, Listed listed);
  // One order's lines, works together; returns the row count.
  int LinesOf(double codcap);

  // The window's three actions.
  void Open(Listed listed);
  Orders ClientMove(double codcli, Listed listed);  // orders, first order's lines, sums
  int OrderMove(double codcap) { return LinesOf(codcap); }

  // For the bench's own set-up, untimed: CODCLI of every client by name, and
  // CODCAP of a client's orders as listed.
  std::vector<double> ClientCodes();
  std::vector<double> OrderCodes(double codcli, Listed listed);

  // Bytes SQLite's allocator held at its highest since the last reset.
  size_t PeakBytes() const;
  void ResetPeak();

 private:
  void Exec(const std::string& sql);
  sqlite3_stmt* Prepare(const std::string& sql);
  void Load(const std::string& table, const std::vector<std::vector<dbf::Value>>& rows);
  std::string OrdersSql(double codcli, Listed listed) const;

  sqlite3* db_ = nullptr;
  std::string no_index_;
  double sink_ = 0;
};

// "12345" for a whole number, as the statements splice codes.
std::string Code(double v);

}  // namespace lumi::bench
