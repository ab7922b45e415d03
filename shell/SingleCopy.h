// One running copy of the program. The first copy listens on a local socket
// named after the program's title; a later start reaches it, asks it to come
// to the front and ends without opening a window. A copy whose title differs
// (as after a restore renames it) does not see the first and starts.
#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

class CopieUnica : public QObject {
  Q_OBJECT

 public:
  explicit CopieUnica(const QString& titlu, QObject* parent = nullptr);
  ~CopieUnica() override;

  // The socket name for a title: the title and the user, so that two users
  // of one machine each run their own copy.
  static QString NumeSocket(const QString& titlu);

  // True when a copy with this title is running; it has then been asked to
  // come to the front.
  bool TrezesteCopiaPornita();
  // Starts answering later starts. A socket left behind by a copy that
  // crashed is replaced. Returns false when the socket cannot be opened; the
  // program then runs without the check.
  bool Asculta();
  // Stops answering, so that a new copy can start (as before a restart).
  void Inceteaza();

  // The copy that answers for this program, once Asculta succeeded; null
  // before (and in tests that never listen).
  static CopieUnica* Curenta();

 signals:
  // A later start asked this copy to come to the front.
  void Trezita();

 private:
  QString nume_;
  QLocalServer* server_ = nullptr;
};

// Stops the running copy's listener (CopieUnica::Curenta), so that a copy
// started now, as after a restore, does not hand over to this one and end.
// Does nothing when nobody listens.
void InceteazaCopiaUnica();

// Brings the program's visible window to the front, restoring it when
// minimised: the open modal window when there is one, else the toolbar,
// else the start-up window.
void AduProgramulInFata();
