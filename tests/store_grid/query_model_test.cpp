// The grid model over a query: what each cell shows, and how it follows the
// query's opens, closes and filters without resetting the view.
#include <QAbstractItemModelTester>
#include <QFont>
#include <QSignalSpy>

#include "shell/Formats.h"
#include "store/QueryModel.h"
#include "tests/store_grid/grid_fixture.h"

namespace {

class QueryModelTest : public GridFixture {};

QString Shown(const QueryModel& m, int row, int column) {
  return m.data(m.index(row, column)).toString();
}

TEST_F(QueryModelTest, CellsShowEachFieldByItsFormat) {
  Fill(3);
  Exec("INSERT INTO " + Table() + " (COD) VALUES (4)");  // every other field NULL
  lumi::TQuery q;
  OpenAll(q);
  q.FieldByName("CANT").SetDisplayFormat("0.000");
  q.FieldByName("DATA").SetDisplayFormat("dd.MMM.yyyy");

  QueryModel m(&q);
  QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
  m.SetColumns({{.field = "COD"},
                {.field = "NUME", .title = "PRODUS", .boldTitle = true, .centredTitle = true},
                {.field = "CANT"},
                {.field = "CANT", .format = "0.00"},
                {.field = "DATA", .alignment = Qt::AlignCenter},
                {.field = "DATA", .format = "dd.MM.yyyy"},
                {.field = "GATA", .checkBox = true},
                {.field = "LIPSA"}});
  ASSERT_EQ(m.rowCount(), 4);
  ASSERT_EQ(m.columnCount(), 8);

  const QString ianuarie = Formats::DateShown(QDate(2026, 1, 5));
  struct Case {
    int row, column;
    QString text;
  };
  const Case cases[] = {
      {0, 0, "1"},      {0, 1, "N1"},         {0, 2, "0.500"}, {0, 3, "0.50"},
      {0, 4, ianuarie}, {0, 5, "05.01.2026"}, {1, 2, "1.000"}, {2, 3, "1.50"},
      {3, 1, ""},       {3, 2, ""},           {3, 4, ""},      {0, 7, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Shown(m, c.row, c.column), c.text) << "row " << c.row << " column " << c.column;
  }

  // Numbers sit right, text left, declared alignments win.
  auto align = [&](int column) {
    return m.data(m.index(0, column), Qt::TextAlignmentRole).value<Qt::Alignment>();
  };
  EXPECT_TRUE(align(2) & Qt::AlignRight);
  EXPECT_TRUE(align(1) & Qt::AlignLeft);
  EXPECT_EQ(align(4), Qt::AlignCenter);

  // A logical column is a tick, not a text.
  EXPECT_EQ(m.data(m.index(0, 6), Qt::CheckStateRole).toInt(), Qt::Unchecked);
  EXPECT_EQ(m.data(m.index(1, 6), Qt::CheckStateRole).toInt(), Qt::Checked);
  EXPECT_EQ(Shown(m, 1, 6), "");

  EXPECT_EQ(m.headerData(1, Qt::Horizontal).toString(), "PRODUS");
  EXPECT_EQ(m.headerData(0, Qt::Horizontal).toString(), "COD");
  EXPECT_TRUE(m.headerData(1, Qt::Horizontal, Qt::FontRole).value<QFont>().bold());
  EXPECT_FALSE(m.headerData(0, Qt::Horizontal, Qt::FontRole).isValid());
  EXPECT_TRUE(m.headerData(1, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>() &
              Qt::AlignHCenter);
  EXPECT_FALSE(m.flags(m.index(0, 0)) & Qt::ItemIsEditable);
}

TEST_F(QueryModelTest, FiltersAndReopeningMoveRowsWithoutResettingTheView) {
  Fill(10);
  lumi::TQuery q;
  OpenAll(q);
  QueryModel m(&q);
  m.SetColumns({{.field = "COD"}, {.field = "NUME"}});
  QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
  QSignalSpy resets(&m, &QAbstractItemModel::modelReset);
  QSignalSpy removed(&m, &QAbstractItemModel::rowsRemoved);
  QSignalSpy inserted(&m, &QAbstractItemModel::rowsInserted);
  QSignalSpy changed(&m, &QAbstractItemModel::dataChanged);

  q.SetFilter("(COD>7)");
  q.SetFiltered(true);
  EXPECT_EQ(m.rowCount(), 3);
  EXPECT_EQ(Shown(m, 0, 0), "8");
  EXPECT_EQ(removed.count(), 1);

  q.SetFilter("(COD<6)");
  EXPECT_EQ(m.rowCount(), 5);
  EXPECT_EQ(Shown(m, 4, 1), "N5");
  EXPECT_EQ(inserted.count(), 1);
  EXPECT_GE(changed.count(), 2);

  q.Close();
  EXPECT_EQ(m.rowCount(), 0);
  EXPECT_EQ(Shown(m, 0, 0), "");

  Exec("DELETE FROM " + Table() + " WHERE COD=3");
  q.Open();  // the filter still applies
  EXPECT_EQ(m.rowCount(), 4);
  EXPECT_EQ(Shown(m, 2, 0), "4");

  q.SetFiltered(false);
  EXPECT_EQ(m.rowCount(), 9);
  EXPECT_EQ(resets.count(), 0);
}

TEST_F(QueryModelTest, WithoutDeclaredColumnsEveryFieldIsAColumn) {
  Fill(2);
  lumi::TQuery q;
  q.SQL().Add("SELECT COD, NUME FROM " + Table());
  q.Open();
  QueryModel m(&q);
  QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
  ASSERT_EQ(m.columnCount(), 2);
  EXPECT_EQ(m.headerData(1, Qt::Horizontal).toString(), "NUME");

  // Closing keeps the columns; another set of fields replaces them.
  q.Close();
  EXPECT_EQ(m.columnCount(), 2);
  q.SQL().Clear();
  q.SQL().Add("SELECT NUME, CANT, COD FROM " + Table() + " ORDER BY COD DESC");
  q.Open();
  ASSERT_EQ(m.columnCount(), 3);
  EXPECT_EQ(m.headerData(2, Qt::Horizontal).toString(), "COD");
  EXPECT_EQ(Shown(m, 0, 0), "N2");
  EXPECT_EQ(Shown(m, 0, 1), "1");
}

TEST_F(QueryModelTest, CalculatedFieldsShowLikeDataFields) {
  Fill(3);
  lumi::TQuery q;
  q.SQL().Add("SELECT * FROM " + Table() + " ORDER BY COD");
  q.AddCalcField("ETICHETA", lumi::FieldKind::kText, 30);
  q.SetOnCalcFields([](lumi::TQuery& x) {
    x.FieldByName("ETICHETA").SetAsString("#" + x.FieldByName("COD").AsString());
  });
  q.Open();
  QueryModel m(&q);
  m.SetColumns({{.field = "ETICHETA"}, {.field = "NUME"}});
  EXPECT_EQ(Shown(m, 2, 0), "#3");
  q.SetFilter("(ETICHETA='#2')");
  q.SetFiltered(true);
  ASSERT_EQ(m.rowCount(), 1);
  EXPECT_EQ(Shown(m, 0, 1), "N2");
}

}  // namespace
