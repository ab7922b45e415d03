// The data grid as a person uses it: its current row and the query's current
// row follow each other, titles report clicks, and a large list shows its
// first screen without reading the rest.
#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <set>

#include "store/DbGrid.h"
#include "tests/store_grid/grid_fixture.h"

namespace {

class DbGridTest : public GridFixture {
 protected:
  void Show(DbGrid& grid) {
    grid.resize(500, 300);
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
  }
  static QPoint RowPoint(DbGrid& grid, int row) {
    return grid.visualRect(grid.model()->index(row, 1)).center();
  }
  static int GridRow(DbGrid& grid) {
    return grid.currentIndex().isValid() ? grid.currentIndex().row() : -1;
  }
  static int SelectedRow(DbGrid& grid) {
    const auto rows = grid.selectionModel()->selectedRows();
    return rows.size() == 1 ? rows.front().row() : -1;
  }
};

TEST_F(DbGridTest, CurrentRowFollowsTheQueryBothWays) {
  Fill(20);
  lumi::TQuery q;
  int scrolls = 0;
  q.SetAfterScroll([&](lumi::TQuery&) { ++scrolls; });
  OpenAll(q);
  DbGrid grid;
  grid.SetColumns({{.field = "COD"}, {.field = "NUME"}});
  grid.SetQuery(&q);
  Show(grid);
  EXPECT_EQ(GridRow(grid), 0);
  EXPECT_EQ(SelectedRow(grid), 0);

  // The window locates a row: the grid goes there.
  ASSERT_TRUE(q.Locate("COD", "15"));
  EXPECT_EQ(GridRow(grid), 14);
  EXPECT_EQ(SelectedRow(grid), 14);

  // The user clicks a row: the query goes there and runs its after-scroll.
  ASSERT_TRUE(q.Locate("COD", "2"));
  scrolls = 0;
  QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, RowPoint(grid, 4));
  EXPECT_EQ(q.RecNo(), 4);
  EXPECT_EQ(q.FieldByName("COD").AsString(), "5");
  EXPECT_EQ(scrolls, 1);
  EXPECT_EQ(SelectedRow(grid), 4);

  // Keys move both.
  QTest::keyClick(&grid, Qt::Key_Down);
  EXPECT_EQ(q.FieldByName("COD").AsString(), "6");
  QTest::keyClick(&grid, Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(q.RecNo(), 19);

  // A filter puts the query on its first row, and the grid with it.
  q.SetFilter("(COD>10)");
  q.SetFiltered(true);
  EXPECT_EQ(GridRow(grid), 0);
  EXPECT_EQ(q.RecNo(), 0);
  EXPECT_EQ(grid.model()->rowCount(), 10);

  // Nothing to show, nothing selected.
  q.SetFilter("(COD>100)");
  EXPECT_EQ(SelectedRow(grid), -1);
  q.Close();
  EXPECT_EQ(grid.model()->rowCount(), 0);
}

TEST_F(DbGridTest, ReopeningKeepsColumnWidths) {
  Fill(5);
  lumi::TQuery q;
  OpenAll(q);
  DbGrid grid;
  grid.SetColumns({{.field = "COD", .width = 40}, {.field = "NUME", .width = 170}});
  grid.SetQuery(&q);
  Show(grid);
  EXPECT_EQ(grid.columnWidth(1), 170);
  grid.setColumnWidth(0, 90);  // the user drags the first column wider
  q.Close();
  Exec("INSERT INTO " + Table() + " (COD, NUME) VALUES (6, \"N6\")");
  q.Open();
  ASSERT_TRUE(q.Locate("COD", "6"));
  EXPECT_EQ(grid.columnWidth(0), 90);
  EXPECT_EQ(grid.columnWidth(1), 170);
  EXPECT_EQ(GridRow(grid), 5);
}

TEST_F(DbGridTest, DisabledControlsHoldTheGridUntilEnabledAgain) {
  Fill(12);
  lumi::TQuery q;
  OpenAll(q);
  DbGrid grid;
  grid.SetColumns({{.field = "COD"}, {.field = "NUME"}});
  grid.SetQuery(&q);
  Show(grid);

  q.DisableControls();
  q.SetFilter("(COD>4)");
  q.SetFiltered(true);
  q.Next();
  q.Next();
  EXPECT_EQ(grid.model()->rowCount(), 12);  // unchanged while disabled
  EXPECT_EQ(GridRow(grid), 0);
  grid.viewport()->repaint();  // painting a stale row count must not fail
  q.EnableControls();
  EXPECT_EQ(grid.model()->rowCount(), 8);
  EXPECT_EQ(GridRow(grid), 2);
  EXPECT_EQ(grid.model()->index(2, 0).data().toString(), "7");
}

TEST_F(DbGridTest, TitleClicksAreReportedOnlyWhenTitlesAreClickable) {
  Fill(3);
  lumi::TQuery q;
  OpenAll(q);
  DbGrid grid;
  grid.SetColumns({{.field = "COD"}, {.field = "NUME"}});
  grid.SetQuery(&q);
  Show(grid);
  QSignalSpy clicks(&grid, &DbGrid::TitleClick);
  QHeaderView* titles = grid.horizontalHeader();
  const QPoint second(titles->sectionViewportPosition(1) + 10, titles->height() / 2);

  QTest::mouseClick(titles->viewport(), Qt::LeftButton, {}, second);
  EXPECT_EQ(clicks.count(), 0);

  grid.SetTitlesClickable(true);
  QTest::mouseClick(titles->viewport(), Qt::LeftButton, {}, second);
  ASSERT_EQ(clicks.count(), 1);
  EXPECT_EQ(clicks[0][0].toInt(), 1);
  EXPECT_EQ(clicks[0][1].toString(), "NUME");
  EXPECT_EQ(q.RecNo(), 0);  // a title click does not move the query
}

// Records which rows the view asked for.
class CountingModel : public QueryModel {
 public:
  CountingModel() : QueryModel(nullptr) {}
  QVariant data(const QModelIndex& index, int role) const override {
    if (role == Qt::DisplayRole) rows.insert(index.row());
    return QueryModel::data(index, role);
  }
  mutable std::set<int> rows;
};

TEST_F(DbGridTest, ShowingAScreenReadsOnlyTheRowsOnIt) {
  FillMany(4096);
  lumi::TQuery q;
  OpenAll(q);
  auto* model = new CountingModel;
  DbGrid grid(model, nullptr);
  grid.SetColumns({{.field = "COD"}, {.field = "NUME"}, {.field = "CANT"}});
  grid.SetQuery(&q);
  Show(grid);
  QApplication::processEvents();
  ASSERT_FALSE(model->rows.empty());
  EXPECT_LT(*model->rows.rbegin(), 60);

  model->rows.clear();
  q.Last();
  QApplication::processEvents();
  grid.viewport()->repaint();
  EXPECT_EQ(GridRow(grid), 4095);
  ASSERT_FALSE(model->rows.empty());
  EXPECT_GT(*model->rows.begin(), 4000);
}

}  // namespace

// A picture of a grid with bold, centred titles and a column of ticks, for
// looking at by eye: written only when LUMI_SCREENSHOT_DIR names a folder.
TEST_F(DbGridTest, GalleryPicture) {
  const QString folder = qEnvironmentVariable("LUMI_SCREENSHOT_DIR");
  if (folder.isEmpty()) GTEST_SKIP() << "LUMI_SCREENSHOT_DIR not set";
  Fill(12);
  lumi::TQuery q;
  OpenAll(q);
  q.FieldByName("CANT").SetDisplayFormat("0.000");
  q.FieldByName("DATA").SetDisplayFormat("dd.MMM.yyyy");
  DbGrid grid;
  grid.SetColumns(
      {{.field = "GATA",
        .title = "GATA",
        .alignment = Qt::AlignCenter,
        .boldTitle = true,
        .centredTitle = true,
        .checkBox = true,
        .width = 50},
       {.field = "DATA", .title = "TERMEN", .boldTitle = true, .centredTitle = true, .width = 100},
       {.field = "NUME", .title = "PRODUS", .boldTitle = true, .centredTitle = true, .width = 160},
       {.field = "CANT", .title = "CANT.", .boldTitle = true, .centredTitle = true, .width = 80}});
  grid.SetQuery(&q);
  Show(grid);
  q.MoveTo(3);
  grid.grab().save(folder + "/grila.png");
}
