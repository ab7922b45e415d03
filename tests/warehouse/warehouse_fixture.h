// The program's windows over a scratch program folder whose Data holds an
// empty Magazie.dbf; helpers to seed stock items, read them back from disk
// and work inside the warehouse window and its entry dialog.
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <vector>

class TForm6;
class TForm38;

namespace warehouse_test {

// One row of Magazie.dbf, as read back.
struct Item {
  int cod = 0;
  QString datain = {};  // dd.MM.yyyy
  QString furnizor = {}, denumire = {}, um = {};
  double cantin = 0, latime = 0, pret = 0, stoc = 0, iesit = 0;
  int tip = 0;
};

class WarehouseTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  QString TablePath() const;  // CaleData\Magazie.dbf
  // Inserts an item as it stands (its cod included) and moves the code
  // counter past it.
  void Seed(const Item& item);
  std::vector<Item> OnDisk() const;
  // The names listed by the grid, top to bottom.
  QStringList Listed() const;

  // Opens the warehouse through its operation, runs `steps` in it, then
  // closes it with ESC.
  void InWarehouse(const std::function<void()>& steps);
  // Clicks `button` of the warehouse and runs `steps` in the entry dialog it
  // opens; `steps` must close the dialog.
  void InEntry(const QString& button, const std::function<void(TForm38*)>& steps);
  // The text and the control of the input-error balloon last shown.
  QString BalloonText() const;
  QWidget* BalloonControl() const;

  QTemporaryDir dir_;
};

}  // namespace warehouse_test
