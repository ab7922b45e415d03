// What the crash tests of the orders share: a test binary that runs itself
// again as a writer (LUMI_CRASH_FOLDER names the program folder), the writer
// driving the program's windows headless and telling its parent through a
// socket what it starts, each statement it runs inside a transaction, each
// sync of the journal and what it finished, until the parent (or a timer the
// writer sets just after a sync) kills it with SIGKILL.
//
// The lines the writer reports:
//   R                  ready: the windows are made and the tables may be used
//   <kind> <n> [what]  a change begins (kind a letter the test chooses, not
//                      one of R T J D E; n the rows it adds or removes; what
//                      anything else the parent needs to know of it)
//   T                  a statement inside a transaction
//   J                  a sync of the journal: a commit is writing the tables
//   D                  the change begun last has finished
//   E <text>           the writer failed
#pragma once

#include <QByteArray>
#include <QString>
#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/dbf/value.h"
#include "tests/orders/orders_fixture.h"

class QDialog;

namespace orders_test::crash {

using Clock = std::chrono::steady_clock;

// ---------------------------------------------------------------- the writer

// The program folder when this process is a writer, else nullptr.
const char* WriterFolder();

void Report(const QByteArray& line);
[[noreturn]] void Fail(const QString& why);
void Begins(char kind, int delta, const QByteArray& what = {});
void Finished();

// Runs `act` once `dialog` is the modal window on screen. The dialogs open
// with exec(), so it is armed before the click that opens them.
void WhenShown(QDialog* dialog, std::function<void()> act);

QString Text(const lumi::dbf::Value& v);

// Makes the windows, waits for the parent's go, hooks the statements and the
// journal's syncs, then runs `step` over and over from inside the orders
// window until the process is killed. `step` is made with the seed the
// parent gave.
[[noreturn]] void RunWriter(const std::function<std::function<void()>(unsigned seed)>& make);

// ---------------------------------------------------------------- the parent

// What one writer reported before it was killed.
struct Reported {
  bool ready = false;
  QString error;
  int committed = 0;  // rows added (less those removed) by the changes it finished
  std::map<char, int> finished;
  // The changes it finished, in order: their kind and what they told of themselves.
  std::vector<std::pair<char, QString>> changes;
  // The change under way at the kill: its kind, the rows it adds or removes,
  // what it told of itself, whether a statement of it had begun inside its
  // transaction, whether its commit had synced the journal and begun to
  // write the tables.
  std::optional<char> kind;
  int delta = 0;
  QString what;
  bool inTransaction = false;
  bool committing = false;
};

Reported Parse(const std::string& text);

// A writer process: started, then told to go, then killed. One left behind
// by a failed assertion is killed when the test ends. `aim` ("S120"): the
// writer has itself killed 120 us after the first sync of a journal inside
// its first change of kind S (after the second with "S120@2", for a change
// that writes tables of two folders, each with its journal): the parent
// could never react within the few microseconds a commit takes to write the
// tables.
class WriterProcess {
 public:
  WriterProcess(const std::string& folder, unsigned seed, const std::string& aim,
                const QString& log);
  ~WriterProcess();
  WriterProcess(const WriterProcess&) = delete;
  WriterProcess& operator=(const WriterProcess&) = delete;

  bool Started() const { return pid_ > 0 && fd_ >= 0; }
  // Lets it open the tables; true once it reports it is ready to work.
  bool Go();
  // Reads its reports until `reached` holds of them, then for `wait`; then
  // kills it and reads the rest.
  void KillAfter(const std::function<bool(const Reported&)>& reached, Clock::duration wait);
  int status() const { return status_; }
  const std::string& text() const { return text_; }
  QString log() const;

 private:
  void Kill();
  // Until `enough` holds, `deadline` passes or the socket closes.
  void Read(Clock::time_point deadline, const std::function<bool()>& enough);

  QString log_;
  pid_t pid_ = -1;
  int fd_ = -1;
  int status_ = 0;
  std::string text_;  // what it has reported so far
};

// The orders fixture for a crash test: in a writer process the folder is the
// parent's, so nothing is set up or torn down.
class CrashTest : public OrdersTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Runs `check` over a copy of the tables as the kill left them, without
  // the journal (so nothing is rolled back); a table the reader refuses
  // counts as true (half written).
  bool AsKilled(const std::function<bool()>& check);
};

}  // namespace orders_test::crash
