// What the window benches share: the platform set up headless, their
// command line, modal windows answered from inside their loops, the screen
// let catch up before a click, a meter over an action, SQLite's side timed,
// and the medians shown.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QDialog;
class QWidget;
class TForm7;

namespace lumi::bench {

// Offscreen platform and a private runtime folder unless the caller set
// them; the offscreen platform's note about maximised windows silenced.
// Call before the QApplication is made.
void SetUpHeadless();

// The command line every window bench takes: --rounds N, --data DIR and the
// sizes in order lines, 10 000 and 1 200 000 when none is given. `own` sees
// each argument first, with its index to take a value from, and returns
// whether it was one of the bench's own options.
std::vector<int> ParseArgs(int argc, char** argv, int* rounds, std::string* data_root,
                           const std::function<bool(int& i)>& own = {});

double Ms(const QElapsedTimer& t);
double Mb(size_t bytes);
double Median(std::vector<double> v);
// Amounts equal to the cent, as the windows show them.
bool Near(double a, double b);

// A number from a /proc file ("VmRSS:" in status, "rchar:" in io), read
// without touching the heap, which is being measured.
size_t ProcValue(const char* path, const char* key);

// Over one action: the heap peak (operator new and the engine's big
// buffers) and the resident-set peak above where they stood when it began,
// and the bytes read from files (rchar, reads served from the page cache
// included). Started and stopped around each of a series of actions, it
// holds the highest peaks and the bytes read by all. The resident peak is
// reset through clear_refs ("5").
class Meter {
 public:
  void Start();
  void Stop();
  size_t heap() const { return heap_; }
  size_t rss() const { return rss_; }
  size_t read() const { return read_; }
  bool rss_known() const { return rss_reset_; }

 private:
  size_t heap_base_ = 0, rss_base_ = 0, read_base_ = 0, heap_ = 0, rss_ = 0, read_ = 0;
  bool rss_reset_ = false;
};

// The resident-set column of a table: "?" where the peak could not be reset.
std::string RssColumn(size_t rss, bool known);

// One run of SQLite's side: its time and its allocator's high-water.
struct LiteRun {
  double ms = 0;
  size_t peak = 0;
};
LiteRun TimeSqlite(const std::function<void()>& work);

// Runs `act` inside the modal loop of `dialog` once it is the active modal
// window. Armed before the call that opens the dialog (exec() blocks). When
// the dialog has not shown within the timeout, whatever other modal window
// is open above `outer` is closed and the answer is given up, so that a run
// never hangs.
class ModalAnswer {
 public:
  ModalAnswer(QWidget* dialog, QWidget* outer, std::function<void()> act, int timeout_ms = 30000);
  bool answered() const { return answered_; }

 private:
  void Poll();

  QWidget* dialog_;
  QWidget* outer_;
  std::function<void()> act_;
  int timeout_ms_;
  QTimer poll_;
  QElapsedTimer since_;
  bool answered_ = false;
};

// A click that asks the program's question (the message dialog) above
// `outer`, answered DA once the question shows and has painted. `meter`,
// when given, runs from the answer until the click returns; `mark`, when
// given, is told of the answer and of the click's return.
struct AnsweredDa {
  double ms = -1;     // from the answer until the click returned; -1 when never asked
  double whole = -1;  // from the click, the question shown and painted
};
AnsweredDa ClickAnsweringDa(QWidget* outer, const std::function<void()>& click, Meter* meter,
                            const std::function<void(const char*)>& mark = {});

// A save through an entry: `open` (a click in `outer`) shows `entry`, `fill`
// fills its boxes, the screen is let catch up and `save` clicks its save
// button; an entry still shown after that click refused the save and is
// closed. `meter` and `mark` as for ClickAnsweringDa, from the save click.
struct EntrySaved {
  double ms = -1;      // from the save click until `open` returned; -1 when not saved
  double closed = -1;  // from the save click until the entry closed
  bool refused = false;
};
EntrySaved SaveThroughEntry(QDialog* entry, QWidget* outer, const std::function<void()>& open,
                            const std::function<void()>& fill, const std::function<void()>& save,
                            Meter* meter, const std::function<void(const char*)>& mark = {});

// Lets the screen catch up before a click, as it has by the time a person
// clicks: the paint of a dialog just shown and of the last refresh would
// otherwise run inside the next timed action.
void Settle();

// Notes, on a timer started elsewhere, when a window starts to show.
class ShowWatch : public QObject {
 public:
  ShowWatch(QWidget* w, const QElapsedTimer* t);
  ~ShowWatch() override;
  double ms = -1;

 protected:
  bool eventFilter(QObject*, QEvent* e) override;

 private:
  QWidget* w_;
  const QElapsedTimer* t_;
};

// Runs `work` inside the orders window's modal loop once it is shown, then
// closes the window. Returns false when the window was never shown.
// `since_call` is started just before the window is asked to open.
bool InsideOrdersWindow(TForm7* f, const std::function<void()>& work,
                        QElapsedTimer* since_call = nullptr);

// Dismisses any message box (an error shown by the program's guard),
// printing its text, so that a fault cannot hold the run forever.
void WatchMessageBoxes();

// A table of the Data folder as the program's statements name it.
QString Table(const char* file);

// New codes come from the settings file's counter: set past `highest`, the
// highest code of `key` the folder holds, when it is not already.
void CounterPast(const char* key, double highest);

// The record count a dBase table's header holds, deleted records included.
int64_t RecordsInHeader(const std::string& dbf);

// Removals leave their rows marked deleted until the program's start-up
// packs the table. Packs `data`/`file` when it holds more rows than
// `generated`, as a start of the program would, so that every run begins
// from the rows as generated.
void PackLeftovers(const std::string& data, const char* file, int64_t generated);

}  // namespace lumi::bench
