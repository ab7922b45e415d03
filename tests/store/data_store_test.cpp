#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "engine/query.h"
#include "store/DataStore.h"
#include "tests/store/dbase_readers.h"

namespace {

using readers::Column;

// The tables as other dBase software must read them, column by column.
const std::vector<std::pair<QString, QList<Column>>> kTables = {
    {"Magazie.dbf",
     {{"CODMAG", "N", 10, 0},
      {"DATAIN", "D", 8, 0},
      {"FURNIZOR", "C", 40, 0},
      {"DENUMIRE", "C", 40, 0},
      {"UM", "C", 3, 0},
      {"CANTIN", "N", 8, 3},
      {"LATIME", "N", 6, 3},
      {"PRET", "N", 8, 2},
      {"STOC", "N", 8, 3},
      {"IESIT", "N", 8, 3},
      {"TIP", "N", 2, 0}}},
    {"CapCom.dbf",
     {{"CODCAP", "N", 10, 0},
      {"DATA", "D", 8, 0},
      {"TERMEN", "D", 8, 0},
      {"PREDAT", "C", 2, 0},
      {"CODCLI", "N", 10, 0},
      {"COST", "N", 8, 2},
      {"REST", "N", 8, 2}}},
    {"Comenzi.dbf",
     {{"CODCAP", "N", 10, 0},
      {"CODCOM", "N", 10, 0},
      {"CODMAG", "N", 10, 0},
      {"DENUMIRE", "C", 40, 0},
      {"UM", "C", 3, 0},
      {"CANT", "N", 8, 3},
      {"PRET", "N", 8, 2},
      {"TOTAL", "N", 8, 2},
      {"EXECUTAT", "C", 2, 0},
      {"LUNG", "N", 8, 3},
      {"LAT", "N", 8, 3},
      {"TITLU", "C", 60, 0},
      {"BUC", "N", 6, 0}}},
    {"Clienti.dbf",
     {{"CODCLI", "N", 10, 0},
      {"NUME", "C", 40, 0},
      {"ADRESA", "C", 120, 0},
      {"TEL", "C", 10, 0},
      {"CF", "C", 12, 0},
      {"OBS", "M", 10, 0}}},
    {"Plati.dbf",
     {{"CODPL", "N", 10, 0},
      {"CODCAP", "N", 10, 0},
      {"CODCLI", "N", 10, 0},
      {"DATA", "D", 8, 0},
      {"DOCJUS", "C", 40, 0},
      {"SUMA", "N", 8, 2}}},
};

const std::map<QString, QStringList> kTags = {
    {"Magazie.dbf", {"CODMAG", "DENUMIRE", "TIP"}},
    {"CapCom.dbf", {"CODCAP", "CODCLI"}},
    {"Comenzi.dbf", {"CODCAP", "CODCOM", "TITLU"}},
    {"Clienti.dbf", {"CODCLI"}},
    {"Plati.dbf", {"CODCLI", "CODCAP", "CODPL"}},
};

class DataStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(QDir(dir_.path()).mkdir("Data"));
    // Each statement once: the pack on Sursa leaves Sx as it was.
    hooks_.processMessages = [this] {
      const QString text = QString::fromStdString(sx_.SQL().Text());
      if (!text.isEmpty() && (statements_.isEmpty() || statements_.last() != text))
        statements_ << text;
    };
    hooks_.status = [this](const QString& s) { statuses_ << s; };
    hooks_.progress = [this](std::uint16_t p) { progress_ << p; };
  }
  QString Data() const { return dir_.filePath("Data"); }
  QString Path(const QString& file) const { return Data() + "/" + file; }
  QString Mdx(const QString& file) const { return Path(file.left(file.size() - 4) + ".mdx"); }
  store::DataStore Store() { return store::DataStore(sx_, sursa_, Data(), hooks_); }
  void Exec(const QString& sql) {
    lumi::TQuery q;
    q.SQL().Add(sql.toStdString());
    q.ExecSQL();
  }
  // The tags in creation order, and a tree that Perl reads.
  void ExpectTags(const QString& file) const {
    EXPECT_EQ(readers::TagSlots(Mdx(file)), kTags.at(file)) << file.toStdString();
    QStringList sorted = kTags.at(file);
    sorted.sort();
    EXPECT_EQ(readers::Tags(Mdx(file)), sorted) << file.toStdString();
  }
  QStringList FirstLines() const {
    QStringList first;
    for (const QString& s : statements_) first << s.section('\n', 0, 0);
    return first;
  }

  QTemporaryDir dir_;
  lumi::TQuery sx_;
  lumi::TTable sursa_;
  store::DataStore::Hooks hooks_;
  QStringList statements_, statuses_;
  QList<int> progress_;
};

TEST_F(DataStoreTest, AFirstStartMakesTheFiveTablesWithTheirTags) {
  Store().Pregateste();
  for (const auto& [file, columns] : kTables) {
    const readers::TableInfo info = readers::Info(Path(file));
    ASSERT_TRUE(info.ok) << file.toStdString();
    EXPECT_EQ(info.columns, columns) << file.toStdString();
    EXPECT_EQ(info.records, 0);
    ExpectTags(file);
  }
  EXPECT_TRUE(QFile::exists(Path("Clienti.dbt")));
  EXPECT_EQ(statuses_, QStringList{"Refac bazele de date ..."});
  EXPECT_EQ(progress_, (QList<int>{10, 10, 10, 10, 10}));

  // Tables in order, the upgrade's look at Comenzi.dbf (it already has BUC),
  // then per table the tags, each statement on a query just reset.
  const QString d = QDir::toNativeSeparators(Data());
  QStringList expected;
  for (const auto& [file, columns] : kTables)
    expected << "CREATE TABLE \"" + QDir::toNativeSeparators(Path(file)) + "\"";
  expected << "SELECT * FROM \"" + QDir::toNativeSeparators(Path("Comenzi.dbf")) + "\"";
  for (const auto& [file, columns] : kTables) {
    for (const QString& tag : kTags.at(file))
      expected << "CREATE INDEX " + tag + " ON \"" + QDir::toNativeSeparators(Path(file)) + "\" (" +
                      tag + ")";
  }
  EXPECT_EQ(FirstLines(), expected);
  EXPECT_EQ(statements_[0].split('\n').mid(1).join('|'),
            "(CODMAG   DECIMAL(10,0),| DATAIN   DATE,| FURNIZOR CHAR(40),| DENUMIRE CHAR(40),"
            "| UM       CHAR(3),| CANTIN   DECIMAL(8,3),| LATIME   DECIMAL(6,3),"
            "| PRET     DECIMAL(8,2),| STOC     DECIMAL(8,3),| IESIT    DECIMAL(8,3),"
            "| TIP      DECIMAL(2,0) )");
  EXPECT_FALSE(sx_.Active());
  EXPECT_FALSE(sursa_.Active());
}

TEST_F(DataStoreTest, AnOldComenziGetsBucAndLosesItsDeletedRows) {
  QList<Column> old = kTables[2].second;
  old.removeLast();  // no BUC
  ASSERT_TRUE(readers::WriteTable(
      Path("Comenzi.dbf"), old,
      {{
           "1",
           "1",
           "5",
           "Geam float",
           "mp",
           "2.5",
           "10.00",
           "25.00",
           "NU",
           "1",
           "2.5",
           "Vitrina",
       },
       {"1", "2", "6", "Oglinda", "mp", "1", "20.00", "20.00", "NU", "1", "1", "Vitrina"},
       {"2", "3", "5", "Geam float", "mp", "3", "10.00", "30.00", "DA", "1", "3", "Usa"}},
      {1}));
  Store().Pregateste();
  const readers::TableInfo info = readers::Info(Path("Comenzi.dbf"));
  EXPECT_EQ(info.columns, kTables[2].second);
  EXPECT_EQ(info.records, 2) << "the deleted row is gone for good";
  const QStringList rows = readers::Rows(Path("Comenzi.dbf"));
  ASSERT_EQ(rows.size(), 2);
  EXPECT_TRUE(rows[0].startsWith("1|1|5|Geam float|")) << rows[0].toStdString();
  EXPECT_TRUE(rows[1].startsWith("2|3|5|Geam float|")) << rows[1].toStdString();
  for (const QString& r : rows) EXPECT_TRUE(r.endsWith("|1")) << r.toStdString();
  ExpectTags("Comenzi.dbf");
  EXPECT_EQ(readers::Keys(Mdx("Comenzi.dbf"), "CODCOM").size(), 2);
  const QString comenzi = "\"" + QDir::toNativeSeparators(Path("Comenzi.dbf")) + "\"";
  EXPECT_TRUE(statements_.contains("ALTER TABLE " + comenzi + "\nADD BUC DECIMAL(6,0)"));
  EXPECT_TRUE(statements_.contains("UPDATE " + comenzi + "\nSET BUC=1"));
}

TEST_F(DataStoreTest, OnlyTheMissingTableIsMadeAndTheOthersKeepTheirRows) {
  Store().Pregateste();
  Exec("INSERT INTO \"" + Path("Magazie.dbf") +
       "\" (CODMAG, DENUMIRE, TIP) VALUES (1, \"Geam\", 0)");
  Exec("INSERT INTO \"" + Path("Clienti.dbf") + "\" (CODCLI, NUME) VALUES (7, \"Ion\")");
  Exec("INSERT INTO \"" + Path("Plati.dbf") + "\" (CODPL, SUMA) VALUES (1, 5)");
  ASSERT_TRUE(QFile::remove(Path("Plati.dbf")));
  ASSERT_TRUE(QFile::remove(Mdx("Plati.dbf")));
  statements_.clear();
  Store().Pregateste();
  EXPECT_EQ(FirstLines().filter("CREATE TABLE").size(), 1);
  EXPECT_EQ(readers::Info(Path("Plati.dbf")).records, 0);
  EXPECT_EQ(readers::Info(Path("Magazie.dbf")).records, 1);
  EXPECT_EQ(readers::Rows(Path("Clienti.dbf")).value(0).section('|', 0, 1), "7|Ion");
  ExpectTags("Plati.dbf");
}

TEST_F(DataStoreTest, AnIndexDeletedByHandComesBack) {
  Store().Pregateste();
  Exec("INSERT INTO \"" + Path("Magazie.dbf") + "\" (CODMAG, DENUMIRE, TIP) VALUES (2, \"B\", 1)");
  Exec("INSERT INTO \"" + Path("Magazie.dbf") + "\" (CODMAG, DENUMIRE, TIP) VALUES (1, \"A\", 0)");
  ASSERT_TRUE(QFile::remove(Mdx("Magazie.dbf")));
  Store().Pregateste();
  ExpectTags("Magazie.dbf");
  const QStringList keys = readers::Keys(Mdx("Magazie.dbf"), "DENUMIRE");
  ASSERT_EQ(keys.size(), 2);
  EXPECT_TRUE(keys[0].startsWith("A")) << keys[0].toStdString();
  EXPECT_TRUE(keys[1].startsWith("B")) << keys[1].toStdString();
}

TEST_F(DataStoreTest, DeletedRowsVanishFromEveryTable) {
  Store().Pregateste();
  for (const char* sql :
       {"INSERT INTO \"%1\" (CODCAP, CODCLI) VALUES (1, 1)",
        "INSERT INTO \"%1\" (CODCAP, CODCLI) VALUES (2, 1)",
        "INSERT INTO \"%1\" (CODCAP, CODCLI) VALUES (3, 2)", "DELETE FROM \"%1\" WHERE CODCLI=1"})
    Exec(QString(sql).arg(Path("CapCom.dbf")));
  EXPECT_EQ(readers::Info(Path("CapCom.dbf")).records, 3) << "only marked before the start";
  Store().Pregateste();
  EXPECT_EQ(readers::Info(Path("CapCom.dbf")).records, 1);
  EXPECT_EQ(readers::Keys(Mdx("CapCom.dbf"), "CODCAP").size(), 1);
}

TEST_F(DataStoreTest, RemoveIndexLeavesWhatItCannotOpenAlone) {
  store::DataStore s = Store();
  // No table: nothing happens, and a stray .mdx of that name stays.
  QFile stray(Mdx("Nimic.dbf"));
  ASSERT_TRUE(stray.open(QIODevice::WriteOnly));
  stray.close();
  s.RemoveIndex(Path("Nimic.dbf"));
  EXPECT_TRUE(QFile::exists(Mdx("Nimic.dbf")));
  // A file too short to be a table is not written to.
  QFile tiny(Path("Mic.dbf"));
  ASSERT_TRUE(tiny.open(QIODevice::WriteOnly));
  tiny.write("abc");
  tiny.close();
  s.RemoveIndex(Path("Mic.dbf"));
  ASSERT_TRUE(tiny.open(QIODevice::ReadOnly));
  EXPECT_EQ(tiny.readAll(), "abc");
}

TEST_F(DataStoreTest, RemoveIndexClearsTheHeaderByteAndFindsFilesRegardlessOfCase) {
  store::DataStore s = Store();
  s.CreazaMagazieDBF();
  ASSERT_TRUE(s.CreazaIndex(Path("Magazie.dbf"), "CODMAG"));
  ASSERT_TRUE(QFile::rename(Path("Magazie.dbf"), Path("MAGAZIE.DBF")));
  ASSERT_TRUE(QFile::rename(Mdx("Magazie.dbf"), Path("MAGAZIE.MDX")));
  s.RemoveIndex(Path("Magazie.dbf"));
  EXPECT_FALSE(QFile::exists(Path("MAGAZIE.MDX")));
  QFile f(Path("MAGAZIE.DBF"));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.read(29).at(28), '\0');
  f.close();
  // The start-up sees the upper-case table as Magazie.dbf and keeps it.
  statements_.clear();
  s.Pregateste();
  EXPECT_FALSE(FirstLines().contains("CREATE TABLE \"" +
                                     QDir::toNativeSeparators(Path("Magazie.dbf")) + "\""));
  EXPECT_FALSE(QFile::exists(Path("Magazie.dbf")) && QFile::exists(Path("MAGAZIE.DBF")));
}

TEST_F(DataStoreTest, ARefusedIndexIsSilentAndARefusedPackIsAnError) {
  store::DataStore s = Store();
  s.CreazaPlatiDBF();
  EXPECT_FALSE(s.CreazaIndex(Path("Plati.dbf"), "NUEXISTA"));
  EXPECT_TRUE(s.CreazaIndex(Path("Plati.dbf"), "CODCLI"));

  // Another handle holds the table: the pack needs it alone.
  lumi::TTable other;
  other.SetTableName(Path("Plati.dbf").toStdString());
  other.Open();
  EXPECT_THROW(s.PackTable(Path("Plati.dbf")), std::exception);
  EXPECT_FALSE(sursa_.Active()) << "closed also when the pack fails";
  other.Close();
  EXPECT_NO_THROW(s.PackTable(Path("Plati.dbf")));
}

TEST_F(DataStoreTest, AFailingStepEndsThePreparationWithTheEnginesMessage) {
  // A Magazie.dbf that is no table: it is not re-created, and its pack fails.
  QFile junk(Path("Magazie.dbf"));
  ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
  junk.write(QByteArray(200, 'x'));
  junk.close();
  try {
    Store().Pregateste();
    FAIL() << "no error";
  } catch (const std::exception& e) {
    EXPECT_NE(std::string(e.what()), "");
  }
  EXPECT_TRUE(QFile::exists(Path("Plati.dbf"))) << "the tables were made before the failing step";
  EXPECT_TRUE(progress_.isEmpty()) << "the rebuild stopped at the first table";
}

TEST_F(DataStoreTest, TablePathsWithAQuoteStayOneLiteral) {
  const QString odd = dir_.filePath("Firma \"X\"/Data");
  ASSERT_TRUE(QDir().mkpath(odd));
  store::DataStore(sx_, sursa_, odd, hooks_).Pregateste();
  EXPECT_EQ(readers::Info(odd + "/Magazie.dbf").columns, kTables[0].second);
  EXPECT_EQ(readers::TagSlots(odd + "/Magazie.mdx"), kTags.at("Magazie.dbf"));
}

TEST(StergeTabelaTemp, DeletesTheTableAndItsCompanionsOnly) {
  QTemporaryDir dir;
  for (const char* name :
       {"temp1.dbf", "temp1.mdx", "TEMP1.DBT", "Lucru.dbf", "T1.dbf", "temp2.dbf"}) {
    QFile f(dir.filePath(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  store::StergeTabelaTemp(dir.filePath("temp1.dbf"));
  store::StergeTabelaTemp(dir.filePath("det.dbf"));  // missing: no error
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files, QDir::Name),
            (QStringList{"Lucru.dbf", "T1.dbf", "temp2.dbf"}));
}

}  // namespace
