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
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "bench/orders/orders_data.h"
#include "bench/orders/sqlite_order_lines.h"
#include "bench/sql/memory_meter.h"
#include "controls/NumarF.h"
#include "engine/session.h"
#include "orders/Comenzi.h"
#include "orders/Produse.h"
#include "shell/Erori30.h"
#include "shell/Forms.h"
#include "shell/Globals.h"
#include "shell/Unit1.h"

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

// ---- memory -----------------------------------------------------------------

// A number from a /proc file ("VmRSS:" in status, "rchar:" in io), read
// without touching the heap, which is being measured.
size_t ProcValue(const char* path, const char* key) {
  char buf[8192];
  int fd = ::open(path, O_RDONLY);
  if (fd < 0) return 0;
  ssize_t n = ::read(fd, buf, sizeof buf - 1);
  ::close(fd);
  if (n <= 0) return 0;
  buf[n] = 0;
  const char* at = std::strstr(buf, key);
  return at ? std::strtoull(at + std::strlen(key), nullptr, 10) : 0;
}

// Over one action: the heap and resident-set peaks above where they stood
// when it began, and the bytes read from files. The resident peak is reset
// through clear_refs ("5").
class Meter {
 public:
  void Start() {
    int fd = ::open("/proc/self/clear_refs", O_WRONLY);
    if (fd >= 0) {
      rss_reset_ = ::write(fd, "5", 1) == 1;
      ::close(fd);
    }
    rss_base_ = ProcValue("/proc/self/status", "VmRSS:");
    read_base_ = ProcValue("/proc/self/io", "rchar:");
    ResetHeapPeak();
    heap_base_ = HeapNow();
  }
  void Stop() {
    read_ = ProcValue("/proc/self/io", "rchar:") - read_base_;
    heap_ = HeapPeak() - heap_base_;
    rss_ = 0;
    if (rss_reset_) {
      size_t hwm = ProcValue("/proc/self/status", "VmHWM:");
      rss_ = hwm > rss_base_ ? (hwm - rss_base_) * 1024 : 0;
    }
  }
  size_t heap() const { return heap_; }
  size_t rss() const { return rss_; }
  size_t read() const { return read_; }
  bool rss_known() const { return rss_reset_; }

 private:
  size_t heap_base_ = 0, rss_base_ = 0, read_base_ = 0, heap_ = 0, rss_ = 0, read_ = 0;
  bool rss_reset_ = false;
};

// ---- results ----------------------------------------------------------------

double Ms(const QElapsedTimer& t) { return static_cast<double>(t.nsecsElapsed()) / 1e6; }
double Mb(size_t bytes) { return static_cast<double>(bytes) / 1048576.0; }

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

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
};

struct SizeResult {
  int lines = 0;
  bool ok = false;
  Action save, removal;
  bool rss_known = false;
};

std::string Code(double v) { return std::to_string(std::llround(v)); }

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

// ---- driving the windows ----------------------------------------------------

// Runs `act` inside the modal loop of `dialog` once it is the active modal
// window. Armed before the call that opens the dialog (exec() blocks). When
// the dialog has not shown within the timeout, whatever other modal window
// is open above `outer` is closed and the answer is given up, so that a run
// never hangs.
class ModalAnswer {
 public:
  ModalAnswer(QWidget* dialog, QWidget* outer, std::function<void()> act, int timeout_ms = 30000)
      : dialog_(dialog), outer_(outer), act_(std::move(act)), timeout_ms_(timeout_ms) {
    poll_.setInterval(0);
    QObject::connect(&poll_, &QTimer::timeout, [this] { Poll(); });
    since_.start();
    poll_.start();
  }
  bool answered() const { return answered_; }

 private:
  void Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == dialog_ && dialog_->isVisible()) {
      poll_.stop();
      answered_ = true;
      try {
        act_();
      } catch (const std::exception& e) {
        std::printf("  error inside %s: %s\n", qPrintable(dialog_->objectName()), e.what());
      }
      return;
    }
    if (since_.elapsed() < timeout_ms_) return;
    poll_.stop();
    std::printf("  %s was not shown", qPrintable(dialog_->objectName()));
    if (auto* d = qobject_cast<QDialog*>(modal); d && modal != outer_) {
      std::printf("; closing %s", qPrintable(modal->objectName()));
      d->reject();
    }
    std::printf("\n");
  }

  QWidget* dialog_;
  QWidget* outer_;
  std::function<void()> act_;
  int timeout_ms_;
  QTimer poll_;
  QElapsedTimer since_;
  bool answered_ = false;
};

// Lets the screen catch up before a click, as it has by the time a person
// clicks: the paint of a dialog just shown, of boxes just filled and of the
// window's last refresh would otherwise run inside the next timed action,
// at its first statement (the operations repaint between statements).
void Settle() {
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

// Runs `work` inside the orders window's modal loop once it is shown, then
// closes the window. Returns false when the window was never shown.
bool InsideWindow(TForm7* f, const std::function<void()>& work) {
  bool ran = false;
  QTimer poll;
  poll.setInterval(0);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (!f->isVisible() || QApplication::activeModalWidget() != f) return;
    poll.stop();
    ran = true;
    try {
      work();
    } catch (const std::exception& e) {
      std::printf("  error inside the window: %s\n", e.what());
    }
    f->reject();
  });
  poll.start();
  try {
    f->ArataComenzi();
  } catch (const std::exception& e) {
    std::printf("  ArataComenzi threw: %s\n", e.what());
  }
  return ran;
}

QString Table(const char* file) { return "\"" + CaleData + "\\" + file + "\""; }

// The record count a dBase table's header holds, deleted records included.
int64_t RecordsInHeader(const std::string& dbf) {
  unsigned char n[4] = {};
  int fd = ::open(dbf.c_str(), O_RDONLY);
  if (fd < 0) return -1;
  const bool ok = ::pread(fd, n, 4, 4) == 4;
  ::close(fd);
  return ok ? n[0] | n[1] << 8 | n[2] << 16 | static_cast<int64_t>(n[3]) << 24 : -1;
}

// Removals leave their rows marked deleted, with their keys in the tags,
// until the program's start-up packs the table; each round here leaves
// one. Packed at the start of a run, as a start of the program would, so
// that every run begins from the rows as generated.
void PackLeftovers(const std::string& data, int64_t generated) {
  const std::string path = data + "/Comenzi.dbf";
  const int64_t rows = RecordsInHeader(path);
  if (rows <= generated) return;
  QElapsedTimer t;
  t.start();
  lumi::DefaultSession().ReleaseTables();
  lumi::TTable table;
  table.SetTableName(path);
  table.SetExclusive(true);
  table.Open();
  table.Pack();
  table.Close();
  // Its write-back would otherwise run under the first actions.
  ::sync();
  std::printf("  Comenzi.dbf packed: %lld rows deleted by earlier runs removed (%.1f s)\n",
              static_cast<long long>(rows - generated), Ms(t) / 1000);
}

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

bool Near(double a, double b) { return std::fabs(a - b) < 0.005; }

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
  QElapsedTimer open, click;
  Meter meter;
  double opening = -1, closed = -1;
  bool refused = false;
  const auto conn = QObject::connect(e, &QDialog::finished, [&](int) {
    if (click.isValid()) closed = Ms(click);
    NoteMark("(the entry closes: then the window's refresh)");
  });
  ModalAnswer answer(e, f, [&] {
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
    Settle();
    if (a) meter.Start();
    NoteMark("(click: the entry's checks)");
    click.start();
    e->BitBtn1Click();
    if (e->isVisible()) {
      refused = true;
      e->reject();
    }
  });
  Settle();
  open.start();
  f->ConvexBtn2Click();
  const double ms = click.isValid() ? Ms(click) : -1;
  NoteMark("(refreshed)");
  if (a) meter.Stop();
  QObject::disconnect(conn);
  if (!answer.answered() || refused || ms < 0) {
    std::printf("  the line entry %s\n",
                refused ? "refused the save" : "was not shown or not saved");
    return -1;
  }
  if (f->DE1.IsEmpty() || f->DE1.FieldByName("DENUMIRE").AsString() != t.item) {
    std::printf("  after the save the window does not stand on the line saved\n");
    return -1;
  }
  if (a) {
    a->ours.push_back(ms);
    a->part.push_back(closed);
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
  TForm30* m = Form30();
  Settle();
  QElapsedTimer whole, answered;
  Meter meter;
  ModalAnswer answer(m, f, [&] {
    Settle();
    if (a) meter.Start();
    NoteMark("(answered DA)");
    answered.start();
    m->Da->click();
  });
  whole.start();
  f->ConvexBtn4Click();
  const double ms = answered.isValid() ? Ms(answered) : -1;
  const double all = Ms(whole);
  NoteMark("(refreshed)");
  if (a) meter.Stop();
  if (!answer.answered() || ms < 0) {
    std::printf("  the removal's question was not shown\n");
    return false;
  }
  if (f->DE1.Locate("CODCOM", Code(codcom))) {
    std::printf("  line %s is still listed after its removal\n", Code(codcom).c_str());
    return false;
  }
  if (a) {
    a->ours.push_back(ms);
    a->part.push_back(all);
    a->Note(meter);
  }
  return true;
}

template <class F>
void TimeLite(SqliteOrderLines& lite, Action& a, F work) {
  lite.ResetPeak();
  QElapsedTimer t;
  t.start();
  work();
  a.lite.push_back(Ms(t));
  a.lite_bytes = std::max(a.lite_bytes, lite.PeakBytes());
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
    TimeLite(lite, r.save, [&] { lite.Save(t, line); });
    record(timed);
    const bool removed = RemoveOurs(f, code, timed ? &r.removal : nullptr);
    record(false);
    if (timed && g_statements) removal_steps.rounds.push_back(marks);
    if (!removed) return false;
    TimeLite(lite, r.removal, [&] { lite.Remove(t, code); });
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
      char rss[16];
      if (s.rss_known) {
        std::snprintf(rss, sizeof rss, "%8.1f", Mb(a.rss));
      } else {
        std::snprintf(rss, sizeof rss, "%8s", "?");
      }
      std::printf("  %-8s %9d %9.3f %9.3f %7.2f %9.2f %s %9.1f %8.2f\n", name, s.lines, ours, lite,
                  lite > 0 ? ours / lite : 0.0, Mb(a.heap), rss, Median(a.read_kb),
                  Mb(a.lite_bytes));
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

  PackLeftovers(CaleData.toStdString(), lite.Lines());
  // The program runs in its own folder, which stays quiet while it works:
  // the file dialogs of the administration window (created with the
  // others) watch the current folder, and a busy one such as /tmp has them
  // reading files in the middle of the actions.
  QDir::setCurrent(CaleProgram);
  CreeazaFerestrele();
  // New line codes come from the settings file's counter: past every line
  // the folder holds.
  const double highest = lite.HighestLineCode();
  if (Form1()->CodExistent("CODCOM").toDouble() <= highest) {
    Form1()->ScrieStr_in_Ini("INDEX", "CODCOM", QString::fromStdString(Code(highest + 1)));
  }
  if (g_statements) {
    g_clock.start();
    lumi::DefaultSession().SetStatementHook([](const std::string& sql) { NoteMark(Shorten(sql)); });
  }
  TForm7* f = Form7();
  Meter probe;
  probe.Start();
  r.rss_known = probe.rss_known();
  bool done = false;
  InsideWindow(f, [&] { done = Rounds(f, lite, t, r); });
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

// Dismisses any message box (an error shown by the program's guard),
// printing its text, so that a fault cannot hold the run forever.
void WatchMessageBoxes() {
  auto* watch = new QTimer(qApp);
  watch->setInterval(200);
  QObject::connect(watch, &QTimer::timeout, [] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(w);
      if (box && box->isVisible()) {
        std::printf("  message box: %s\n", qPrintable(box->text()));
        box->done(QMessageBox::Ok);
      }
    }
  });
  watch->start();
}

}  // namespace
}  // namespace lumi::bench

int main(int argc, char** argv) {
  using namespace lumi::bench;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
    const QString runtime = QDir::tempPath() + "/runtime-lumibench";
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", runtime.toUtf8());
  }
  // The offscreen platform says so for every maximised window.
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& msg) {
    if (!msg.contains("propagateSizeHints")) std::fprintf(stderr, "%s\n", qPrintable(msg));
  });
  QApplication app(argc, argv);
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--rounds" && i + 1 < argc) {
      g_rounds = std::max(1, std::atoi(argv[++i]));
    } else if (a == "--data" && i + 1 < argc) {
      g_data_root = argv[++i];
    } else if (a == "--statements") {
      g_statements = true;
    } else {
      sizes.push_back(std::atoi(argv[i]));
    }
  }
  if (sizes.empty()) sizes = {10000, 1200000};
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
