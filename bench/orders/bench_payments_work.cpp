// Recording a receipt and the work-in-progress list through the windows'
// own operations, on a shop of 10 000 and 1 200 000 order lines, beside
// SQLite running the same statements on the same rows.
//
// Usage: bench_payments_work [--rounds N] [--work-rounds N] [--data DIR] [lines...]
//        (default: 21 receipt rounds, 7 work rounds, /tmp/bench_orders_data,
//        10000 1200000)
//
// receipt      the orders window on an order in progress from the middle of
//              the table, its INCASARI (ConvexBtn9Click) opening the payments
//              window; its ADAUGA PLATA (BitBtn1Click) opens the receipt
//              entry, the amount typed and MEMOREAZA clicked. Timed from that
//              click until the payments window's BitBtn1Click returns: the
//              entry's checks, the new receipt code from the settings file,
//              the INSERT into Plati and the UPDATE of CapCom's REST as one
//              change (the journal synced at its commit), the receipt list
//              read again and put on the new receipt, the labels updated.
// receipt del  STERGE PLATA (BitBtn2Click) on that receipt, the question
//              answered DA; timed from the answer until the click returns:
//              the DELETE and the UPDATE of REST as one change, the list read
//              again. Each round adds a receipt and deletes it again, so the
//              rows stay as generated.
// work open    the work-in-progress window's ArataLucru: the scratch table
//              made, filled with the goods lines of the open orders (read
//              order by order), the done ones ticked, the list read whole;
//              timed from the call until the window runs its modal loop
//              (shown, maximised, laid out).
// work save    MEMOREAZA (BitBtn1Click) after a few lines of different
//              orders had their ticks flipped by double click: the ticks
//              copied back into the order lines and the touched works'
//              headings set again, one change; timed from the click until
//              the notice that follows starts to show. Each open flips the
//              lines and saves, then flips them back and saves, so every
//              round leaves the marks as they were; both saves count.
//
// SQLite runs each action's statements as the windows do: a receipt's
// INSERT, UPDATE and list read in one BEGIN ... COMMIT; the work list's
// CREATE TABLE, its INSERTs (200 rows a statement) in one BEGIN ... COMMIT,
// the tick UPDATE and the whole list read; the save's statements in one
// BEGIN ... COMMIT. Its scratch table lives in the shop's database, as
// ours lives beside the Data folder; synchronous=FULL, journal_mode=DELETE.
//
// Memory: "peak MB" is the heap taken through operator new plus the engine's
// big buffers above what the process held when the action began
// (bench/sql's meter), the highest over the rounds; SQLite's is its
// allocator's high-water.
//
// Data folders are bench_orders' (DIR/<lines>; Plati.dbf is packed when
// earlier runs left deleted receipts in it); the SQLite database is
// DIR/<lines>/sqlite_pw/shop.sqlite. The program runs in DIR/<lines>.
#include <QApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "bench/orders/headless.h"
#include "bench/orders/orders_data.h"
#include "bench/orders/sql_literals.h"
#include "bench/orders/sqlite_payments_work.h"
#include "engine/query.h"
#include "engine/session.h"
#include "orders/Comenzi.h"
#include "orders/LUCRU.h"
#include "payments/AddPLATA.h"
#include "payments/PLATI.h"
#include "shell/Erori30.h"
#include "shell/Forms.h"
#include "shell/Globals.h"

namespace lumi::bench {
namespace {

int g_rounds = 21;
int g_work_rounds = 7;
std::string g_data_root = "/tmp/bench_orders_data";

// The receipt recorded each round, and the lines whose ticks each work save
// flips (one in each of as many open orders, spread over them).
constexpr const char* kAmount = "12.34";
constexpr const char* kDocument = "CHITANTA BENCH";
constexpr int kFlippedLines = 3;

struct Action {
  std::vector<double> ours, lite;
  size_t heap = 0, lite_bytes = 0;
  void Note(const Meter& m) { heap = std::max(heap, m.heap()); }
  void Note(const LiteRun& run) {
    lite.push_back(run.ms);
    lite_bytes = std::max(lite_bytes, run.peak);
  }
};

struct SizeResult {
  int lines = 0;
  bool receipts_ok = false, work_ok = false;
  int listed = 0;  // lines in the work list
  Action add, del, open, save;
};

// SQLite's run of an action, noted in `a` when the round is timed.
void TimeLite(Action* a, const std::function<void()>& work) {
  const LiteRun run = TimeSqlite(work);
  if (a) a->Note(run);
}

// ---- receipts ---------------------------------------------------------------

// The order's REST and its receipts, as our tables hold them.
std::pair<double, int> OurReceiptState(double codcap) {
  std::pair<double, int> s{0, 0};
  lumi::TQuery q;
  q.SQL().Add(("SELECT REST FROM " + Table("CapCom.dbf")).toStdString());
  q.SQL().Add("WHERE CODCAP=" + Code(codcap));
  q.Open();
  if (!q.IsEmpty()) s.first = q.FieldByName("REST").AsFloat();
  q.Close();
  q.SQL().Clear();
  q.SQL().Add(("SELECT * FROM " + Table("Plati.dbf")).toStdString());
  q.SQL().Add("WHERE CODCAP=" + Code(codcap));
  q.Open();
  s.second = q.RecordCount();
  q.Close();
  return s;
}

bool Same(std::pair<double, int> a, std::pair<double, int> b) {
  return Near(a.first, b.first) && a.second == b.second;
}

// Adds a receipt through the entry; returns its code (the list stands on
// it), -1 when none.
double AddOurs(TForm42* p, Action* a) {
  TForm43* e = Form43();
  Meter meter;
  const EntrySaved saved = SaveThroughEntry(
      e, p, [&] { p->BitBtn1Click(); },
      [&] {
        e->Edit1->setText(kDocument);
        e->Edit2->setText(kAmount);
      },
      [&] { e->BitBtn1Click(); }, a ? &meter : nullptr);
  if (saved.ms < 0) {
    std::printf("  the receipt entry %s\n", saved.refused ? "refused the amount" : "was not shown");
    return -1;
  }
  if (p->M1.IsEmpty() || p->M1.FieldByName("DOCJUS").AsString() != kDocument) {
    std::printf("  after the save the list does not stand on the receipt saved\n");
    return -1;
  }
  if (a) {
    a->ours.push_back(saved.ms);
    a->Note(meter);
  }
  return p->M1.FieldByName("CODPL").AsFloat();
}

bool DeleteOurs(TForm42* p, double codpl, Action* a) {
  if (!p->M1.Locate("CODPL", Code(codpl))) {
    std::printf("  receipt %s is not listed\n", Code(codpl).c_str());
    return false;
  }
  Meter meter;
  const AnsweredDa t = ClickAnsweringDa(
      p, [&] { p->BitBtn2Click(); }, a ? &meter : nullptr);
  if (t.ms < 0) {
    std::printf("  the deletion's question was not shown\n");
    return false;
  }
  if (p->M1.Locate("CODPL", Code(codpl))) {
    std::printf("  receipt %s is still listed after its deletion\n", Code(codpl).c_str());
    return false;
  }
  if (a) {
    a->ours.push_back(t.ms);
    a->Note(meter);
  }
  return true;
}

bool ReceiptRounds(TForm42* p, SqlitePaymentsWork& lite, const SqlitePaymentsWork::Order& o,
                   SizeResult& r) {
  const auto ours0 = OurReceiptState(o.codcap);
  const auto lite0 = lite.ReceiptState(o);
  if (!Same(ours0, lite0)) {
    std::printf("  before the rounds ours/SQLite differ: rest %.2f/%.2f, receipts %d/%d\n",
                ours0.first, lite0.first, ours0.second, lite0.second);
  }
  const std::string date = QDate::currentDate().toString("yyyy-MM-dd").toStdString();
  for (int round = -1; round < g_rounds; ++round) {
    const bool timed = round >= 0;
    const double code = AddOurs(p, timed ? &r.add : nullptr);
    if (code < 0) return false;
    TimeLite(timed ? &r.add : nullptr, [&] { lite.AddReceipt(o, code, date, kAmount, kDocument); });
    if (round == -1) {
      const auto ours1 = OurReceiptState(o.codcap), lite1 = lite.ReceiptState(o);
      if (!Same(ours1, lite1) || ours1.second != ours0.second + 1) {
        std::printf("  after a receipt ours/SQLite differ: rest %.2f/%.2f, receipts %d/%d\n",
                    ours1.first, lite1.first, ours1.second, lite1.second);
        return false;
      }
    }
    if (!DeleteOurs(p, code, timed ? &r.del : nullptr)) return false;
    TimeLite(timed ? &r.del : nullptr, [&] { lite.DeleteReceipt(o, code, kAmount); });
  }
  const bool ours_same = Same(ours0, OurReceiptState(o.codcap));
  const bool lite_same = Same(lite0, lite.ReceiptState(o));
  std::printf("  after the rounds: ours %s, SQLite %s\n", ours_same ? "as before" : "changed",
              lite_same ? "as before" : "changed");
  return ours_same && lite_same;
}

void RunReceipts(SqlitePaymentsWork& lite, SizeResult& r) {
  const SqlitePaymentsWork::Order o = lite.ChooseOrder(100);
  if (o.codcap < 0) {
    std::printf("  no order in progress with anything left to collect\n");
    return;
  }
  // New receipt codes come from the settings file's counter: past every
  // receipt the folder holds.
  CounterPast("CODPL", lite.HighestReceiptCode());
  TForm7* f = Form7();
  TForm42* p = Form42();
  bool done = false;
  InsideOrdersWindow(f, [&] {
    if (!f->RadioButton3->isChecked()) f->RadioButton3->click();
    if (!f->CLQ.Locate("CODCLI", Code(o.codcli)) || !f->CZ1.Locate("CODCAP", Code(o.codcap))) {
      std::printf("  the window cannot stand on client %s, order %s\n", Code(o.codcli).c_str(),
                  Code(o.codcap).c_str());
      return;
    }
    std::printf("  receipts: order %s of client %s, rest %.2f\n", Code(o.codcap).c_str(),
                Code(o.codcli).c_str(), o.rest);
    std::fflush(stdout);
    ModalAnswer answer(p, f, [&] {
      done = ReceiptRounds(p, lite, o, r);
      p->reject();
    });
    Settle();
    f->ConvexBtn9Click();
    if (!answer.answered()) std::printf("  the payments window was not shown\n");
  });
  r.receipts_ok = done && !r.add.ours.empty();
}

// ---- the work-in-progress list ----------------------------------------------

// EXECUTAT of these lines and of their works' headings, as our table holds
// them; written as SqlitePaymentsWork::WorkState writes SQLite's.
std::string OurWorkState(const std::vector<double>& codcoms) {
  std::string s;
  for (double c : codcoms) {
    lumi::TQuery q;
    q.SQL().Add(("SELECT EXECUTAT, CODCAP, TITLU FROM " + Table("Comenzi.dbf")).toStdString());
    q.SQL().Add("WHERE CODCOM=" + Code(c));
    q.Open();
    if (q.IsEmpty()) continue;
    const std::string mark = q.FieldByName("EXECUTAT").AsString();
    const std::string codcap = Code(q.FieldByName("CODCAP").AsFloat());
    const std::string title = q.FieldByName("TITLU").AsString();
    q.Close();
    q.SQL().Clear();
    q.SQL().Add(("SELECT EXECUTAT FROM " + Table("Comenzi.dbf")).toStdString());
    q.SQL().Add("WHERE CODCAP=" + codcap + " AND TITLU=\"" + title + "\" AND CODMAG IS NULL");
    q.Open();
    s += Code(c) + ":" + mark + "/" + (q.IsEmpty() ? "-" : q.FieldByName("EXECUTAT").AsString()) +
         " ";
  }
  return s;
}

// Flips the ticks of `codcoms` in our list as double clicks do.
bool Flip(TForm8* w, const std::vector<double>& codcoms) {
  for (double c : codcoms) {
    if (!w->Lx.Locate("CODCOM", Code(c))) {
      std::printf("  line %s is not in the work list\n", Code(c).c_str());
      return false;
    }
    w->SMDBGrid1DblClick();
  }
  return true;
}

// MEMOREAZA, its notice answered; returns the ms until the notice showed.
double SaveOurs(TForm8* w, Action* a) {
  TForm30* m = Form30();
  Settle();
  QElapsedTimer click;
  Meter meter;
  ShowWatch shown(m, &click);
  ModalAnswer answer(m, w, [&] {
    if (a) meter.Stop();
    m->Bo->click();
  });
  if (a) meter.Start();
  click.start();
  w->BitBtn1Click();
  if (!answer.answered() || shown.ms < 0) {
    std::printf("  the save's notice was not shown\n");
    return -1;
  }
  if (a) {
    a->ours.push_back(shown.ms);
    a->Note(meter);
  }
  return shown.ms;
}

void RunWork(SqlitePaymentsWork& lite, SizeResult& r) {
  const std::vector<double> codes = lite.ChooseWorkLines(kFlippedLines);
  if (codes.empty()) {
    std::printf("  no goods line of a work in an open order\n");
    return;
  }
  const std::string ours0 = OurWorkState(codes);
  const std::string lite0 = lite.WorkState(codes);
  std::printf("  work list: lines flipped %s\n", lite0.c_str());
  if (ours0 != lite0) std::printf("  before the rounds ours differ: %s\n", ours0.c_str());
  std::fflush(stdout);
  TForm8* w = Form8();
  bool ok = true;
  for (int round = -1; round < g_work_rounds && ok; ++round) {
    const bool timed = round >= 0;
    QElapsedTimer open;
    Meter meter;
    double opened = -1;
    bool inside_ok = false;
    ModalAnswer answer(
        w, nullptr,
        [&] {
          opened = Ms(open);
          if (timed) meter.Stop();
          r.listed = w->Lx.RecordCount();
          struct CloseAtEnd {
            TForm8* w;
            ~CloseAtEnd() { w->reject(); }
          } close{w};
          // Flipped and saved, then flipped back and saved.
          for (int pass = 0; pass < 2; ++pass) {
            if (!Flip(w, codes)) return;
            if (SaveOurs(w, timed ? &r.save : nullptr) < 0) return;
            if (pass == 0 && round == -1) {
              // Saved on our side only so far; SQLite's list was flipped too.
              const std::string ours1 = OurWorkState(codes);
              if (ours1 == ours0) {
                std::printf("  the save changed nothing: %s\n", ours1.c_str());
                return;
              }
              std::printf("  after one save ours: %s\n", ours1.c_str());
            }
          }
          inside_ok = true;
        },
        600000);
    Settle();
    if (timed) meter.Start();
    open.start();
    w->ArataLucru();
    if (!answer.answered() || !inside_ok || opened < 0) {
      if (w->isVisible()) w->reject();
      std::printf("  the work window round did not complete\n");
      ok = false;
      break;
    }
    if (timed) {
      r.open.ours.push_back(opened);
      r.open.Note(meter);
    }
    // SQLite: the same open, flips, two saves, close.
    int lite_rows = 0;
    TimeLite(timed ? &r.open : nullptr, [&] { lite_rows = lite.OpenWork(); });
    if (lite_rows != r.listed) {
      std::printf("  work list rows ours/SQLite: %d/%d\n", r.listed, lite_rows);
    }
    for (int pass = 0; pass < 2; ++pass) {
      for (double c : codes) lite.FlipTick(c);
      TimeLite(timed ? &r.save : nullptr, [&] { lite.SaveWork(); });
      if (pass == 0 && round == -1) {
        std::printf("  after one save SQLite: %s\n", lite.WorkState(codes).c_str());
      }
    }
    lite.CloseWork();
  }
  const std::string ours_after = OurWorkState(codes);
  const std::string lite_after = lite.WorkState(codes);
  std::printf("  after the rounds: ours %s, SQLite %s\n",
              ours_after == ours0 ? "as before" : ("changed: " + ours_after).c_str(),
              lite_after == lite0 ? "as before" : ("changed: " + lite_after).c_str());
  r.work_ok = ok && ours_after == ours0 && lite_after == lite0 && !r.open.ours.empty();
}

// ---- the table ----------------------------------------------------------------

struct Row {
  const char* name;
  Action SizeResult::*action;
  bool flat_goal;  // keyed: must not grow with the table
};
constexpr Row kRows[] = {{"receipt", &SizeResult::add, true},
                         {"receipt del", &SizeResult::del, true},
                         {"work open", &SizeResult::open, false},
                         {"work save", &SizeResult::save, false}};

bool Done(const SizeResult& s, const Row& row) {
  return row.action == &SizeResult::add || row.action == &SizeResult::del ? s.receipts_ok
                                                                          : s.work_ok;
}

void PrintRows(const std::vector<SizeResult>& all) {
  std::printf("\n  %-12s %9s %10s %10s %7s %9s %9s\n", "action", "lines", "ours ms", "SQLite ms",
              "ratio", "ours peak", "SQLite");
  std::printf("  %-12s %9s %10s %10s %7s %9s %9s\n", "", "", "", "", "", "heap MB", "peak MB");
  for (const Row& row : kRows) {
    for (const SizeResult& s : all) {
      if (!Done(s, row)) continue;
      const Action& a = s.*row.action;
      const double ours = Median(a.ours), lite = Median(a.lite);
      std::printf("  %-12s %9d %10.3f %10.3f %7.2f %9.2f %9.2f\n", row.name, s.lines, ours, lite,
                  lite > 0 ? ours / lite : 0.0, Mb(a.heap), Mb(a.lite_bytes));
    }
  }
  std::fflush(stdout);
}

SizeResult RunSize(int lines) {
  SizeResult r;
  r.lines = lines;
  const DataFolder folder = PrepareDataFolder(g_data_root, lines);
  const std::string db = PreparePaymentsWorkDatabase(folder.dir, lines);
  CaleProgram = QString::fromStdString(folder.dir);
  CaleData = CaleProgram + "/Data";
  SqlitePaymentsWork lite(db);
  std::printf("\n== %d order lines: %s %s\n", lines,
              folder.reused ? "data reused from" : "data generated in", folder.dir.c_str());
  std::fflush(stdout);
  PackLeftovers(CaleData.toStdString(), "Plati.dbf", lite.Receipts());
  // The program runs in its own folder, which stays quiet while it works
  // (the file dialogs of the windows created with the others watch it).
  QDir::setCurrent(CaleProgram);
  CreeazaFerestrele();
  RunReceipts(lite, r);
  if (!r.receipts_ok) std::printf("  the receipt rounds did not complete\n");
  RunWork(lite, r);
  if (!r.work_ok) std::printf("  the work rounds did not complete\n");
  DistrugeFerestrele();
  std::printf("  work list: %d lines listed\n", r.listed);
  PrintRows({r});
  return r;
}

}  // namespace
}  // namespace lumi::bench

int main(int argc, char** argv) {
  using namespace lumi::bench;
  SetUpHeadless();
  QApplication app(argc, argv);
  const std::vector<int> sizes = ParseArgs(argc, argv, &g_rounds, &g_data_root, [&](int& i) {
    if (std::strcmp(argv[i], "--work-rounds") != 0 || i + 1 >= argc) return false;
    g_work_rounds = std::max(1, std::atoi(argv[++i]));
    return true;
  });
  std::printf(
      "bench_payments_work: receipts and the work-in-progress list through the windows'\n"
      "operations, beside SQLite %s (synchronous=FULL, journal_mode=DELETE); median of %d\n"
      "receipt rounds and %d work rounds (two saves each), ms per action\n",
      sqlite3_libversion(), g_rounds, g_work_rounds);
  WatchMessageBoxes();

  std::vector<SizeResult> all;
  for (int n : sizes) all.push_back(RunSize(n));

  std::printf("\n== all sizes");
  PrintRows(all);
  std::printf(
      "\n== goals (printed, not asserted): ours <= 0.75 x SQLite; receipts flat across sizes "
      "(x <= 1.3)\n");
  for (const Row& row : kRows) {
    std::vector<const SizeResult*> ok;
    for (const SizeResult& s : all) {
      if (Done(s, row)) ok.push_back(&s);
    }
    for (const SizeResult* s : ok) {
      const Action& a = s->*row.action;
      const double lite = Median(a.lite);
      const double ratio = lite > 0 ? Median(a.ours) / lite : 0;
      std::printf("  %-12s %8d lines: ours/SQLite %.2f %s\n", row.name, s->lines, ratio,
                  ratio <= 0.75 ? "(met)" : "(not met)");
    }
    if (ok.size() >= 2) {
      const Action& a = ok.front()->*row.action;
      const Action& b = ok.back()->*row.action;
      const double growth = Median(b.ours) / Median(a.ours);
      std::printf("  %-12s %d -> %d lines: time x%.2f%s, SQLite x%.2f, peak heap %.2f -> %.2f MB\n",
                  row.name, ok.front()->lines, ok.back()->lines, growth,
                  row.flat_goal ? (growth <= 1.3 ? " (met)" : " (not met)") : "",
                  Median(b.lite) / Median(a.lite), Mb(a.heap), Mb(b.heap));
    }
  }
  return 0;
}
