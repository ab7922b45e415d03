// A folder with one small stock table, and a query on it, for the grid tests.
#pragma once

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <string>

#include "engine/query.h"

class GridFixture : public ::testing::Test {
 protected:
  void SetUp() override;

  // The table's path between double quotes, as statements name it.
  std::string Table() const;
  void Exec(const std::string& sql);
  // Adds `count` rows COD 1..count, NUME "N<cod>", CANT cod/2, DATA, GATA for even codes.
  void Fill(int count);
  // At least `count` rows, COD 1.. in order, made by doubling the table.
  void FillMany(int count);
  // Opens q on "SELECT * FROM <table> ORDER BY COD".
  void OpenAll(lumi::TQuery& q);

  QTemporaryDir dir_;
};
