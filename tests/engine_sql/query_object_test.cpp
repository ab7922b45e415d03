// The query objects as the windows use them: navigation, bookmarks, Locate,
// filters on an open result, calculated fields, after-scroll, master and
// detail queries, controls disabled; and the table object.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "engine/dbf/journal.h"
#include "engine/error.h"
#include "engine/query.h"
#include "engine/sql/executor.h"

namespace lumi {
namespace {

class QueryObjects : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = (std::filesystem::temp_directory_path() /
               ("lumi_query_" + std::to_string(getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name()))
                  .string();
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    session_.SetBaseFolder(folder_);
    Run("CREATE TABLE \"Clienti.dbf\" (CODCLI DECIMAL(10,0), NUME CHAR(40), OBS BLOB(1,1))");
    Run("INSERT INTO \"Clienti.dbf\" VALUES (1, \"POPESCU\", NULL), (2, \"IONESCU\", NULL),"
        " (3, \"ionel\", NULL)");
    Run("CREATE TABLE \"CapCom.dbf\" (CODCAP DECIMAL(10,0), CODCLI DECIMAL(10,0), "
        "PREDAT CHAR(2), DATA DATE, REST DECIMAL(8,2))");
    Run("INSERT INTO \"CapCom.dbf\" VALUES (10, 1, \"NU\", \"01.12.2026\", 5),"
        " (11, 1, \"DA\", \"02.12.2026\", 0), (12, 2, \"NU\", \"03.12.2026\", 7.5)");
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  void Run(const std::string& sql) { sql::ExecuteText(session_, sql); }
  void SetSql(TQuery& q, std::initializer_list<std::string> lines) {
    q.SQL().Clear();
    for (const auto& l : lines) q.SQL().Add(l);
  }

  Session session_;
  std::string folder_;
};

TEST_F(QueryObjects, NavigatesTheRowsAndReadsFieldsOfEveryKind) {
  TQuery q(&session_);
  SetSql(q, {"SELECT * FROM \"CapCom.dbf\"", "ORDER BY CODCAP"});
  q.Open();
  ASSERT_TRUE(q.Active());
  EXPECT_EQ(q.RecordCount(), 3);
  EXPECT_FALSE(q.Eof());
  EXPECT_EQ(q.FieldByName("CODCAP").AsInteger(), 10);
  EXPECT_EQ(q.FieldByName("codcap").AsString(), "10");
  EXPECT_EQ(q.FieldByName("DATA").AsString(), "01.12.2026");
  EXPECT_EQ(q.FieldByName("DATA").AsDateTime(), (dbf::Date{2026, 12, 1}));
  EXPECT_EQ(q.FieldByName("PREDAT").Kind(), FieldKind::kText);
  EXPECT_EQ(q.FieldByName("REST").Kind(), FieldKind::kFloat);
  q.Next();
  q.Next();
  EXPECT_DOUBLE_EQ(q.FieldByName("REST").AsFloat(), 7.5);
  EXPECT_EQ(q.FieldByName("REST").AsString(), "7.5");
  EXPECT_FALSE(q.Eof());
  q.Next();
  EXPECT_TRUE(q.Eof());
  EXPECT_EQ(q.FieldByName("CODCAP").AsInteger(), 12);  // stays on the last row
  q.First();
  q.Prior();
  EXPECT_TRUE(q.Bof());
  EXPECT_EQ(q.FindField("NIMIC"), nullptr);
  EXPECT_THROW(q.FieldByName("NIMIC"), EngineError);
  // Changing the text closes the query.
  q.SQL().Set(1, "ORDER BY CODCAP DESC");
  EXPECT_FALSE(q.Active());
  q.Open();
  EXPECT_EQ(q.FieldByName("CODCAP").AsInteger(), 12);
}

TEST(SessionPaths, BackslashesSeparateFoldersAndRelativePathsStartAtTheBase) {
  Session s;
  EXPECT_EQ(s.ResolvePath("Data\\Magazie.dbf"), "Data/Magazie.dbf");
  s.SetBaseFolder("/srv/lumi\\");
  EXPECT_EQ(s.ResolvePath("Data\\Magazie.dbf"), "/srv/lumi/Data/Magazie.dbf");
  EXPECT_EQ(s.ResolvePath("/var/x.dbf"), "/var/x.dbf");
  EXPECT_EQ(s.ResolvePath("C:\\Lumi\\Data\\Magazie.dbf"), "C:/Lumi/Data/Magazie.dbf");
}

TEST_F(QueryObjects, SumOverNoRowsReadsZeroAndEmptyResultIsEmpty) {
  TQuery q(&session_);
  SetSql(q, {"SELECT SUM(REST) AS TOTAL", "FROM \"CapCom.dbf\"", "WHERE REST>100"});
  q.Open();
  EXPECT_EQ(q.RecordCount(), 1);
  EXPECT_TRUE(q.FieldByName("TOTAL").IsNull());
  EXPECT_EQ(q.FieldByName("TOTAL").AsFloat(), 0);
  EXPECT_EQ(q.FieldByName("TOTAL").AsString(), "");
  SetSql(q, {"SELECT * FROM \"CapCom.dbf\" WHERE CODCAP=99"});
  q.Open();
  EXPECT_TRUE(q.IsEmpty());
  EXPECT_TRUE(q.Eof());
  EXPECT_EQ(q.RecNo(), -1);
  EXPECT_EQ(q.FieldByName("CODCAP").AsInteger(), 0);
}

TEST_F(QueryObjects, PlainTableReadGivesItsFieldsAndThenItsRows) {
  TQuery q(&session_);
  SetSql(q, {"SELECT * FROM \"Clienti.dbf\""});
  q.Open();
  EXPECT_TRUE(q.Active());
  EXPECT_NE(q.FindField("NUME"), nullptr);
  EXPECT_EQ(q.FindField("BUC"), nullptr);
  EXPECT_EQ(q.RecordCount(), 3);
  EXPECT_EQ(q.FieldByName("NUME").AsString(), "POPESCU");
  q.Next();
  EXPECT_EQ(q.RecNo(), 1);
  EXPECT_EQ(q.FieldByName("CODCLI").AsInteger(), 2);
  // A field pointer kept by a window stays usable across Close and Open.
  TField* name = q.FindField("NUME");
  name->SetDisplayFormat("@");
  q.Close();
  EXPECT_TRUE(name->IsNull());
  SetSql(q, {"SELECT NUME FROM \"Clienti.dbf\" WHERE CODCLI=3"});
  q.Open();
  EXPECT_EQ(q.FindField("NUME"), name);
  EXPECT_EQ(name->AsString(), "ionel");
  EXPECT_EQ(name->DisplayFormat(), "@");
}

TEST_F(QueryObjects, OpenAndExecSqlRefuseTheOtherKindOfStatement) {
  TQuery q(&session_);
  SetSql(q, {"DELETE FROM \"CapCom.dbf\""});
  EXPECT_THROW(q.Open(), EngineError);
  SetSql(q, {"SELECT * FROM \"CapCom.dbf\""});
  EXPECT_THROW(q.ExecSQL(), EngineError);
  SetSql(q, {"UPDATE \"CapCom.dbf\" SET REST=0 WHERE CODCLI=1"});
  q.ExecSQL();
  EXPECT_EQ(q.RowsAffected(), 2);
}

TEST_F(QueryObjects, FilterAppliesToTheOpenResultAndLocateFindsRows) {
  TQuery q(&session_);
  int scrolls = 0;
  q.SetAfterScroll([&](TQuery&) { ++scrolls; });
  SetSql(q, {"SELECT * FROM \"Clienti.dbf\"", "ORDER BY NUME"});
  q.Open();
  EXPECT_GE(scrolls, 1);
  EXPECT_EQ(q.FieldByName("NUME").AsString(), "IONESCU");
  // Delete a row behind the query: the open result does not change.
  Run("DELETE FROM \"Clienti.dbf\" WHERE CODCLI=2");
  q.SetFilter("(NUME='POP*')");
  EXPECT_EQ(q.RecordCount(), 3);  // not switched on yet
  q.SetFiltered(true);
  EXPECT_EQ(q.RecordCount(), 1);
  EXPECT_EQ(q.FieldByName("CODCLI").AsInteger(), 1);
  // A filter that does not parse keeps the previous one.
  EXPECT_THROW(q.SetFilter("(NUME='POP"), EngineError);
  EXPECT_EQ(q.Filter(), "(NUME='POP*')");
  EXPECT_EQ(q.RecordCount(), 1);
  EXPECT_THROW(q.SetFilter("(NUMELE='X')"), EngineError);
  q.SetFilter("");
  EXPECT_EQ(q.RecordCount(), 3);
  // Locate: exact, and case-insensitive prefix.
  EXPECT_TRUE(q.Locate("CODCLI", "3"));
  EXPECT_EQ(q.FieldByName("NUME").AsString(), "ionel");
  EXPECT_FALSE(q.Locate("NUME", "ion"));
  EXPECT_EQ(q.FieldByName("CODCLI").AsInteger(), 3);  // stays
  EXPECT_TRUE(q.Locate("NUME", "ion", {true, true}));
  EXPECT_EQ(q.FieldByName("NUME").AsString(), "IONESCU");
  // Bookmarks survive a filter change but not a filtered-out row.
  TQuery::TBookmark b = q.GetBookmark();
  q.Last();
  EXPECT_TRUE(q.GotoBookmark(b));
  EXPECT_EQ(q.FieldByName("NUME").AsString(), "IONESCU");
  q.SetFilter("CODCLI<>2");
  EXPECT_FALSE(q.GotoBookmark(b));
}

TEST_F(QueryObjects, CalculatedFieldsAreFilledByTheCallbackForEveryRow) {
  TQuery q(&session_);
  q.AddCalcField("ETICHETA", FieldKind::kText, 60);
  q.SetOnCalcFields([](TQuery& self) {
    self.FieldByName("ETICHETA")
        .SetAsString(self.FieldByName("PREDAT").AsString() == "DA" ? "" : "DE FACUT");
  });
  SetSql(q, {"SELECT * FROM \"CapCom.dbf\" ORDER BY CODCAP"});
  q.Open();
  EXPECT_TRUE(q.FieldByName("ETICHETA").Calculated());
  EXPECT_EQ(q.FieldByName("ETICHETA").AsString(), "DE FACUT");
  q.Next();
  EXPECT_EQ(q.FieldByName("ETICHETA").AsString(), "");
  EXPECT_THROW(q.FieldByName("ETICHETA").SetAsString("x"), EngineError);
  q.SetFilter("ETICHETA='DE*'");
  q.SetFiltered(true);
  EXPECT_EQ(q.RecordCount(), 2);
}

TEST_F(QueryObjects, DetailFollowsItsMasterExceptWhileControlsAreDisabled) {
  TQuery clients(&session_);
  TQuery orders(&session_);
  SetSql(clients, {"SELECT * FROM \"Clienti.dbf\"", "ORDER BY NUME"});
  SetSql(orders, {"SELECT * FROM \"CapCom.dbf\" Z", "WHERE Z.CODCLI=:CODCLI"});
  orders.SetDataSource(&clients);
  clients.Open();
  orders.Prepare();
  orders.Open();
  EXPECT_EQ(clients.FieldByName("CODCLI").AsInteger(), 2);  // IONESCU first
  EXPECT_EQ(orders.RecordCount(), 1);
  int notices = 0;
  clients.AddListener([&](QueryEvent) { ++notices; });
  clients.Next();  // POPESCU
  EXPECT_EQ(orders.RecordCount(), 2);
  EXPECT_EQ(notices, 1);
  clients.DisableControls();
  clients.Next();  // ionel: the detail does not follow yet
  EXPECT_EQ(orders.RecordCount(), 2);
  clients.EnableControls();
  EXPECT_EQ(orders.RecordCount(), 0);
  EXPECT_EQ(notices, 2);
  // A closed master gives NULL parameters: nothing matches.
  clients.Close();
  orders.Open();
  EXPECT_TRUE(orders.IsEmpty());
  // A master that goes first leaves its detail without a master, and tells
  // its listeners it is gone.
  auto master = std::make_unique<TQuery>(&session_);
  orders.SetDataSource(master.get());
  bool told = false;
  master->AddListener([&](QueryEvent e) { told = e == QueryEvent::kDestroyed; });
  master.reset();
  EXPECT_EQ(orders.DataSource(), nullptr);
  EXPECT_TRUE(told);
}

TEST_F(QueryObjects, BinaryParameterStoresMemoText) {
  TQuery q(&session_);
  SetSql(q, {"UPDATE \"Clienti.dbf\"", "SET OBS=:param0", "WHERE CODCLI=1"});
  q.ParamByName("param0").SetAsBlob("rand 1\r\nrand 2\r\n");
  q.ExecSQL();
  SetSql(q, {"SELECT OBS FROM \"Clienti.dbf\" WHERE CODCLI=1"});
  q.Open();
  EXPECT_EQ(q.FieldByName("OBS").Kind(), FieldKind::kMemo);
  EXPECT_EQ(q.FieldByName("OBS").AsString(), "rand 1\r\nrand 2\r\n");
}

TEST_F(QueryObjects, StatementsJoinAJournalTheCallerHolds) {
  TQuery q(&session_);
  {
    dbf::Journal outer;
    SetSql(q, {"UPDATE \"CapCom.dbf\" SET REST=1 WHERE CODCAP=10"});
    q.ExecSQL();
    SetSql(q, {"UPDATE \"CapCom.dbf\" SET REST=REST/0 WHERE CODCAP=11"});
    EXPECT_THROW(q.ExecSQL(), EngineError);
    // destroyed without Commit: both statements are undone
  }
  SetSql(q, {"SELECT REST FROM \"CapCom.dbf\" WHERE CODCAP=10"});
  q.Open();
  EXPECT_EQ(q.FieldByName("REST").AsFloat(), 5);
}

TEST_F(QueryObjects, TableObjectPacksOnlyWhenExclusive) {
  Run("DELETE FROM \"Clienti.dbf\" WHERE CODCLI=2");
  TTable t(&session_);
  t.SetTableName(folder_ + "\\Clienti.dbf");
  t.Open();
  EXPECT_THROW(t.Pack(), EngineError);
  t.Close();
  t.SetExclusive(true);
  t.Open();
  TTable other(&session_);
  other.SetTableName(folder_ + "/CLIENTI.DBF");
  other.SetExclusive(true);
  EXPECT_THROW(other.Open(), EngineError);
  t.Pack();
  t.Close();
  TQuery q(&session_);
  SetSql(q, {"SELECT CODCLI FROM \"Clienti.dbf\""});
  q.Open();
  EXPECT_EQ(q.RecordCount(), 2);
}

// A scratch table deleted behind the session's back (as the windows delete
// theirs) is created again under its name, in any case, while the tables the
// session keeps open stay usable.
TEST_F(QueryObjects, AScratchTableDeletedOnDiskIsCreatedAgain) {
  TQuery q(&session_);
  for (const char* name : {"Lucru.dbf", "LUCRU.DBF", "lucru.dbf"}) {
    SCOPED_TRACE(name);
    for (const char* old : {"Lucru.dbf", "LUCRU.DBF"}) std::filesystem::remove(folder_ + "/" + old);
    Run(std::string("CREATE TABLE \"") + name + "\" (CODCOM DECIMAL(10,0), EXECUTAT CHAR(2))");
    Run("INSERT INTO \"Lucru.dbf\" SELECT CODCAP, PREDAT FROM \"CapCom.dbf\"");
    SetSql(q, {"SELECT * FROM \"Lucru.dbf\" L, \"CapCom.dbf\" C WHERE L.CODCOM=C.CODCAP"});
    q.Open();
    EXPECT_EQ(q.RecordCount(), 3);
    q.Close();
  }
  EXPECT_THROW(Run("CREATE TABLE \"LUCRU.dbf\" (A CHAR(1))"), EngineError);  // it exists
}

}  // namespace
}  // namespace lumi
