// Saving and removing an order line through the windows' own operations, on
// a shop of 10 000 and 1 200 000 order lines, beside SQLite running the same
// statements on the same rows.
//
// Usage: bench_order_lines [--rounds N] [--data DIR] [--statements] [lines...]
//        (default: 21 rounds, /tmp/bench_orders_data, 10000 1200000)
//
// --statements also prints where each action's time goes: the time from
// each statement our engine starts to the next mark (the next statement,
// the entry closing, the window refreshed), median over the rounds. It
// allocates while it records, so its runs' memory figures are not clean.
//
// The orders window is open on an order in progress from the middle of the
// table, not its client's first (so that the refresh after each action reads
// as much at every size), as a user works on it:
//   save     the line entry opened from the window (ConvexBtn2Click), its
//            boxes filled (a work of the order, a goods item in square
//            metres, length and width, pieces), its save button
//            (BitBtn1Click); timed from the click until the window has read
//            the order and its lines again.
//   removal  the window's removal button (ConvexBtn4Click) on the line just
//            saved, the question answered DA; timed from the answer until
//            the window is refreshed.
// Each round saves a line and removes it again, ours then SQLite's, so the
// rows stay as generated and both sizes stay comparable; the median round
// is shown, after one round untimed. Before each click the screen is let
// catch up (see Settle). SQLite runs each action's statements, the window's
// refresh reads among them, in one BEGIN ... COMMIT.
//
// Memory is the heap taken through operator new plus the engine's big
// buffers (bench/sql's meter) above what the process held before the
// action, and the growth of the resident set; SQLite's is its allocator's
// high-water. "read KB" is what the process read from files during the
// action (rchar, page cache included): it shows a statement reading more
// than its keys.
//
// Data folders are bench_orders' (DIR/<lines>, kept while their marker is
// there; their Comenzi.dbf is packed when earlier runs left removed rows in
// it); the SQLite database of these statements is
// DIR/<lines>/sqlite/lines.sqlite. The program runs in DIR/<lines>.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/orders/headless.h"
#include "bench/orders/orders_data.h"
#include "bench/orders/sql_literals.h"
#include "bench/orders/sqlite_order_lines.h"
#include "controls/NumarF.h"
#include "engine/session.h"
#include "orders/Comenzi.h"
#include "orders/Produse.h"
#include "shell/Forms.h"
#include "shell/Globals.h"

namespace lumi::bench {
namespace {

int g_rounds = 21;
std::string g_data_root = "/tmp/bench_orders_data";
bool g_statements = false;

// The line saved each round: 1 x 0.5 m of glass, two pieces.
constexpr const char* kLength = "1";
constexpr const char* kWidth = "0.5";
constexpr double kArea = 0.5;
constexpr int kPieces = 2;

// ---- results ----------------------------------------------------------------

// One action's rounds on both sides.
struct Action {
  std::vector<double> ours, lite, read_kb;
  std::vector<double> part;     // save: until the entry closes; removal: the whole click
  std::vector<double> opening;  // save: the entry's opening, before the click
  size_t heap = 0, rss = 0, lite_bytes = 0;

  void Note(const Meter& m) {
    heap = std::max(heap, m.heap());
    rss = std::max(rss, m.rss());
    read_kb.push_back(static_cast<double>(m.read()) / 1024);
  }
  void Note(const LiteRun& run) {
    lite.push_back(run.ms);
    lite_bytes = std::max(lite_bytes, run.peak);
  }
};

struct SizeResult {
  int lines = 0;
  bool ok = false;
  Action save, removal;
  bool rss_known = false;
};

// ---- where the time goes (--statements) ------------------------------------

// Marks through one action: each statement as the session is about to run
// it, and the bench's own marks around them.
struct Mark {
  qint64 ns;
  std::string what;
};
std::vector<Mark>* g_marks = nullptr;  // recording when set
QElapsedTimer g_clock;

void NoteMark(const std::string& what) {
  if (g_marks) g_marks->push_back({g_clock.nsecsElapsed(), what});
}

// One statement's text on one line, the folder left out of table names.
std::string Shorten(std::string sql) {
  for (char& c : sql) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  const std::string folder = "\"" + CaleData.toStdString() + "\\";
  for (size_t at; (at = sql.find(folder)) != std::string::npos;) sql.replace(at, folder.size(), "");
  for (size_t at; (at = sql.find(".dbf\"")) != std::string::npos;) sql.replace(at, 5, "");
  if (sql.size() > 96) sql = sql.substr(0, 93) + "...";
  return sql;
}

// The marks of every round of one action; the segments between marks,
// median over the rounds.
struct Breakdown {
  std::vector<std::vector<Mark>> rounds;
  void Print(const char* action) const {
    if (rounds.empty()) return;
    std::printf("  %s, where the time goes (ms from each mark to the next, median of %zu):\n",
                action, rounds.size());
    const std::vector<Mark>& first = rounds.front();
    for (size_t k = 0; k + 1 < first.size(); ++k) {
      std::vector<double> ms;
      for (const std::vector<Mark>& r : rounds) {
        if (r.size() == first.size())
          ms.push_back(static_cast<double>(r[k + 1].ns - r[k].ns) / 1e6);
      }
      std::printf("    %8.3f  %s\n", Median(ms), first[k].what.c_str());
    }
  }
};

// The order's lines, totals, work total and the item's stock as the window
// and our tables hold them.
SqliteOrderLines::State OurState(TForm7* f, const SqliteOrderLines::Target& t) {
  SqliteOrderLines::State s;
  lumi::TQuery& de1 = f->DE1;
  if (de1.Active()) {
    s.lines = de1.RecordCount();
    const int titlu = de1.FieldByName("TITLU").Index();
    const int denumire = de1.FieldByName("DENUMIRE").Index();
    const int total = de1.FieldByName("TOTAL").Index();
    for (int r = 0; r < s.lines; ++r) {
      const dbf::Value d = de1.Cell(r, denumire);
      const dbf::Value w = de1.Cell(r, titlu);
      if ((d.is_null() || d.text().empty()) && !w.is_null() && w.text() == t.work) {
        s.work_total = de1.Cell(r, total).number();
      }
    }
  }
  if (f->CZ1.Active() && !f->CZ1.IsEmpty()) {
    s.cost = f->CZ1.FieldByName("COST").AsFloat();
    s.rest = f->CZ1.FieldByName("REST").AsFloat();
  }
  lumi::TQuery q;
  q.SQL().Add(("SELECT STOC FROM " + Table("Magazie.dbf")).toStdString());
  q.SQL().Add("WHERE CODMAG=" + Code(t.codmag));
  q.Open();
  if (!q.IsEmpty()) s.stock = q.FieldByName("STOC").AsFloat();
  q.Close();
  return s;
}

// The differences between two states, empty when none.
std::string Differences(const SqliteOrderLines::State& a, const SqliteOrderLines::State& b) {
  std::string d;
  char buf[160];
  if (a.lines != b.lines) {
    std::snprintf(buf, sizeof buf, " lines %d/%d;", a.lines, b.lines);
    d += buf;
  }
  const std::pair<const char*, std::pair<double, double>> values[] = {
      {"cost", {a.cost, b.cost}},
      {"rest", {a.rest, b.rest}},
      {"work total", {a.work_total, b.work_total}},
      {"stock", {a.stock, b.stock}}};
  for (const auto& [name, v] : values) {
    if (!Near(v.first, v.second)) {
      std::snprintf(buf, sizeof buf, " %s %.3f/%.3f;", name, v.first, v.second);
      d += buf;
    }
  }
  return d;
}

// Opens the line entry from the window, fills its boxes and saves; returns
// the code of the line saved (the window stands on it), -1 when none.
double SaveOurs(TForm7* f, const SqliteOrderLines::Target& t, Action* a) {
  TForm41* e = Form41();
  QElapsedTimer open;
  Meter meter;
  double opening = -1;
  const EntrySaved saved = SaveThroughEntry(
      e, f,
      [&] {
        open.start();
        f->ConvexBtn2Click();
      },
      [&] {
        opening = Ms(open);
        // Each box emptied first, so that its change always runs as typed.
        e->Edit1->setText(QString::fromStdString(t.work));
        e->ComboBox1->setEditText(QString());
        e->ComboBox1->setEditText(QString::fromStdString(t.item));
        e->SpinEdit1->setValue(kPieces);
        e->LungX->clear();
        e->LatX->clear();
        e->LungX->setText(kLength);
        e->LatX->setText(kWidth);
      },
      [&] { e->BitBtn1Click(); }, a ? &meter : nullptr, [](const char* what) { NoteMark(what); });
  if (saved.ms < 0) {
    std::printf("  the line entry %s\n",
                saved.refused ? "refused the save" : "was not shown or not saved");
    return -1;
  }
  if (f->DE1.IsEmpty() || f->DE1.FieldByName("DENUMIRE").AsString() != t.item) {
    std::printf("  after the save the window does not stand on the line saved\n");
    return -1;
  }
  if (a) {
    a->ours.push_back(saved.ms);
    a->part.push_back(saved.closed);
    a->opening.push_back(opening);
    a->Note(meter);
  }
  return f->DE1.FieldByName("CODCOM").AsFloat();
}

// Removes the line `codcom` with the window's button, answering DA.
bool RemoveOurs(TForm7* f, double codcom, Action* a) {
  if (!f->DE1.Locate("CODCOM", Code(codcom))) {
    std::printf("  line %s is not in the window's lines\n", Code(codcom).c_str());
    return false;
  }
  Meter meter;
  const AnsweredDa t = ClickAnsweringDa(
      f, [&] { f->ConvexBtn4Click(); }, a ? &meter : nullptr,
      [](const char* what) { NoteMark(what); });
  if (t.ms < 0) {
    std::printf("  the removal's question was not shown\n");
    return false;
  }
  if (f->DE1.Locate("CODCOM", Code(codcom))) {
    std::printf("  line %s is still listed after its removal\n", Code(codcom).c_str());
    return false;
  }
  if (a) {
    a->ours.push_back(t.ms);
    a->part.push_back(t.whole);
    a->Note(meter);
  }
  return true;
}

// The rounds, inside the open window.
bool Rounds(TForm7* f, SqliteOrderLines& lite, const SqliteOrderLines::Target& t, SizeResult& r) {
  if (!f->RadioButton3->isChecked()) f->RadioButton3->click();
  if (!f->CLQ.Locate("CODCLI", Code(t.codcli)) || !f->CZ1.Locate("CODCAP", Code(t.codcap))) {
    std::printf("  the window cannot stand on client %s, order %s\n", Code(t.codcli).c_str(),
                Code(t.codcap).c_str());
    return false;
  }
  const SqliteOrderLines::State ours0 = OurState(f, t);
  const SqliteOrderLines::State lite0 = lite.StateOf(t);
  const std::string before = Differences(ours0, lite0);
  if (!before.empty()) std::printf("  before the rounds ours/SQLite differ:%s\n", before.c_str());
  std::printf(
      "  order %s of client %s (%d lines; listed %d of %d for the client), work \"%s\", item %s "
      "\"%s\" (stock %.3f, price %.2f)\n",
      Code(t.codcap).c_str(), Code(t.codcli).c_str(), ours0.lines, f->CZ1.RecNo() + 1,
      f->CZ1.RecordCount(), t.work.c_str(), Code(t.codmag).c_str(), t.item.c_str(), t.stock,
      t.price);
  std::fflush(stdout);

  // As the entry computes it: 0.5 m2 a piece, the total rounded to the cent.
  SqliteOrderLines::Line line;
  char buf[32];
  line.quantity = "0.5";
  std::snprintf(buf, sizeof buf, "%.3f", kArea * kPieces);
  line.taken = buf;
  std::snprintf(buf, sizeof buf, "%.2f", t.price);
  line.price = buf;
  std::snprintf(buf, sizeof buf, "%.2f", std::round(t.price * kArea * kPieces * 100) / 100);
  line.total = buf;
  line.length = kLength;
  line.width = kWidth;
  line.pieces = kPieces;

  std::vector<Mark> marks;
  auto record = [&](bool on) {
    if (on) marks.clear();
    g_marks = on && g_statements ? &marks : nullptr;
  };
  Breakdown save_steps, removal_steps;
  for (int round = -1; round < g_rounds; ++round) {
    const bool timed = round >= 0;
    record(timed);
    const double code = SaveOurs(f, t, timed ? &r.save : nullptr);
    record(false);
    if (timed && g_statements) save_steps.rounds.push_back(marks);
    if (code < 0) return false;
    line.codcom = code;
    r.save.Note(TimeSqlite([&] { lite.Save(t, line); }));
    record(timed);
    const bool removed = RemoveOurs(f, code, timed ? &r.removal : nullptr);
    record(false);
    if (timed && g_statements) removal_steps.rounds.push_back(marks);
    if (!removed) return false;
    r.removal.Note(TimeSqlite([&] { lite.Remove(t, code); }));
    if (!timed) {
      r.save.lite.clear();
      r.removal.lite.clear();
    }
  }
  const std::string ours_after = Differences(ours0, OurState(f, t));
  const std::string lite_after = Differences(lite0, lite.StateOf(t));
  save_steps.Print("save");
  removal_steps.Print("removal");
  std::printf("  after the rounds: ours %s, SQLite %s\n",
              ours_after.empty() ? "as before" : ("changed:" + ours_after).c_str(),
              lite_after.empty() ? "as before" : ("changed:" + lite_after).c_str());
  return ours_after.empty() && lite_after.empty();
}

void PrintRows(const std::vector<SizeResult>& all) {
  std::printf("\n  %-8s %9s %9s %9s %7s %9s %8s %9s %8s\n", "action", "lines", "ours ms",
              "SQLite ms", "ratio", "ours peak", "ours RSS", "ours read", "SQLite");
  std::printf("  %-8s %9s %9s %9s %7s %9s %8s %9s %8s\n", "", "", "", "", "", "heap MB", "+MB",
              "KB", "peak MB");
  for (const char* name : {"save", "removal"}) {
    for (const SizeResult& s : all) {
      if (!s.ok) continue;
      const Action& a = std::strcmp(name, "save") == 0 ? s.save : s.removal;
      const double ours = Median(a.ours), lite = Median(a.lite);
      std::printf("  %-8s %9d %9.3f %9.3f %7.2f %9.2f %s %9.1f %8.2f\n", name, s.lines, ours, lite,
                  lite > 0 ? ours / lite : 0.0, Mb(a.heap), RssColumn(a.rss, s.rss_known).c_str(),
                  Median(a.read_kb), Mb(a.lite_bytes));
    }
  }
  std::fflush(stdout);
}

SizeResult RunSize(int lines) {
  SizeResult r;
  r.lines = lines;
  const DataFolder folder = PrepareDataFolder(g_data_root, lines);
  const std::string db = PrepareLinesDatabase(folder.dir, lines);
  CaleProgram = QString::fromStdString(folder.dir);
  CaleData = CaleProgram + "/Data";
  SqliteOrderLines lite(db);
  const SqliteOrderLines::Target t = lite.Choose(kArea * kPieces * 4);
  std::printf("\n== %d order lines: %s %s\n", lines,
              folder.reused ? "data reused from" : "data generated in", folder.dir.c_str());
  std::fflush(stdout);
  if (t.codcap < 0 || t.codmag < 0 || t.work.empty()) {
    std::printf("  no order in progress with a work, or no goods item with stock\n");
    return r;
  }

  // Each round leaves the line it removed marked deleted.
  PackLeftovers(CaleData.toStdString(), "Comenzi.dbf", lite.Lines());
  // The program runs in its own folder, which stays quiet while it works:
  // the file dialogs of the administration window (created with the
  // others) watch the current folder, and a busy one such as /tmp has them
  // reading files in the middle of the actions.
  QDir::setCurrent(CaleProgram);
  CreeazaFerestrele();
  // New line codes come from the settings file's counter: past every line
  // the folder holds.
  CounterPast("CODCOM", lite.HighestLineCode());
  if (g_statements) {
    g_clock.start();
    lumi::DefaultSession().SetStatementHook([](const std::string& sql) { NoteMark(Shorten(sql)); });
  }
  TForm7* f = Form7();
  Meter probe;
  probe.Start();
  r.rss_known = probe.rss_known();
  bool done = false;
  InsideOrdersWindow(f, [&] { done = Rounds(f, lite, t, r); });
  DistrugeFerestrele();
  lumi::DefaultSession().SetStatementHook(nullptr);
  r.ok = done && !r.save.ours.empty();
  if (!r.ok) {
    std::printf("  the rounds did not complete\n");
    return r;
  }
  std::printf(
      "  save: %.3f ms from the click until the entry closed (the statements and the commit), "
      "the rest the window's refresh;\n        opening the entry before it: %.3f ms\n",
      Median(r.save.part), Median(r.save.opening));
  std::printf("  removal: %.3f ms for the whole click, the question shown, painted and answered\n",
              Median(r.removal.part));
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
    if (std::strcmp(argv[i], "--statements") != 0) return false;
    g_statements = true;
    return true;
  });
  std::printf(
      "bench_order_lines: saving and removing an order line through the windows' operations,\n"
      "beside SQLite %s (synchronous=FULL, journal_mode=DELETE); median of %d rounds, ms per "
      "action\n",
      sqlite3_libversion(), g_rounds);
  WatchMessageBoxes();

  std::vector<SizeResult> all;
  for (int n : sizes) all.push_back(RunSize(n));

  std::printf("\n== all sizes");
  PrintRows(all);
  std::printf(
      "\n== goals (printed, not asserted): time flat across sizes (x <= 1.3), "
      "ours <= 0.75 x SQLite\n");
  std::vector<const SizeResult*> ok;
  for (const SizeResult& s : all) {
    if (s.ok) ok.push_back(&s);
  }
  for (const char* name : {"save", "removal"}) {
    auto pick = [&](const SizeResult* s) -> const Action& {
      return std::strcmp(name, "save") == 0 ? s->save : s->removal;
    };
    for (const SizeResult* s : ok) {
      const double ours = Median(pick(s).ours), lite = Median(pick(s).lite);
      const double ratio = lite > 0 ? ours / lite : 0;
      std::printf("  %-8s %8d lines: ours/SQLite %.2f %s\n", name, s->lines, ratio,
                  ratio <= 0.75 ? "(met)" : "(not met)");
    }
    if (ok.size() >= 2) {
      const Action& a = pick(ok.front());
      const Action& b = pick(ok.back());
      const double growth = Median(b.ours) / Median(a.ours);
      std::printf("  %-8s %d -> %d lines: time x%.2f %s, SQLite x%.2f, peak heap %.2f -> %.2f MB\n",
                  name, ok.front()->lines, ok.back()->lines, growth,
                  growth <= 1.3 ? "(met)" : "(not met)", Median(b.lite) / Median(a.lite),
                  Mb(a.heap), Mb(b.heap));
    }
  }
  return 0;
}
