// Adding and deleting receipts (each with its order's REST, one change) and
// saving the work-in-progress ticks (the marks of the listed lines with their
// works' headings, one change), killed at random points in real processes:
// after every kill the next opening rolls back what was left half done, so
// every order's receipts and REST add up to its COST, every work heading
// agrees with its lines, and each change is on disk whole or not at all.
//
// The writer (see crash_writer.h) works from inside the orders window: its
// INCASARI opens the payments window, where it adds receipts through the
// receipt entry and deletes them answering DA; and it opens the
// work-in-progress window, double-clicks a few lines and presses MEMOREAZA.
// It reports each receipt it adds or deletes (code, order, amount in cents)
// and the marks each save of the ticks changes, so the parent can tell the
// receipts and marks that may be on disk after the kill: those of the
// changes finished, or those with the change under way as well.
#include <sys/wait.h>

#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <csignal>
#include <cmath>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "engine/dbf/journal.h"
#include "engine/dbf/journal_file.h"
#include "engine/query.h"
#include "engine/session.h"
#include "orders/Comenzi.h"
#include "orders/LUCRU.h"
#include "payments/AddPLATA.h"
#include "payments/PLATI.h"
#include "shell/Balloon.h"
#include "shell/Erori30.h"
#include "shell/Formats.h"
#include "shell/Forms.h"
#include "shell/Globals.h"
#include "shell/Unit1.h"
#include "store/DbGrid.h"
#include "tests/orders/crash_writer.h"
#include "tests/orders/orders_fixture.h"

namespace orders_test {
namespace {

using namespace crash;
using lumi::dbf::journal_file::HoldsLive;
namespace journal_file = lumi::dbf::journal_file;

// The orders in progress the writer takes receipts for, with their clients.
constexpr std::pair<int, int> kInProgress[] = {{10, 1}, {11, 1}, {30, 3}, {40, 4}, {41, 4}};

// The sample workshop with every heading agreeing with its lines, more to
// collect (order 40) and a second work to tick (VITRINA in order 41), and a
// goods line of a delivered order, which the ticks must leave alone.
Shop CrashShop() {
  Shop s = SampleShop();
  for (Line& l : s.lines) {
    if (l.cod == 104) l.executat = "DA";  // FEREASTRA BAIE: its one line is done
  }
  s.orders.push_back({.cod = 40, .client = 4, .cost = 5000, .rest = 5000});
  s.orders.push_back({.cod = 41, .client = 4, .cost = 40, .rest = 40});
  s.lines.push_back({.order = 40, .cod = 400, .item = 4, .denumire = "TRANSPORT", .um = "BUC",
                     .cant = 100, .pret = 50, .total = 5000, .executat = "DA", .buc = 1});
  s.lines.push_back({.order = 41, .cod = 410, .total = 40, .titlu = "VITRINA"});
  s.lines.push_back({.order = 41, .cod = 411, .item = 1, .denumire = "GEAM 4MM", .um = "MP",
                     .cant = 1.2, .pret = 12.5, .total = 15, .lung = 1.2, .lat = 1,
                     .titlu = "VITRINA", .buc = 1});
  s.lines.push_back({.order = 41, .cod = 412, .item = 2, .denumire = "OGLINDA", .um = "MP",
                     .cant = 1, .pret = 25, .total = 25, .lung = 1, .lat = 1,
                     .titlu = "VITRINA", .buc = 1});
  s.lines.push_back({.order = 12, .cod = 121, .item = 1, .denumire = "GEAM 4MM", .um = "MP",
                     .cant = 1, .lung = 1, .lat = 1, .buc = 1});
  return s;
}

qint64 Cents(QString figure) {
  return qRound64(figure.remove(Formats::ThousandSeparator()).toDouble() * 100);
}

QString Hundredths(qint64 n) {
  return QString("%1.%2").arg(n / 100).arg(n % 100, 2, 10, QChar('0'));
}

// ---------------------------------------------------------------- the writer

class Writer {
 public:
  explicit Writer(unsigned seed) : rng_(seed) {}

  void Step() {
    if (Pick(10) < 6) {
      Receipts();
    } else {
      Ticks();
    }
  }

 private:
  int Pick(qint64 n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }

  // INCASARI on an order, a few receipts added or deleted, the window closed.
  void Receipts() {
    const auto [order, client] = kInProgress[Pick(std::size(kInProgress))];
    TForm7* w = Form7();
    if (!w->CLQ.Locate("CODCLI", std::to_string(client)) ||
        !w->CZ1.Locate("CODCAP", std::to_string(order))) {
      Fail(QString("order %1 is not listed").arg(order));
    }
    bool shown = false;
    WhenShown(Form42(), [&] {
      shown = true;
      for (int n = 1 + Pick(3); n > 0; --n) {
        if (Pick(2) == 0 && Form42()->M1.RecordCount() > 0) {
          Delete();
        } else {
          Add(order);
        }
      }
      Form42()->BitBtn3->click();
    });
    w->ConvexBtn9->click();
    if (!shown) Fail("the payments window did not open");
  }

  // A receipt of at most a quarter of what is left (a cent at least).
  void Add(int order) {
    TForm42* p = Form42();
    const qint64 rest = Cents(p->Label12->text());
    if (rest <= 0) {
      if (p->M1.RecordCount() > 0) Delete();
      return;
    }
    const qint64 cents = 1 + Pick(std::max<qint64>(1, rest / 4));
    const QString cod = Form1()->CodExistent("CODPL");
    const int before = p->M1.RecordCount();
    Begins('P', 1, QString("%1 %2 %3").arg(cod).arg(order).arg(cents).toUtf8());
    bool entered = false;
    WhenShown(Form43(), [&] {
      entered = true;
      TForm43* e = Form43();
      e->Edit1->setText("CHITANTA " + cod);
      e->Edit2->setText(Hundredths(cents));
      e->BitBtn1->click();
      if (e->isVisible()) {
        Fail("the receipt was refused: " +
             (Form1()->Hint1 ? Form1()->Hint1->Text() : QString("no reason shown")));
      }
    });
    p->BitBtn1->click();
    if (!entered) Fail("the receipt entry did not open");
    if (p->M1.RecordCount() != before + 1 || Cents(p->Label12->text()) != rest - cents)
      Fail("the payments window does not show receipt " + cod);
    Finished();
  }

  void Delete() {
    TForm42* p = Form42();
    lumi::TQuery& m1 = p->M1;
    const int before = m1.RecordCount();
    const int row = Pick(before);
    const QString cod =
        QString::number(static_cast<qint64>(m1.Cell(row, m1.FieldByName("CODPL").Index()).number()));
    if (!m1.Locate("CODPL", cod.toStdString())) Fail("receipt " + cod + " is not listed");
    Begins('X', -1, cod.toUtf8());
    bool asked = false;
    WhenShown(Form30(), [&] {
      asked = true;
      Form30()->Da->click();
    });
    p->BitBtn2->click();
    if (!asked) Fail("no question before the deletion");
    if (m1.RecordCount() != before - 1) Fail("receipt " + cod + " is still listed");
    Finished();
  }

  // The work-in-progress window: one to three double clicks, MEMOREAZA, its
  // notice answered, the window closed.
  void Ticks() {
    bool shown = false;
    WhenShown(Form8(), [&] {
      shown = true;
      TForm8* w = Form8();
      lumi::TQuery& lx = w->Lx;
      const int rows = lx.RecordCount();
      if (rows == 0) Fail("no lines to tick");
      for (int n = 1 + Pick(3); n > 0; --n) DoubleClick(Pick(rows));
      // The lines whose tick now differs from their mark.
      const int cod = lx.FieldByName("CODCOM").Index();
      const int executat = lx.FieldByName("EXECUTAT").Index();
      const int ex2 = lx.FieldByName("EX2").Index();
      QStringList marks;
      for (int r = 0; r < lx.RecordCount(); ++r) {
        const QString mark = lx.Cell(r, ex2).logical() ? "DA" : "NU";
        if (Text(lx.Cell(r, executat)) != mark)
          marks << QString::number(static_cast<qint64>(lx.Cell(r, cod).number())) + "=" + mark;
      }
      Begins('K', 0, marks.join(' ').toUtf8());
      bool told = false;
      WhenShown(Form30(), [&] {
        told = true;
        Form30()->Bo->click();
      });
      w->BitBtn1->click();
      if (!told) Fail("no notice after MEMOREAZA");
      Finished();
      QTest::keyClick(w->SMDBGrid1, Qt::Key_Escape);
      if (w->isVisible()) Fail("the work-in-progress window stayed open");
    });
    Form8()->ArataLucru();
    if (!shown) Fail("the work-in-progress window did not open");
  }

  // As the system delivers it: a press and release, then the double click.
  static void DoubleClick(int row) {
    DbGrid* g = Form8()->SMDBGrid1;
    const QModelIndex at = g->model()->index(row, 2);
    g->scrollTo(at);
    const QPoint p = g->visualRect(at).center();
    QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, p);
    QTest::mouseDClick(g->viewport(), Qt::LeftButton, {}, p);
    QTest::mouseRelease(g->viewport(), Qt::LeftButton, {}, p);
  }

  std::mt19937 rng_;
};

// ---------------------------------------------------------------- the parent

// Receipts by code: order and amount in cents.
using Receipts = std::map<int, std::pair<int, qint64>>;
// Order lines by code: their mark.
using Marks = std::map<int, QString>;

struct State {
  Receipts receipts;
  Marks marks;
  friend bool operator==(const State&, const State&) = default;
};

class PaymentsCrash : public CrashTest {
 protected:
  State OnDisk() const {
    State s;
    for (const Receipt& r : ReceiptsOnDisk()) s.receipts[r.cod] = {r.order, qRound64(r.suma * 100)};
    for (const Line& l : LinesOnDisk()) s.marks[l.cod] = l.executat;
    return s;
  }

  // A heading's mark: that of all its work's product lines when they have one
  // mark, else NU.
  static QString HeadingMark(const std::vector<Line>& lines, const Marks& marks,
                             const Line& heading) {
    std::set<QString> seen;
    for (const Line& l : lines) {
      if (l.item != 0 && l.order == heading.order && l.titlu == heading.titlu)
        seen.insert(marks.at(l.cod));
    }
    return seen.size() == 1 ? *seen.begin() : QString("NU");
  }

  // `s` after a finished change of `kind`, as the writer told it.
  void Apply(State& s, char kind, const QString& what) const {
    const QStringList words = what.split(' ', Qt::SkipEmptyParts);
    if (kind == 'P') {
      s.receipts[words[0].toInt()] = {words[1].toInt(), words[2].toLongLong()};
    } else if (kind == 'X') {
      s.receipts.erase(words[0].toInt());
    } else if (kind == 'K') {
      for (const QString& w : words) s.marks[w.section('=', 0, 0).toInt()] = w.section('=', 1);
      for (const Line& l : lines_) {
        if (l.denumire.isEmpty()) s.marks[l.cod] = HeadingMark(lines_, s.marks, l);
      }
    }
  }

  // The fixture's invariants and the headings' marks.
  QStringList AllBroken() const {
    QStringList broken = BrokenInvariants();
    const std::vector<Line> lines = LinesOnDisk();
    Marks marks;
    for (const Line& l : lines) marks[l.cod] = l.executat;
    for (const Line& l : lines) {
      if (!l.denumire.isEmpty()) continue;
      const QString want = HeadingMark(lines, marks, l);
      if (l.executat != want)
        broken << QString("work %1 of order %2 marked %3, its lines %4")
                      .arg(l.titlu).arg(l.order).arg(l.executat, want);
    }
    return broken;
  }

  static std::string Describe(const State& s) {
    QStringList out;
    for (const auto& [cod, r] : s.receipts)
      out << QString("receipt %1 (order %2, %3)").arg(cod).arg(r.first).arg(Hundredths(r.second));
    for (const auto& [cod, m] : s.marks) out << QString("%1=%2").arg(cod).arg(m);
    return out.join(", ").toStdString();
  }

  std::vector<Line> lines_;  // as seeded: only their marks change
};

TEST_F(PaymentsCrash, ReceiptsAndTicksKilledAnywhereLeaveBalancesAndHeadingsAgreeing) {
  if (WriterFolder() != nullptr) {
    RunWriter([](unsigned seed) {
      auto writer = std::make_shared<Writer>(seed);
      return [writer] { writer->Step(); };
    });
  }
  Seed(CrashShop());
  ASSERT_EQ(AllBroken(), QStringList());
  lines_ = LinesOnDisk();
  State state = OnDisk();
  lumi::DefaultSession().ReleaseTables();

  // Where each run is killed, in turn: anywhere in the run; soon after a
  // receipt's addition or deletion or a save of the ticks ran its first
  // statement; or within its commit, just after the journal was synced, while
  // the tables are being written. A save of the ticks writes the scratch
  // table in the program's folder and the order lines in Data, each folder
  // with its journal, and is killed after the second sync.
  struct Aim {
    std::optional<char> kind;
    bool commit;
    unsigned longestUs;
    int sync = 1;
  };
  const Aim kAims[] = {{std::nullopt, false, 200000},
                       {'P', false, 3000},
                       {'X', false, 3000},
                       {'K', false, 3000},
                       {'P', true, 60},
                       {'X', true, 60},
                       {'K', true, 60, 2}};
  constexpr int kAimCount = static_cast<int>(std::size(kAims));
  constexpr int kRuns = 280;
  std::mt19937 rng(20260307);
  std::vector<unsigned> delays;
  const auto writer = [&](int run) {
    const Aim& a = kAims[run % kAimCount];
    delays.push_back(static_cast<unsigned>(rng() % a.longestUs));
    const std::string aim = a.commit ? *a.kind + std::to_string(delays.back()) + "@" +
                                           std::to_string(a.sync)
                                     : std::string();
    return std::make_unique<WriterProcess>(dir_.path().toStdString(),
                                           static_cast<unsigned>(run) * 7919u + 3u, aim,
                                           dir_.path() + QString("/writer%1.log").arg(run % 2));
  };

  std::map<char, int> killedInside, journalsLive, finished;
  int halfWritten = 0, committedUnreported = 0, scratchJournals = 0;
  const auto started = Clock::now();
  std::unique_ptr<WriterProcess> next = writer(0);
  for (int run = 0; run < kRuns; ++run) {
    const std::unique_ptr<WriterProcess> w = std::move(next);
    ASSERT_TRUE(w->Started()) << "run " << run;
    const bool ready = w->Go();
    if (run + 1 < kRuns) next = writer(run + 1);
    if (ready) {
      const Aim& a = kAims[run % kAimCount];
      // A writer aimed at a commit kills itself; this is the backstop.
      const auto wait = std::chrono::microseconds(a.commit ? 100000 : delays[run]);
      w->KillAfter(
          [&a](const Reported& now) {
            return !a.kind ||
                   (now.kind == a.kind && (a.commit ? now.committing : now.inTransaction));
          },
          wait);
    }
    const Reported r = Parse(w->text());
    ASSERT_TRUE(r.error.isEmpty()) << "run " << run << ": " << r.error.toStdString();
    ASSERT_TRUE(ready) << "run " << run << ": the writer never started\n" << w->log().toStdString();
    ASSERT_TRUE(WIFSIGNALED(w->status()) && WTERMSIG(w->status()) == SIGKILL)
        << "run " << run << ": the writer stopped by itself, status " << w->status() << "\n"
        << w->log().toStdString();

    // What may be on disk: the changes finished, and the one under way.
    State done = state;
    for (const auto& [kind, what] : r.changes) Apply(done, kind, what);
    std::optional<State> whole;
    if (r.kind) Apply(whole.emplace(done), *r.kind, r.what);

    // Before anything opens the tables again (which rolls the journal back).
    const std::string journal = (CaleData + "/" + journal_file::kName).toStdString();
    if (r.kind && r.inTransaction) ++killedInside[*r.kind];
    if (HoldsLive(journal)) {
      ++journalsLive[r.kind.value_or('-')];
      const bool half = AsKilled([&] {
        const State s = OnDisk();
        return !AllBroken().isEmpty() || (s != done && s != whole);
      });
      if (half) ++halfWritten;
    }

    ASSERT_EQ(AllBroken(), QStringList()) << "run " << run;
    EXPECT_FALSE(HoldsLive(journal)) << "run " << run << ": the journal was not rolled back";
    const State now = OnDisk();
    ASSERT_TRUE(now == done || now == whole)
        << "run " << run << ": on disk " << Describe(now) << "\nafter the changes finished "
        << Describe(done)
        << (whole ? "\nwith the one under way (" + std::string(1, *r.kind) + " " +
                        r.what.toStdString() + ") " + Describe(*whole)
                  : std::string());
    if (r.kind && now != done) ++committedUnreported;
    state = now;
    // The save of the ticks also journals the scratch table in the program's
    // folder; a kill can leave that journal live. The next writer's opening
    // of the window must undo it before it makes the scratch table anew, or
    // the window would never open again: the writer stops with the error.
    const std::string scratchJournal = (CaleProgram + "/" + journal_file::kName).toStdString();
    if (HoldsLive(scratchJournal)) ++scratchJournals;
    for (const auto& [k, n] : r.finished) finished[k] += n;
    lumi::DefaultSession().ReleaseTables();
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - started).count();

  // The kills fell inside changes of every kind, within commits, and some
  // while the tables were half written: the window the journal is for.
  int live = 0;
  for (const auto& [k, n] : journalsLive) live += n;
  for (const char kind : {'P', 'X', 'K'}) {
    EXPECT_GE(killedInside[kind], kRuns / kAimCount) << kind;
    EXPECT_GE(journalsLive[kind], kRuns / 20) << kind;
  }
  EXPECT_GT(halfWritten, 0);
  EXPECT_GT(scratchJournals, 0) << "no kill left the scratch table's journal live";
  std::printf(
      "%d runs in %.1f s; changes finished: %d receipts added, %d deleted, %d saves of the "
      "ticks; killed inside an addition %d, a deletion %d, a save of the ticks %d; journal "
      "live at the kill %d (addition %d, deletion %d, ticks %d), tables half written then %d; "
      "changes committed but not reported %d; program folder's journal left live %d; receipts "
      "at the end %zu\n",
      kRuns, seconds, finished['P'], finished['X'], finished['K'], killedInside['P'],
      killedInside['X'], killedInside['K'], live, journalsLive['P'], journalsLive['X'],
      journalsLive['K'], halfWritten, committedUnreported, scratchJournals,
      state.receipts.size());
}

}  // namespace
}  // namespace orders_test
