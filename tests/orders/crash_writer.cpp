#include "tests/orders/crash_writer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QTimer>
#include <cstring>
#include <exception>

#include "engine/dbf/journal_file.h"
#include "engine/session.h"
#include "orders/Comenzi.h"
#include "shell/ErrorGuard.h"
#include "shell/Forms.h"
#include "shell/Globals.h"
#include "shell/Unit1.h"

extern char** environ;

namespace orders_test::crash {
namespace {

namespace journal_file = lumi::dbf::journal_file;

constexpr const char* kFolderVar = "LUMI_CRASH_FOLDER";
constexpr const char* kSocketVar = "LUMI_CRASH_SOCKET";
constexpr const char* kSeedVar = "LUMI_CRASH_SEED";
constexpr const char* kAimVar = "LUMI_CRASH_AIM";

int report_fd = -1;
char under_way = 0;  // the kind of change begun and not finished
int syncs = 0;       // of the journal, since that change began

// SIGKILL from a kernel timer `us` microseconds from now, wherever the
// writer then is.
void KillIn(long us) {
  sigevent event{};
  event.sigev_notify = SIGEV_SIGNAL;
  event.sigev_signo = SIGKILL;
  timer_t timer;
  if (timer_create(CLOCK_MONOTONIC, &event, &timer) != 0) Fail("no timer");
  itimerspec when{};
  when.it_value.tv_sec = us / 1000000;
  when.it_value.tv_nsec = (us % 1000000) * 1000 + 1;  // zero would disarm it
  timer_settime(timer, 0, &when, nullptr);
}

}  // namespace

const char* WriterFolder() { return getenv(kFolderVar); }

// One line to the parent. A line cut short by the kill has no line break and
// is not read.
void Report(const QByteArray& line) {
  const QByteArray l = line + '\n';
  if (write(report_fd, l.constData(), static_cast<size_t>(l.size())) != l.size()) _exit(4);
}

void Fail(const QString& why) {
  Report("E " + why.simplified().toUtf8());
  _exit(3);
}

void Begins(char kind, int delta, const QByteArray& what) {
  under_way = kind;
  syncs = 0;
  Report(QByteArray(1, kind) + ' ' + QByteArray::number(delta) +
         (what.isEmpty() ? QByteArray() : ' ' + what));
}

void Finished() {
  under_way = 0;
  Report("D");
}

void WhenShown(QDialog* dialog, std::function<void()> act) {
  auto* timer = new QTimer;
  timer->setInterval(0);
  QObject::connect(timer, &QTimer::timeout, timer, [=] {
    if (QApplication::activeModalWidget() != dialog || !dialog->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    act();
  });
  timer->start();
}

QString Text(const lumi::dbf::Value& v) {
  return v.is_null() ? QString() : QString::fromStdString(v.text()).trimmed();
}

void RunWriter(const std::function<std::function<void()>(unsigned seed)>& make) {
  const QString folder = QString::fromLocal8Bit(WriterFolder());
  report_fd = atoi(getenv(kSocketVar));
  RaportorErori() = [](const QString& text) { Fail("error shown: " + text); };
  CaleProgram = folder;
  CaleData = folder + "/Data";
  CreeazaFerestrele();
  // The writer before this one may still be at work in the folder.
  char go = 0;
  if (read(report_fd, &go, 1) != 1) _exit(0);
  lumi::DefaultSession().SetStatementHook([](const std::string&) {
    if (lumi::DefaultSession().InTransaction()) Report("T");
  });
  static char aim = 0;
  static long aimUs = 0;
  static int aimSync = 1;
  if (const char* a = getenv(kAimVar)) {
    aim = a[0], aimUs = atol(a + 1);
    if (const char* at = strchr(a, '@')) aimSync = atoi(at + 1);
  }
  journal_file::SetSyncObserver([](int) {
    Report("J");
    if (aim != 0 && aim == under_way && ++syncs == aimSync) {
      aim = 0;
      KillIn(aimUs);
    }
  });
  static std::function<void()> step;
  step = make(static_cast<unsigned>(atol(getenv(kSeedVar))));
  QTimer::singleShot(0, Form7(), [] {
    Report("R");
    for (;;) {
      try {
        step();
      } catch (const std::exception& e) {
        Fail(QString("error: ") + e.what());
      }
    }
  });
  Form7()->ArataComenzi();
  Fail("the orders window closed");
}

Reported Parse(const std::string& text) {
  Reported r;
  size_t at = 0;
  for (size_t end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
    const QString line = QString::fromStdString(text.substr(at, end - at));
    const QChar c = line.isEmpty() ? QChar() : line[0];
    if (c == 'R') {
      r.ready = true;
    } else if (c == 'T') {
      r.inTransaction = r.kind.has_value();
    } else if (c == 'J') {
      r.committing = r.kind.has_value();
    } else if (c == 'D') {
      if (!r.kind) continue;
      r.committed += r.delta;
      ++r.finished[*r.kind];
      r.changes.emplace_back(*r.kind, r.what);
      r.kind.reset();
    } else if (c == 'E') {
      r.error = line.mid(2);
    } else if (c.isLetter()) {
      r.kind = c.toLatin1();
      const QString rest = line.mid(2);
      const qsizetype space = rest.indexOf(' ');
      r.delta = rest.left(space).toInt();
      r.what = space < 0 ? QString() : rest.mid(space + 1);
      r.inTransaction = r.committing = false;
    }
  }
  return r;
}

WriterProcess::WriterProcess(const std::string& folder, unsigned seed, const std::string& aim,
                             const QString& log)
    : log_(log) {
  int ends[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return;
  fcntl(ends[1], F_SETFD, 0);  // the writer's end stays open across exec
  const std::string exe = QCoreApplication::applicationFilePath().toStdString();
  const testing::TestInfo* t = testing::UnitTest::GetInstance()->current_test_info();
  std::string filter = std::string("--gtest_filter=") + t->test_suite_name() + "." + t->name();
  std::string arg0 = exe;
  char* argv[] = {arg0.data(), filter.data(), nullptr};
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) env.emplace_back(*e);
  env.push_back(std::string(kFolderVar) + "=" + folder);
  env.push_back(std::string(kSocketVar) + "=" + std::to_string(ends[1]));
  env.push_back(std::string(kSeedVar) + "=" + std::to_string(seed));
  if (!aim.empty()) env.push_back(std::string(kAimVar) + "=" + aim);
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  const int out = open(log.toStdString().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  pid_ = fork();
  if (pid_ == 0) {
    dup2(out, 1);
    dup2(out, 2);
    execve(exe.c_str(), argv, envp.data());
    _exit(127);
  }
  close(out);
  close(ends[1]);
  fd_ = ends[0];
}

WriterProcess::~WriterProcess() {
  Kill();
  if (fd_ >= 0) close(fd_);
}

bool WriterProcess::Go() {
  if (write(fd_, "G", 1) != 1) return false;
  Read(Clock::now() + std::chrono::seconds(30), [this] { return Parse(text_).ready; });
  return Parse(text_).ready;
}

void WriterProcess::KillAfter(const std::function<bool(const Reported&)>& reached,
                              Clock::duration wait) {
  Read(Clock::now() + std::chrono::seconds(5), [&] { return reached(Parse(text_)); });
  Read(Clock::now() + wait, [] { return false; });
  Kill();
  Read(Clock::now() + std::chrono::seconds(10), [] { return false; });
}

QString WriterProcess::log() const {
  QFile f(log_);
  return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

void WriterProcess::Kill() {
  if (pid_ <= 0) return;
  kill(pid_, SIGKILL);
  waitpid(pid_, &status_, 0);
  pid_ = -1;
}

void WriterProcess::Read(Clock::time_point deadline, const std::function<bool()>& enough) {
  while (!enough()) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return;
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
    char buffer[4096];
    const ssize_t got = read(fd_, buffer, sizeof buffer);
    if (got <= 0) return;
    text_.append(buffer, static_cast<size_t>(got));
  }
}

void CrashTest::SetUp() {
  if (WriterFolder() != nullptr) {
    dir_.remove();  // the writer works in the parent's folder; a kill leaves nothing behind
    return;
  }
  OrdersTest::SetUp();
}

void CrashTest::TearDown() {
  if (WriterFolder() == nullptr) OrdersTest::TearDown();
}

bool CrashTest::AsKilled(const std::function<bool()>& check) {
  const QString live = CaleData;
  const QString copy = dir_.path() + "/AsKilled";
  QDir(copy).removeRecursively();
  QDir().mkpath(copy);
  for (const QString& f : QDir(live).entryList(QDir::Files)) {
    if (f != journal_file::kName) QFile::copy(live + "/" + f, copy + "/" + f);
  }
  bool result = true;
  CaleData = copy;
  try {
    result = check();
  } catch (...) {
    // A table the reader refuses is half written too.
  }
  lumi::DefaultSession().ReleaseTables();
  CaleData = live;
  return result;
}

}  // namespace orders_test::crash
