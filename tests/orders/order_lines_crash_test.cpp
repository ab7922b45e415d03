// Saving an order line and deleting a work (or a line), each one change,
// killed at random points in real processes: after every kill the next
// opening rolls back what was left half done, so every order, work and stock
// item agrees with the lines on disk, and each change is there whole or not
// at all.
//
// The test runs its own binary again as the writer (LUMI_CRASH_FOLDER names
// the program folder). The writer opens the orders window over that folder
// and, from inside it, adds lines through the line entry and deletes works
// and lines with the window's button, answering its question DA, until it is
// killed. Through a socket it tells what it starts (and how many rows that
// adds or removes), each statement it runs inside a transaction, each sync of
// the journal (after which a commit writes the tables) and what it finished.
// So the parent can kill it at random points inside the statements or the
// commit of either change, and knows after each kill which row counts may be
// on disk. The next writer starts while the current one works and waits,
// its windows made, until it is told to go: the program's start-up does not
// add to each run.
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "controls/NumarF.h"
#include "engine/dbf/journal_file.h"
#include "engine/query.h"
#include "engine/session.h"
#include "orders/Comenzi.h"
#include "orders/Produse.h"
#include "shell/Balloon.h"
#include "shell/Erori30.h"
#include "shell/ErrorGuard.h"
#include "shell/Forms.h"
#include "shell/Globals.h"
#include "shell/Unit1.h"
#include "tests/orders/crash_writer.h"
#include "tests/orders/orders_fixture.h"

namespace orders_test {
namespace {

using Formats::Amount;
using Formats::Quantity;
using namespace crash;
using lumi::dbf::journal_file::HoldsLive;
namespace journal_file = lumi::dbf::journal_file;

// The orders in progress the writer works on, with their clients.
constexpr std::pair<int, int> kInProgress[] = {{10, 1}, {11, 1}, {20, 2}, {30, 3}};

struct Product {
  const char* name;
  int tip;  // as in Magazie.dbf: 0 goods (by area here), 1 auxiliary, 2 labour
};
constexpr Product kProducts[] = {{"GEAM 4MM", 0}, {"OGLINDA", 0}, {"CHIT", 1}, {"TRANSPORT", 2}};

// The sample workshop with stock enough for any run: the lines a writer
// keeps on an order never take it all, so no save is refused.
Shop CrashShop() {
  Shop s = SampleShop();
  for (Item& i : s.items) {
    if (i.cod == 1) i.cantin = 5000, i.stoc = 4994;
    if (i.cod == 2) i.cantin = 2000, i.stoc = 1998;
    if (i.cod == 3) i.pret = 5000;  // an auxiliary material's stock is its value
  }
  return s;
}

// ---------------------------------------------------------------- the writer

QString Hundredths(int n) { return QString("%1.%2").arg(n / 100).arg(n % 100, 2, 10, QChar('0')); }

class Writer {
 public:
  explicit Writer(unsigned seed) : rng_(seed) {}

  void Step() {
    const auto [order, client] = kInProgress[Pick(4)];
    TForm7* w = Form7();
    if (!w->CLQ.Locate("CODCLI", std::to_string(client)) ||
        !w->CZ1.Locate("CODCAP", std::to_string(order))) {
      Fail(QString("order %1 is not listed").arg(order));
    }
    const std::vector<Row> rows = Listed();
    int products = 0;
    for (const Row& r : rows) products += r.denumire.isEmpty() ? 0 : 1;
    // The fuller the order, the likelier a deletion: orders stay small.
    if (Pick(8) < products) {
      Delete(rows);
    } else {
      Save(rows);
    }
  }

 private:
  struct Row {
    QString codcom, denumire, titlu;
  };

  int Pick(int n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }

  // The current order's lines as the window lists them.
  static std::vector<Row> Listed() {
    lumi::TQuery& de1 = Form7()->DE1;
    const int cod = de1.FieldByName("CODCOM").Index();
    const int den = de1.FieldByName("DENUMIRE").Index();
    const int tit = de1.FieldByName("TITLU").Index();
    std::vector<Row> rows;
    for (int r = 0; r < de1.RecordCount(); ++r) {
      rows.push_back({QString::number(static_cast<qint64>(de1.Cell(r, cod).number())),
                      Text(de1.Cell(r, den)), Text(de1.Cell(r, tit))});
    }
    return rows;
  }

  static void ExpectListed(int rows, const char* after) {
    const int listed = Form7()->DE1.RecordCount();
    if (listed != rows) {
      Fail(QString("after %1 the order lists %2 rows, not %3").arg(after).arg(listed).arg(rows));
    }
  }

  // A line through the line entry: into a work of the order, a new work or
  // none.
  void Save(const std::vector<Row>& rows) {
    QStringList works;
    for (const Row& r : rows) {
      if (r.denumire.isEmpty()) works << r.titlu;
    }
    QString title;
    bool fresh = false;
    const int where = Pick(20);
    if (where < 8 && !works.isEmpty()) {
      title = works[Pick(static_cast<int>(works.size()))];
    } else if (where < 15) {
      title = "LUCRAREA " + Form1()->CodExistent("CODCOM");
      fresh = true;
    }
    const Product& p = kProducts[Pick(4)];
    const int pieces = 1 + Pick(3);
    QString lung = "0", lat = "0", cant;
    if (p.tip == 0) {
      lung = Hundredths(50 + Pick(150));
      lat = Hundredths(50 + Pick(100));
    } else if (p.tip == 1) {
      cant = Hundredths(100 + Pick(400));
    } else {
      cant = QString::number(40 + Pick(30));
    }
    const int delta = fresh ? 2 : 1;
    Begins('S', delta);
    bool entered = false;
    WhenShown(Form41(), [&] {
      entered = true;
      TForm41* e = Form41();
      e->Edit1->setText(title);
      e->ComboBox1->setEditText(p.name);
      e->SpinEdit1->setValue(pieces);
      e->LungX->setText(lung);
      e->LatX->setText(lat);
      if (!cant.isEmpty()) e->CantX->setText(cant);
      e->BitBtn1->click();
      if (e->isVisible()) {
        Fail("the line was refused: " +
             (Form1()->Hint1 ? Form1()->Hint1->Text() : QString("no reason shown")));
      }
    });
    const int before = static_cast<int>(rows.size());
    Form7()->ConvexBtn2->click();
    if (!entered) Fail("the line entry did not open");
    ExpectListed(before + delta, "a save");
    Finished();
  }

  // A work with all its lines, or now and then a line outside any work,
  // through the window's button.
  void Delete(const std::vector<Row>& rows) {
    std::vector<int> works, loose;
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
      if (rows[i].denumire.isEmpty()) {
        works.push_back(i);
      } else if (rows[i].titlu.isEmpty()) {
        loose.push_back(i);
      }
    }
    const bool work = !works.empty() && (loose.empty() || Pick(5) != 0);
    if (!work && loose.empty()) return Save(rows);
    const Row& target = rows[work ? works[Pick(static_cast<int>(works.size()))]
                                  : loose[Pick(static_cast<int>(loose.size()))]];
    // Counted here from every row with the title, not from the rows that
    // follow the heading as the window counts them.
    int delta = -1;
    if (work) {
      delta = 0;
      for (const Row& r : rows) delta -= r.titlu == target.titlu ? 1 : 0;
    }
    Begins(work ? 'W' : 'L', delta);
    if (!Form7()->DE1.Locate("CODCOM", target.codcom.toStdString()))
      Fail("row " + target.codcom + " is not listed");
    bool asked = false;
    WhenShown(Form30(), [&] {
      asked = true;
      Form30()->Da->click();
    });
    Form7()->ConvexBtn4->click();
    if (!asked) Fail("no question before the deletion");
    ExpectListed(static_cast<int>(rows.size()) + delta,
                 work ? "a work deletion" : "a line deletion");
    Finished();
  }

  std::mt19937 rng_;
};

class OrderLinesCrash : public CrashTest {
 protected:
  // What must hold beside the fixture's invariants once the order lines are
  // saved and removed only as whole changes: each stock item's goods taken
  // out (IESIT) match its lines' quantities times pieces, an auxiliary
  // material's value left plus its lines' totals stays what it was, and every
  // line of a work has the work's heading in its order. Each item is
  // compared with `offsets` as they were at the start.
  std::map<int, std::int64_t> ItemOffsets() const {
    std::map<int, std::int64_t> taken;
    for (const Line& l : LinesOnDisk()) {
      if (l.item == 0) continue;
      taken[l.item] += l.cant == 0 ? 0 : Quantity::FromDouble(l.cant).Times(l.buc).Units();
      taken[-l.item] += Amount::FromDouble(l.total).Units();
    }
    std::map<int, std::int64_t> offsets;
    for (const Item& i : ItemsOnDisk()) {
      if (i.tip == 0) offsets[i.cod] = Quantity::FromDouble(i.iesit).Units() - taken[i.cod];
      if (i.tip == 1) offsets[i.cod] = Amount::FromDouble(i.pret).Units() + taken[-i.cod];
    }
    return offsets;
  }

  QStringList AllBroken(const std::map<int, std::int64_t>& offsets) const {
    QStringList broken = BrokenInvariants();
    for (const auto& [cod, offset] : ItemOffsets()) {
      if (offsets.at(cod) != offset) {
        broken << QString("item %1: stock moved by %2 units that no line accounts for")
                      .arg(cod)
                      .arg(offset - offsets.at(cod));
      }
    }
    std::set<std::pair<int, QString>> works;
    const std::vector<Line> lines = LinesOnDisk();
    for (const Line& l : lines) {
      if (l.denumire.isEmpty()) works.insert({l.order, l.titlu});
    }
    for (const Line& l : lines) {
      if (!l.denumire.isEmpty() && !l.titlu.isEmpty() && !works.contains({l.order, l.titlu}))
        broken << QString("line %1: work %2 has no heading in order %3")
                      .arg(l.cod)
                      .arg(l.titlu)
                      .arg(l.order);
    }
    return broken;
  }

  // Whether the tables as the kill left them, read from a copy without the
  // journal (so nothing is rolled back), break an invariant or hold a row
  // count that neither `rows` allows.
  bool LeftHalfDone(const std::map<int, std::int64_t>& offsets, std::set<int> rows) {
    return AsKilled([&] {
      return !AllBroken(offsets).isEmpty() ||
             !rows.contains(static_cast<int>(LinesOnDisk().size()));
    });
  }
};

TEST_F(OrderLinesCrash, SavesAndWorkDeletionsKilledAnywhereLeaveOrdersWorksAndStockAgreeing) {
  if (WriterFolder() != nullptr) {
    RunWriter([](unsigned seed) {
      auto writer = std::make_shared<Writer>(seed);
      return [writer] { writer->Step(); };
    });
  }
  Seed(CrashShop());
  ASSERT_EQ(BrokenInvariants(), QStringList());
  const std::map<int, std::int64_t> offsets = ItemOffsets();
  int rows = static_cast<int>(LinesOnDisk().size());
  lumi::DefaultSession().ReleaseTables();

  // Where each run is killed, in turn: anywhere in the run; soon after a
  // save or a work deletion ran its first statement; or within its commit,
  // just after the journal was synced, while the tables are being written.
  struct Aim {
    std::optional<char> kind;
    bool commit;
    unsigned longestUs;
  };
  const Aim kAims[] = {{std::nullopt, false, 200000},
                       {'S', false, 3000},
                       {'W', false, 3000},
                       {'S', true, 60},
                       {'W', true, 60}};
  constexpr int kRuns = 300;
  std::mt19937 rng(20260301);
  std::vector<unsigned> delays;
  const auto writer = [&](int run) {
    const Aim& a = kAims[run % 5];
    delays.push_back(static_cast<unsigned>(rng() % a.longestUs));
    const std::string aim = a.commit ? *a.kind + std::to_string(delays.back()) : std::string();
    return std::make_unique<WriterProcess>(dir_.path().toStdString(),
                                           static_cast<unsigned>(run) * 7919u + 1u, aim,
                                           dir_.path() + QString("/writer%1.log").arg(run % 2));
  };

  std::map<char, int> killedInside, journalsLive, finished;
  int halfWritten = 0, committedUnreported = 0;
  const auto started = Clock::now();
  std::unique_ptr<WriterProcess> next = writer(0);
  for (int run = 0; run < kRuns; ++run) {
    const std::unique_ptr<WriterProcess> w = std::move(next);
    ASSERT_TRUE(w->Started()) << "run " << run;
    const bool ready = w->Go();
    if (run + 1 < kRuns) next = writer(run + 1);
    if (ready) {
      const Aim& a = kAims[run % 5];
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

    // Before anything opens the tables again (which rolls the journal back).
    const std::string journal = (CaleData + "/" + journal_file::kName).toStdString();
    const int done = rows + r.committed;
    std::set<int> allowed = {done};
    if (r.kind) allowed.insert(done + r.delta);
    if (r.kind && r.inTransaction) ++killedInside[*r.kind];
    if (HoldsLive(journal)) {
      ++journalsLive[r.kind.value_or('-')];
      if (LeftHalfDone(offsets, allowed)) ++halfWritten;
    }

    const QStringList broken = AllBroken(offsets);
    ASSERT_EQ(broken, QStringList()) << "run " << run;
    EXPECT_FALSE(HoldsLive(journal)) << "run " << run << ": the journal was not rolled back";
    const int now = static_cast<int>(LinesOnDisk().size());
    ASSERT_TRUE(allowed.contains(now))
        << "run " << run << ": " << now << " rows in Comenzi.dbf; " << done
        << " after the changes finished"
        << (r.kind ? ", " + std::to_string(done + r.delta) + " with the one under way" : "");
    if (r.kind && now != done) ++committedUnreported;
    rows = now;
    for (const auto& [k, n] : r.finished) finished[k] += n;
    lumi::DefaultSession().ReleaseTables();
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - started).count();

  // The kills fell inside changes of both kinds, within commits, and some
  // while the tables were half written: the window the journal is for.
  int live = 0;
  for (const auto& [k, n] : journalsLive) live += n;
  EXPECT_GE(killedInside['S'], kRuns / 5);
  EXPECT_GE(killedInside['W'], kRuns / 5);
  EXPECT_GE(journalsLive['S'], kRuns / 20);
  EXPECT_GE(journalsLive['W'], kRuns / 20);
  EXPECT_GT(halfWritten, 0);
  std::printf(
      "%d runs in %.1f s; changes finished: %d saves, %d work and %d line deletions; "
      "killed inside a save %d, a work deletion %d, a line deletion %d; journal live at "
      "the kill %d (save %d, work %d, line %d), tables half written then %d; changes "
      "committed but not reported %d\n",
      kRuns, seconds, finished['S'], finished['W'], finished['L'], killedInside['S'],
      killedInside['W'], killedInside['L'], live, journalsLive['S'], journalsLive['W'],
      journalsLive['L'], halfWritten, committedUnreported);
}

}  // namespace
}  // namespace orders_test
