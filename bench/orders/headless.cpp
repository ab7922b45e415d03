#include "bench/orders/headless.h"

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "bench/orders/sql_literals.h"
#include "bench/sql/memory_meter.h"
#include "bench/sql/sqlite_db.h"
#include "engine/query.h"
#include "engine/session.h"
#include "orders/Comenzi.h"
#include "shell/Erori30.h"
#include "shell/Forms.h"
#include "shell/Globals.h"
#include "shell/Unit1.h"

namespace lumi::bench {

void SetUpHeadless() {
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
}

std::vector<int> ParseArgs(int argc, char** argv, int* rounds, std::string* data_root,
                           const std::function<bool(int& i)>& own) {
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (own && own(i)) continue;
    if (a == "--rounds" && i + 1 < argc) {
      *rounds = std::max(1, std::atoi(argv[++i]));
    } else if (a == "--data" && i + 1 < argc) {
      *data_root = argv[++i];
    } else {
      sizes.push_back(std::atoi(argv[i]));
    }
  }
  if (sizes.empty()) sizes = {10000, 1200000};
  return sizes;
}

double Ms(const QElapsedTimer& t) { return static_cast<double>(t.nsecsElapsed()) / 1e6; }
double Mb(size_t bytes) { return static_cast<double>(bytes) / 1048576.0; }

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

bool Near(double a, double b) { return std::fabs(a - b) < 0.005; }

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

void Meter::Start() {
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

void Meter::Stop() {
  read_ += ProcValue("/proc/self/io", "rchar:") - read_base_;
  heap_ = std::max(heap_, HeapPeak() - heap_base_);
  if (rss_reset_) {
    size_t hwm = ProcValue("/proc/self/status", "VmHWM:");
    rss_ = std::max(rss_, hwm > rss_base_ ? (hwm - rss_base_) * 1024 : 0);
  }
}

std::string RssColumn(size_t rss, bool known) {
  char buf[16];
  if (known) {
    std::snprintf(buf, sizeof buf, "%8.1f", Mb(rss));
  } else {
    std::snprintf(buf, sizeof buf, "%8s", "?");
  }
  return buf;
}

LiteRun TimeSqlite(const std::function<void()>& work) {
  SqliteDb::ResetPeak();
  QElapsedTimer t;
  t.start();
  work();
  LiteRun run;
  run.ms = Ms(t);
  run.peak = SqliteDb::PeakBytes();
  return run;
}

ModalAnswer::ModalAnswer(QWidget* dialog, QWidget* outer, std::function<void()> act, int timeout_ms)
    : dialog_(dialog), outer_(outer), act_(std::move(act)), timeout_ms_(timeout_ms) {
  poll_.setInterval(0);
  QObject::connect(&poll_, &QTimer::timeout, [this] { Poll(); });
  since_.start();
  poll_.start();
}

void ModalAnswer::Poll() {
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

void Settle() {
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

ShowWatch::ShowWatch(QWidget* w, const QElapsedTimer* t) : w_(w), t_(t) {
  w_->installEventFilter(this);
}

ShowWatch::~ShowWatch() { w_->removeEventFilter(this); }

bool ShowWatch::eventFilter(QObject*, QEvent* e) {
  if (e->type() == QEvent::Show && ms < 0 && t_->isValid()) ms = Ms(*t_);
  return false;
}

AnsweredDa ClickAnsweringDa(QWidget* outer, const std::function<void()>& click, Meter* meter,
                            const std::function<void(const char*)>& mark) {
  TForm30* m = Form30();
  Settle();
  QElapsedTimer whole, answered;
  ModalAnswer answer(m, outer, [&] {
    Settle();
    if (meter) meter->Start();
    if (mark) mark("(answered DA)");
    answered.start();
    m->Da->click();
  });
  whole.start();
  click();
  AnsweredDa t;
  t.ms = answered.isValid() ? Ms(answered) : -1;
  t.whole = Ms(whole);
  if (mark) mark("(refreshed)");
  if (meter) meter->Stop();
  if (!answer.answered()) t.ms = -1;
  return t;
}

EntrySaved SaveThroughEntry(QDialog* entry, QWidget* outer, const std::function<void()>& open,
                            const std::function<void()>& fill, const std::function<void()>& save,
                            Meter* meter, const std::function<void(const char*)>& mark) {
  QElapsedTimer click;
  EntrySaved r;
  const auto conn = QObject::connect(entry, &QDialog::finished, [&](int) {
    if (click.isValid()) r.closed = Ms(click);
    if (mark) mark("(the entry closes: then the window's refresh)");
  });
  ModalAnswer answer(entry, outer, [&] {
    fill();
    Settle();
    if (meter) meter->Start();
    if (mark) mark("(click: the entry's checks)");
    click.start();
    save();
    if (entry->isVisible()) {
      r.refused = true;
      entry->reject();
    }
  });
  Settle();
  open();
  const double ms = click.isValid() ? Ms(click) : -1;
  if (mark) mark("(refreshed)");
  if (meter) meter->Stop();
  QObject::disconnect(conn);
  r.ms = answer.answered() && !r.refused ? ms : -1;
  return r;
}

bool InsideOrdersWindow(TForm7* f, const std::function<void()>& work, QElapsedTimer* since_call) {
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
  if (since_call) since_call->start();
  try {
    f->ArataComenzi();
  } catch (const std::exception& e) {
    std::printf("  ArataComenzi threw: %s\n", e.what());
  }
  return ran;
}

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

QString Table(const char* file) { return "\"" + CaleData + "\\" + file + "\""; }

void CounterPast(const char* key, double highest) {
  if (Form1()->CodExistent(key).toDouble() <= highest) {
    Form1()->ScrieStr_in_Ini("INDEX", key, QString::fromStdString(Code(highest + 1)));
  }
}

int64_t RecordsInHeader(const std::string& dbf) {
  unsigned char n[4] = {};
  int fd = ::open(dbf.c_str(), O_RDONLY);
  if (fd < 0) return -1;
  const bool ok = ::pread(fd, n, 4, 4) == 4;
  ::close(fd);
  return ok ? n[0] | n[1] << 8 | n[2] << 16 | static_cast<int64_t>(n[3]) << 24 : -1;
}

void PackLeftovers(const std::string& data, const char* file, int64_t generated) {
  const std::string path = data + "/" + file;
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
  std::printf("  %s packed: %lld rows deleted by earlier runs removed (%.1f s)\n", file,
              static_cast<long long>(rows - generated), Ms(t) / 1000);
}

}  // namespace lumi::bench
