// The statement mix through the program's query objects, as the windows run it.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "bench/sql/workload.h"
#include "engine/query.h"

namespace lumi::bench {

namespace {

class LumiSide : public Side {
 public:
  LumiSide(const Dataset& d, const std::string& folder)
      : d_(d), data_(folder + "/Data"), prog_(folder), q_(&session_), list_(&session_) {
    WriteDbf(d, data_);
  }

  void Run(Op op, int it) override {
    Pick p = PickFor(d_, it);
    const std::string M = "\"" + data_ + "\\Magazie.dbf\"";
    const std::string CC = "\"" + data_ + "\\CapCom.dbf\"";
    const std::string CO = "\"" + data_ + "\\Comenzi.dbf\"";
    const std::string CL = "\"" + data_ + "\\Clienti.dbf\"";
    const std::string PL = "\"" + data_ + "\\Plati.dbf\"";
    const std::string LU = "\"" + prog_ + "\\Lucru.dbf\"";
    const std::string o = std::to_string(p.order), m = std::to_string(p.item),
                      c = std::to_string(p.new_code);
    switch (op) {
      case Op::kWarehouseOpen:
        Open(list_, {"SELECT *", "FROM " + M, "ORDER BY CODMAG"});
        list_.SetFilter("(STOC>0) AND (TIP=0)");
        list_.SetFiltered(true);
        Open(q_, {"SELECT SUM(STOC*PRET) AS TOTAL", "FROM " + M, "WHERE (STOC>0) AND (TIP=0)"});
        sink_ += q_.FieldByName("TOTAL").AsFloat() + list_.RecordCount();
        break;
      case Op::kOrderLineSave:
        Exec({"BEGIN"});
        Exec({"INSERT INTO " + CO,
              "(CODCAP,CODCOM,DENUMIRE,CODMAG,UM,TITLU,CANT,PRET,EXECUTAT,TOTAL,LUNG,LAT,BUC)",
              "VALUES (", o + ",", c + ",", "\"GEAM NOU\",", m + ",", "\"MP\",",
              "\"" + p.work + "\",", "2,", "12.50,", "\"NU\",", "75,", "2,1,3)"});
        Exec({"UPDATE " + M, "SET STOC=STOC-2*3,", "IESIT=IESIT+2*3", "WHERE CODMAG=" + m});
        Exec({"UPDATE " + CC, "SET COST=COST+75,", "REST=REST+75", "WHERE CODCAP=" + o});
        AddToWork(CO, o, p.work, "75");
        Exec({"COMMIT"});
        break;
      case Op::kOrderLineRemove: {
        Open(q_, {"SELECT * FROM " + CO, "WHERE CODCOM=" + c});
        std::string total = q_.FieldByName("TOTAL").AsString();
        std::string cant = q_.FieldByName("CANT").AsString(),
                    buc = q_.FieldByName("BUC").AsString();
        Open(q_, {"SELECT * FROM " + M, "WHERE CODMAG=" + m});
        Exec({"BEGIN"});
        Exec({"DELETE FROM " + CO, "WHERE CODCOM=" + c});
        AddToWork(CO, o, p.work, "(-" + total + ")");
        Exec({"UPDATE " + CC, "SET COST=COST+(-" + total + "),", "REST=REST+(-" + total + ")",
              "WHERE CODCAP=" + o});
        Exec({"UPDATE " + M, "SET STOC=STOC-(-" + cant + "*" + buc + "),",
              "IESIT=IESIT+(-" + cant + "*" + buc + ")", "WHERE CODMAG=" + m});
        Exec({"COMMIT"});
        break;
      }
      case Op::kKeyedReads:
        Open(q_, {"SELECT * FROM " + PL, "WHERE CODCAP=" + o, "ORDER BY DATA,CODPL"});
        sink_ += q_.RecordCount();
        Open(q_, {"SELECT TIP FROM " + M, "WHERE CODMAG=" + m});
        sink_ += q_.FieldByName("TIP").AsFloat();
        break;
      case Op::kOrdersOpen: {
        TQuery clients(&session_), orders(&session_), lines(&session_);
        Open(clients, {"SELECT * FROM " + CL, "ORDER BY NUME"});
        orders.SetDataSource(&clients);
        Open(orders, {"SELECT * FROM " + CC + " Z", "WHERE Z.CODCLI=:CODCLI"});
        orders.SetFilter("(PREDAT<>'DA')");
        orders.SetFiltered(true);
        Open(lines, {"SELECT * FROM " + CO + " C", "ORDER BY TITLU, DENUMIRE"});
        lines.SetFilter("CODCAP=" + o);
        lines.SetFiltered(true);
        sink_ += lines.RecordCount() + orders.RecordCount();
        orders.SetDataSource(nullptr);
        break;
      }
      case Op::kWorkListBuild:
        std::filesystem::remove(prog_ + "/Lucru.dbf");
        Exec({"CREATE TABLE " + LU,
              "(TERMEN DATE, CODCOM DECIMAL(10,0), DENUMIRE CHAR(40), UM CHAR(3),",
              "CANT DECIMAL(8,3), LUNG DECIMAL(8,3), LAT DECIMAL(8,3),EXECUTAT CHAR(2),",
              "EX2 BOOLEAN, BUC DECIMAL(6,0))"});
        Exec({"INSERT INTO " + LU, "(TERMEN,CODCOM,DENUMIRE,UM,CANT,LUNG,LAT,EXECUTAT,EX2, BUC)",
              "SELECT C.TERMEN, Z.CODCOM,Z.DENUMIRE,Z.UM,Z.CANT,Z.LUNG,Z.LAT,Z.EXECUTAT, FALSE, "
              "Z.BUC",
              "FROM " + CO + " Z,", CC + " C,", M + " M",
              "WHERE  (Z.CODCAP=C.CODCAP) AND (Z.CODMAG=M.CODMAG)",
              "AND (C.PREDAT=\"NU\") AND (M.TIP=0)"});
        Exec({"UPDATE " + LU, "SET EX2=TRUE", "WHERE EXECUTAT=\"DA\""});
        Open(list_, {"SELECT * FROM " + LU, "ORDER BY CODCOM"});
        sink_ += list_.RecordCount();
        break;
      case Op::kWorkCopyBack:
        Exec({"UPDATE " + LU, "SET EXECUTAT=\"NU\""});
        Exec({"UPDATE " + LU, "SET EXECUTAT=\"DA\"", "WHERE EX2=TRUE"});
        Exec({"UPDATE " + CO + " Z", "SET EXECUTAT=", "( SELECT EXECUTAT FROM " + LU + " T",
              "WHERE T.CODCOM=Z.CODCOM )"});
        break;
      case Op::kReportsBuild: {
        for (int t = 1; t <= 4; ++t)
          std::filesystem::remove(prog_ + "/T" + std::to_string(t) + ".dbf");
        auto T = [&](int n) { return "\"" + prog_ + "\\T" + std::to_string(n) + ".dbf\""; };
        Exec({"CREATE TABLE " + T(1),
              "(FURNIZOR CHAR(40), DATAIN DATE, TIP DECIMAL(2,0), VALOARE DECIMAL(8,2) )"});
        Exec({"INSERT INTO " + T(1), "SELECT FURNIZOR,DATAIN,TIP, SUM(CANTIN*PRET)", "FROM " + M,
              "WHERE TIP<2", "GROUP BY TIP,DATAIN,FURNIZOR"});
        Exec({"CREATE TABLE " + T(2),
              "(NUME CHAR(40), DATA DATE, TERMEN DATE, CODCAP DECIMAL(10,0), COST DECIMAL(8,2), "
              "REST DECIMAL(8,2), PREDAT CHAR(2) )"});
        Exec({"INSERT INTO " + T(2), "SELECT NUME,DATA,TERMEN,CODCAP,COST,REST,PREDAT",
              "FROM " + CC + " C,", CL + " L", "WHERE C.CODCLI=L.CODCLI"});
        Exec({"CREATE TABLE " + T(3),
              "(CODCAP DECIMAL(10,0),NUME CHAR(40), DATA DATE, SUMA DECIMAL(8,2),DOCJUS CHAR(40) "
              ")"});
        Exec({"INSERT INTO " + T(3), "SELECT CODCAP,NUME, DATA, SUMA, DOCJUS", "FROM " + PL + " P,",
              CL + " L", "WHERE P.CODCLI=L.CODCLI"});
        Exec({"CREATE TABLE " + T(4),
              "(CODCAP DECIMAL(10,0),NUME CHAR(40), DATA DATE, TERMEN DATE, COST DECIMAL(8,2), "
              "REST DECIMAL(8,2))"});
        Exec({"INSERT INTO " + T(4), "SELECT CODCAP,NUME, DATA, TERMEN, COST, REST",
              "FROM " + CC + " C,", CL + " L", "WHERE (C.CODCLI=L.CODCLI) AND (C.PREDAT<>\"DA\")"});
        TQuery g(&session_);
        Open(g, {"SELECT FURNIZOR, DATAIN, SUM(VALOARE) AS TOTAL", "FROM " + T(1),
                 "GROUP BY DATAIN, FURNIZOR", "ORDER BY DATAIN, FURNIZOR"});
        sink_ += g.RecordCount();
        Open(g, {"SELECT *", "FROM " + T(2), "ORDER BY DATA, NUME"});
        sink_ += g.RecordCount();
        Open(g, {"SELECT *", "FROM " + T(3), "ORDER BY DATA, NUME"});
        sink_ += g.RecordCount();
        Open(g, {"SELECT *", "FROM " + T(4), "ORDER BY DATA, TERMEN, NUME"});
        sink_ += g.RecordCount();
        break;
      }
      case Op::kPeriodTotals: {
        const std::string d1 = "01.03.2025", d2 = "31.03.2025";
        Open(q_, {"SELECT SUM(REST) AS TOTAL", "FROM " + CC, "WHERE REST<>0"});
        Open(q_, {"SELECT TIP,SUM(CANTIN*PRET) AS TOTAL", "FROM " + M,
                  "WHERE (DATAIN>=\"" + d1 + "\") AND (DATAIN<=\"" + d2 + "\") AND (TIP<2)",
                  "GROUP BY TIP"});
        Open(q_, {"SELECT M.TIP,SUM(Z.TOTAL) AS TOT1", "FROM " + CO + " Z,", CC + " C,", M + " M",
                  "WHERE (Z.CODCAP=C.CODCAP) AND (Z.CODMAG=M.CODMAG) AND (C.DATA>=\"" + d1 +
                      "\") AND (C.DATA<=\"" + d2 + "\")",
                  "GROUP BY M.TIP"});
        sink_ += q_.RecordCount();
        Open(q_, {"SELECT SUM(SUMA) AS TTT", "FROM " + PL,
                  "WHERE (DATA>=\"" + d1 + "\") AND (DATA<=\"" + d2 + "\")"});
        sink_ += q_.FieldByName("TTT").AsFloat();
        break;
      }
      case Op::kCount:
        break;
    }
    // As the windows reset a query before its next statement.
    for (TQuery* q : {&list_, &q_}) {
      q->Close();
      q->SetFiltered(false);
      q->SetFilter("");
    }
  }

 private:
  void SetText(TQuery& q, std::initializer_list<std::string> lines) {
    q.SQL().Clear();
    for (const auto& l : lines) q.SQL().Add(l);
  }
  void Open(TQuery& q, std::initializer_list<std::string> lines) {
    SetText(q, lines);
    Traced(q, [&] { q.Open(); });
  }
  void Exec(std::initializer_list<std::string> lines) {
    SetText(q_, lines);
    Traced(q_, [&] { q_.ExecSQL(); });
  }
  // With LUMI_BENCH_TRACE set, prints each statement's time.
  template <class F>
  void Traced(TQuery& q, F run) {
    static const bool trace = std::getenv("LUMI_BENCH_TRACE") != nullptr;
    if (!trace) return run();
    auto t0 = std::chrono::steady_clock::now();
    run();
    double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    std::string text = q.SQL().Text().substr(0, 70);
    for (char& ch : text) {
      if (ch == '\n') ch = ' ';
    }
    std::fprintf(stderr, "  %9.3f ms  %s\n", ms, text.c_str());
  }
  void AddToWork(const std::string& table, const std::string& order, const std::string& work,
                 const std::string& amount) {
    Open(q_,
         {"SELECT CODCOM FROM " + table, "WHERE (DENUMIRE IS NULL) AND (TITLU=\"" + work + "\")",
          "AND (CODCAP=" + order + ")"});
    if (q_.IsEmpty()) return;
    std::string code = q_.FieldByName("CODCOM").AsString();
    Exec({"UPDATE " + table, "SET TOTAL=TOTAL+" + amount, "WHERE CODCOM=" + code});
  }

  const Dataset& d_;
  std::string data_, prog_;
  Session session_;
  TQuery q_, list_;
  double sink_ = 0;
};

}  // namespace

std::unique_ptr<Side> MakeLumiSide(const Dataset& d, const std::string& folder) {
  return std::make_unique<LumiSide>(d, folder);
}

}  // namespace lumi::bench
