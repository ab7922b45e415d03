#include "shell/SingleCopy.h"

#include <QApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QWidget>

#include "shell/Forms.h"
#include "shell/Unit1.h"
#include "shell/Unit3.h"

namespace {

constexpr char kTrezire[] = "fata\n";
CopieUnica* g_curenta = nullptr;

void Adu(QWidget* w) {
  if (w->isMinimized()) w->showNormal();
  w->raise();
  w->activateWindow();
}

}  // namespace

CopieUnica::CopieUnica(const QString& titlu, QObject* parent)
    : QObject(parent), nume_(NumeSocket(titlu)) {}

CopieUnica::~CopieUnica() { Inceteaza(); }

QString CopieUnica::NumeSocket(const QString& titlu) {
  QString user = qEnvironmentVariable("USER");
  if (user.isEmpty()) user = qEnvironmentVariable("USERNAME");
  QString nume = titlu + "-" + user;
  // Only characters every platform accepts in a socket or pipe name.
  for (QChar& c : nume) {
    if (!c.isLetterOrNumber() && c != '-' && c != '.' && c != '_') c = '_';
  }
  return nume;
}

bool CopieUnica::TrezesteCopiaPornita() {
  QLocalSocket s;
  s.connectToServer(nume_);
  if (!s.waitForConnected(500)) return false;
  s.write(kTrezire);
  s.waitForBytesWritten(500);
  s.disconnectFromServer();
  return true;
}

bool CopieUnica::Asculta() {
  if (server_) return true;
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(nume_)) {
    // Nobody answered the connect, so the name is a leftover of a crash.
    QLocalServer::removeServer(nume_);
    if (!server_->listen(nume_)) {
      delete server_;
      server_ = nullptr;
      return false;
    }
  }
  connect(server_, &QLocalServer::newConnection, this, [this] {
    // A connection is the whole request; what it carries does not matter.
    while (QLocalSocket* s = server_->nextPendingConnection()) {
      connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
      emit Trezita();
    }
  });
  connect(this, &CopieUnica::Trezita, this, [] { AduProgramulInFata(); });
  g_curenta = this;
  return true;
}

CopieUnica* CopieUnica::Curenta() { return g_curenta; }

void CopieUnica::Inceteaza() {
  if (g_curenta == this) g_curenta = nullptr;
  if (!server_) return;
  server_->close();
  delete server_;
  server_ = nullptr;
}

void InceteazaCopiaUnica() {
  if (CopieUnica* c = CopieUnica::Curenta()) c->Inceteaza();
}

void AduProgramulInFata() {
  if (QWidget* m = QApplication::activeModalWidget()) {
    // The modal window's owner comes first, so that both are restored.
    if (Form3() && Form3()->isVisible()) Adu(Form3());
    Adu(m);
    return;
  }
  if (Form3() && Form3()->isVisible()) {
    Adu(Form3());
  } else if (Form1() && Form1()->isVisible()) {
    Adu(Form1());
  }
}
