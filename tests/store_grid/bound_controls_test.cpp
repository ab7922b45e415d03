// Labels and memo boxes bound to a query's current row.
#include "store/DbLabel.h"
#include "store/DbMemo.h"
#include "tests/store_grid/grid_fixture.h"

namespace {

class BoundControlsTest : public GridFixture {};

TEST_F(BoundControlsTest, LabelAndMemoFollowTheCurrentRow) {
  Fill(2);
  lumi::TQuery notes;
  notes.SQL().Add("UPDATE " + Table() + " SET OBS=:param0 WHERE COD=2");
  notes.ParamByName("param0").SetAsBlob("prima linie\r\na doua linie\r\n");
  notes.ExecSQL();
  lumi::TQuery q;
  OpenAll(q);
  q.FieldByName("CANT").SetDisplayFormat("0.000");
  DbLabel cant, nume, money;
  cant.SetDataSource(&q, "CANT");
  nume.SetDataSource(&q, "NUME");
  money.SetDataSource(&q, "CANT", "0.00");
  DbMemo obs;
  obs.SetDataSource(&q, "OBS");
  EXPECT_EQ(cant.text(), "0.500");
  EXPECT_EQ(money.text(), "0.50");
  EXPECT_EQ(nume.text(), "N1");
  EXPECT_EQ(obs.toPlainText(), "");
  EXPECT_TRUE(obs.isReadOnly());

  q.Next();
  EXPECT_EQ(cant.text(), "1.000");
  EXPECT_EQ(obs.toPlainText(), "prima linie\na doua linie\n");

  q.SetFilter("(COD=3)");
  q.SetFiltered(true);
  EXPECT_EQ(nume.text(), "");
  EXPECT_EQ(obs.toPlainText(), "");
  q.SetFiltered(false);
  EXPECT_EQ(nume.text(), "N1");
  q.Close();
  EXPECT_EQ(cant.text(), "");

  // A field the query lacks shows nothing rather than failing.
  DbLabel missing;
  q.Open();
  missing.SetDataSource(&q, "LIPSA");
  EXPECT_EQ(missing.text(), "");
}

}  // namespace
