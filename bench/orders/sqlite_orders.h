// The orders window's reads on SQLite: the same rows in a file database
// (synchronous=FULL), every row of every result read column by column, as
// the window's lists hold them.
#pragma once

#include <string>
#include <vector>

#include "bench/orders/sql_literals.h"
#include "bench/sql/data_generator.h"
#include "bench/sql/sqlite_db.h"

namespace lumi::bench {

// Which orders of a client are listed: in progress (PREDAT<>'DA') or
// delivered (PREDAT='DA'), as the window's two radio buttons choose.
enum class Listed { kInProgress, kDelivered };

// Writes the database at `path` anew from the rows of `d`: CapCom, Comenzi
// and Clienti, with the indexes of our tables' tags and Clienti(NUME).
void CreateOrdersDatabase(const std::string& path, const Dataset& d);

class SqliteOrders {
 public:
  explicit SqliteOrders(const std::string& path) : db_(path) {}

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

 private:
  std::string OrdersSql(double codcli, Listed listed) const;

  SqliteDb db_;
  std::string no_index_;
};

}  // namespace lumi::bench
