// What the window benches share: the platform set up headless, modal
// windows answered from inside their loops, the screen let catch up before
// a click, a meter over one action, and the medians shown.
#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QWidget;
class TForm7;

namespace lumi::bench {

// Offscreen platform and a private runtime folder unless the caller set
// them; the offscreen platform's note about maximised windows silenced.
// Call before the QApplication is made.
void SetUpHeadless();

double Ms(const QElapsedTimer& t);
double Mb(size_t bytes);
double Median(std::vector<double> v);

// A number from a /proc file ("VmRSS:" in status, "rchar:" in io), read
// without touching the heap, which is being measured.
size_t ProcValue(const char* path, const char* key);

// Over one action: the heap peak (operator new and the engine's big
// buffers) and the resident-set peak above where they stood when it began,
// and the bytes read from files. The resident peak is reset through
// clear_refs ("5").
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

// Lets the screen catch up before a click, as it has by the time a person
// clicks: the paint of a dialog just shown and of the last refresh would
// otherwise run inside the next timed action.
void Settle();

// Runs `work` inside the orders window's modal loop once it is shown, then
// closes the window. Returns false when the window was never shown.
bool InsideOrdersWindow(TForm7* f, const std::function<void()>& work);

// Dismisses any message box (an error shown by the program's guard),
// printing its text, so that a fault cannot hold the run forever.
void WatchMessageBoxes();

// The record count a dBase table's header holds, deleted records included.
int64_t RecordsInHeader(const std::string& dbf);

// Removals leave their rows marked deleted until the program's start-up
// packs the table. Packs `data`/`file` when it holds more rows than
// `generated`, as a start of the program would, so that every run begins
// from the rows as generated.
void PackLeftovers(const std::string& data, const char* file, int64_t generated);

}  // namespace lumi::bench
