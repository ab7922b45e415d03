// The same statement mix on SQLite: same rows, the same indexes,
// synchronous=FULL, a rollback journal; every result row read column by column.
#include <cstdint>
#include <filesystem>

#include "bench/sql/sqlite_db.h"
#include "bench/sql/sqlite_tables.h"
#include "bench/sql/workload.h"

namespace lumi::bench {

namespace {

class SqliteSide : public Side {
 public:
  SqliteSide(const Dataset& d, const std::string& folder) : d_(d), db_(Fresh(folder)) {
    LoadTables(db_, d, {"Magazie", "CapCom", "Comenzi", "Clienti", "Plati"});
    CreateIndexes(db_, {"Magazie(CODMAG)", "Magazie(DENUMIRE)", "Magazie(TIP)", "CapCom(CODCAP)",
                        "CapCom(CODCLI)", "Comenzi(CODCAP)", "Comenzi(CODCOM)", "Comenzi(TITLU)",
                        "Clienti(CODCLI)", "Plati(CODCLI)", "Plati(CODCAP)", "Plati(CODPL)"});
  }
  size_t PeakBytes() override { return SqliteDb::PeakBytes(); }
  void ResetPeak() override { SqliteDb::ResetPeak(); }

  void Run(Op op, int it) override {
    Pick p = PickFor(d_, it);
    const std::string o = std::to_string(p.order), m = std::to_string(p.item),
                      c = std::to_string(p.new_code);
    switch (op) {
      case Op::kWarehouseOpen:
        Query("SELECT * FROM Magazie WHERE (STOC>0) AND (TIP=0) ORDER BY CODMAG");
        Query("SELECT SUM(STOC*PRET) AS TOTAL FROM Magazie WHERE (STOC>0) AND (TIP=0)");
        break;
      case Op::kOrderLineSave:
        Exec("BEGIN");
        Exec(
            "INSERT INTO Comenzi "
            "(CODCAP,CODCOM,DENUMIRE,CODMAG,UM,TITLU,CANT,PRET,EXECUTAT,TOTAL,LUNG,LAT,BUC) "
            "VALUES (" +
            o + "," + c + ",'GEAM NOU'," + m + ",'MP','" + p.work + "',2,12.50,'NU',75,2,1,3)");
        Exec("UPDATE Magazie SET STOC=STOC-2*3, IESIT=IESIT+2*3 WHERE CODMAG=" + m);
        Exec("UPDATE CapCom SET COST=COST+75, REST=REST+75 WHERE CODCAP=" + o);
        AddToWork(o, p.work, "75");
        Exec("COMMIT");
        break;
      case Op::kOrderLineRemove:
        Query("SELECT * FROM Comenzi WHERE CODCOM=" + c);
        Query("SELECT * FROM Magazie WHERE CODMAG=" + m);
        Exec("BEGIN");
        Exec("DELETE FROM Comenzi WHERE CODCOM=" + c);
        AddToWork(o, p.work, "(-75)");
        Exec("UPDATE CapCom SET COST=COST+(-75), REST=REST+(-75) WHERE CODCAP=" + o);
        Exec("UPDATE Magazie SET STOC=STOC-(-2*3), IESIT=IESIT+(-2*3) WHERE CODMAG=" + m);
        Exec("COMMIT");
        break;
      case Op::kKeyedReads:
        Query("SELECT * FROM Plati WHERE CODCAP=" + o + " ORDER BY DATA,CODPL");
        Query("SELECT TIP FROM Magazie WHERE CODMAG=" + m);
        break;
      case Op::kOrdersOpen:
        Query("SELECT * FROM Clienti ORDER BY NUME");
        Query("SELECT * FROM CapCom Z WHERE Z.CODCLI=" + std::to_string(first_client_) +
              " AND PREDAT<>'DA'");
        Query("SELECT * FROM Comenzi C ORDER BY TITLU, DENUMIRE");
        break;
      case Op::kWorkListBuild:
        Exec("DROP TABLE IF EXISTS Lucru");
        Exec(
            "CREATE TABLE Lucru (TERMEN TEXT, CODCOM NUMERIC, DENUMIRE TEXT, UM TEXT, CANT REAL, "
            "LUNG REAL, "
            "LAT REAL, EXECUTAT TEXT, EX2 INTEGER, BUC REAL)");
        Exec(
            "INSERT INTO Lucru (TERMEN,CODCOM,DENUMIRE,UM,CANT,LUNG,LAT,EXECUTAT,EX2,BUC) "
            "SELECT C.TERMEN, Z.CODCOM,Z.DENUMIRE,Z.UM,Z.CANT,Z.LUNG,Z.LAT,Z.EXECUTAT, 0, Z.BUC "
            "FROM Comenzi Z, CapCom C, Magazie M WHERE (Z.CODCAP=C.CODCAP) AND (Z.CODMAG=M.CODMAG) "
            "AND (C.PREDAT='NU') AND (M.TIP=0)");
        Exec("UPDATE Lucru SET EX2=1 WHERE EXECUTAT='DA'");
        Query("SELECT * FROM Lucru ORDER BY CODCOM");
        break;
      case Op::kWorkCopyBack:
        Exec("UPDATE Lucru SET EXECUTAT='NU'");
        Exec("UPDATE Lucru SET EXECUTAT='DA' WHERE EX2=1");
        // Only the listed lines change, as in the program; UPDATE ... FROM is
        // SQLite's fastest form of it (a correlated sub-select there reads
        // Lucru once per order line).
        Exec("UPDATE Comenzi SET EXECUTAT=T.EXECUTAT FROM Lucru T WHERE T.CODCOM=Comenzi.CODCOM");
        break;
      case Op::kReportsBuild:
        for (int t = 1; t <= 4; ++t) Exec("DROP TABLE IF EXISTS T" + std::to_string(t));
        Exec("CREATE TABLE T1 (FURNIZOR TEXT, DATAIN TEXT, TIP INTEGER, VALOARE REAL)");
        Exec(
            "INSERT INTO T1 SELECT FURNIZOR,DATAIN,TIP, SUM(CANTIN*PRET) FROM Magazie WHERE TIP<2 "
            "GROUP BY TIP,DATAIN,FURNIZOR");
        Exec(
            "CREATE TABLE T2 (NUME TEXT, DATA TEXT, TERMEN TEXT, CODCAP NUMERIC, COST REAL, REST "
            "REAL, PREDAT TEXT)");
        Exec(
            "INSERT INTO T2 SELECT NUME,DATA,TERMEN,CODCAP,COST,REST,PREDAT FROM CapCom C, Clienti "
            "L "
            "WHERE C.CODCLI=L.CODCLI");
        Exec("CREATE TABLE T3 (CODCAP NUMERIC, NUME TEXT, DATA TEXT, SUMA REAL, DOCJUS TEXT)");
        Exec(
            "INSERT INTO T3 SELECT P.CODCAP,NUME, DATA, SUMA, DOCJUS FROM Plati P, Clienti L "
            "WHERE P.CODCLI=L.CODCLI");
        Exec(
            "CREATE TABLE T4 (CODCAP NUMERIC, NUME TEXT, DATA TEXT, TERMEN TEXT, COST REAL, REST "
            "REAL)");
        Exec(
            "INSERT INTO T4 SELECT CODCAP,NUME, DATA, TERMEN, COST, REST FROM CapCom C, Clienti L "
            "WHERE (C.CODCLI=L.CODCLI) AND (C.PREDAT<>'DA')");
        Query(
            "SELECT FURNIZOR, DATAIN, SUM(VALOARE) AS TOTAL FROM T1 GROUP BY DATAIN, FURNIZOR "
            "ORDER BY DATAIN, FURNIZOR");
        Query("SELECT * FROM T2 ORDER BY DATA, NUME");
        Query("SELECT * FROM T3 ORDER BY DATA, NUME");
        Query("SELECT * FROM T4 ORDER BY DATA, TERMEN, NUME");
        break;
      case Op::kPeriodTotals:
        Query("SELECT SUM(REST) AS TOTAL FROM CapCom WHERE REST<>0");
        Query(
            "SELECT TIP,SUM(CANTIN*PRET) AS TOTAL FROM Magazie WHERE (DATAIN>='2025-03-01') AND "
            "(DATAIN<='2025-03-31') AND (TIP<2) GROUP BY TIP");
        Query(
            "SELECT M.TIP,SUM(Z.TOTAL) AS TOT1 FROM Comenzi Z, CapCom C, Magazie M WHERE "
            "(Z.CODCAP=C.CODCAP) AND (Z.CODMAG=M.CODMAG) AND (C.DATA>='2025-03-01') AND "
            "(C.DATA<='2025-03-31') GROUP BY M.TIP");
        Query(
            "SELECT SUM(SUMA) AS TTT FROM Plati WHERE (DATA>='2025-03-01') AND "
            "(DATA<='2025-03-31')");
        break;
      case Op::kCount:
        break;
    }
  }

 private:
  // The database file made anew in `folder`.
  static std::string Fresh(const std::string& folder) {
    std::filesystem::create_directories(folder);
    const std::string path = folder + "/shop.sqlite";
    std::filesystem::remove(path);
    return path;
  }
  void Exec(const std::string& sql) { db_.Exec(sql); }
  void Query(const std::string& sql) { db_.Query(sql); }
  void AddToWork(const std::string& order, const std::string& work, const std::string& amount) {
    sqlite3_stmt* st =
        db_.Prepare("SELECT CODCOM FROM Comenzi WHERE (DENUMIRE IS NULL) AND (TITLU='" + work +
                    "') AND (CODCAP=" + order + ")");
    int64_t code = -1;
    if (sqlite3_step(st) == SQLITE_ROW) code = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    if (code >= 0) {
      Exec("UPDATE Comenzi SET TOTAL=TOTAL+" + amount + " WHERE CODCOM=" + std::to_string(code));
    }
  }

  const Dataset& d_;
  SqliteDb db_;
  int first_client_ = 1;
};

}  // namespace

std::unique_ptr<Side> MakeSqliteSide(const Dataset& d, const std::string& folder) {
  return std::make_unique<SqliteSide>(d, folder);
}

}  // namespace lumi::bench
