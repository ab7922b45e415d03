// The sample shop with a few more stock items, and helpers that work in the
// orders window and its line entry as a person would: choose a client, an
// order and a line, type a line into the entry and save it, delete, mark.
#pragma once

#include <QString>

#include "tests/orders/orders_fixture.h"

class TForm7;
class TForm41;

namespace orders_test {

// Items added to the sample shop (codes 5 to 9).
constexpr int kProfil = 5;    // goods by running metre, LATIME 0.125
constexpr int kGeamMic = 6;   // goods by square metre, 6.000 in stock at 10.00
constexpr int kSilicon = 7;   // auxiliary material, 100.00 left
constexpr int kMontaj = 8;    // labour at 25.00
constexpr int kSticla = 9;    // goods, 0.300 in stock
constexpr int kGeam4 = 1, kOglinda = 2, kChit = 3, kTransport = 4;

// What a person types into the line entry; empty boxes are left as they are
// except the product and the title, which are always typed.
struct Entry {
  QString titlu = {};
  QString produs = {};
  QString cant = {};
  int buc = 1;
  QString lung = {}, lat = {};
};

class LinesTest : public OrdersTest {
 protected:
  void SetUp() override;

  TForm7* F() const;
  TForm41* E() const;

  // Types the entry into the open line entry.
  void Type(const Entry& e);
  // "Adauga produs", the entry typed and saved; the entry must close.
  void Save(const Entry& e);
  // The same, refused with `message` at the control `control`; then RENUNT.
  void SaveRefused(const Entry& e, const QString& message, const QString& control);
  // "Sterge produs" on the current row, answered `answer`; returns the question.
  QString DeleteCurrent(const QString& answer = "DA");
  // The pop-up item on the current row, as a right click and a choice.
  void Mark();

  const Line* LineOnDisk(int codcom) const;
  const Item* ItemOnDisk(int codmag) const;
  const Order* OrderOnDisk(int codcap) const;
  // The code of the line saved last (the highest CODCOM).
  int LastLine() const;


 private:
  mutable std::vector<Line> lines_;
  mutable std::vector<Item> items_;
  mutable std::vector<Order> orders_;
};

}  // namespace orders_test
