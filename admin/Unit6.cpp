#include "admin/Unit6.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QVBoxLayout>
#include <filesystem>

#include "admin/DialogKeys.h"
#include "engine/session.h"
#include "shell/Erori30.h"
#include "shell/Forms.h"
#include "shell/Globals.h"
#include "shell/SingleCopy.h"
#include "shell/Unit7.h"

namespace {

namespace fs = std::filesystem;

fs::path CaleFs(const QString& cale) {
  const QByteArray utf8 = QDir::cleanPath(cale).toUtf8();
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

QString CaleQt(const fs::path& cale) {
  const std::u8string utf8 = cale.u8string();
  return QString::fromUtf8(reinterpret_cast<const char*>(utf8.data()),
                           static_cast<qsizetype>(utf8.size()));
}

QString Mesaj(const QString& text, const QString& tip, int butoane) {
  QString raspuns;
  Form30()->Mesaj(text, tip, raspuns, butoane);
  return raspuns;
}

// Shows each member's place on the counter; the counter repaints the screen.
void ArataPozitia(int index, int count) {
  ContorMax = count;
  Contor()->ContorPos(index);
}

QFileDialog* DialogFisier(QWidget* parent, const char* name, const QString& titlu,
                          const QString& filtru, QFileDialog::AcceptMode mod) {
  auto* d = new QFileDialog(parent, titlu);
  d->setObjectName(name);
  d->setAcceptMode(mod);
  // The user may type a name that is not there; the window says so itself.
  d->setFileMode(QFileDialog::AnyFile);
  // Replacing an archive is asked by the window, once.
  d->setOption(QFileDialog::DontConfirmOverwrite);
  d->setNameFilter(filtru);
  d->setDefaultSuffix("rsv");
  return d;
}

// A new copy of the program, in the current folder; this one then ends at once.
// The single-copy check stops first, or the new copy would find this one still
// answering and end.
void PornesteCopieNoua() {
  InceteazaCopiaUnica();
  QProcess::startDetached(QCoreApplication::applicationFilePath(), {}, QDir::currentPath());
  QCoreApplication::exit(0);
}

}  // namespace

TForm21::TForm21(QWidget* parent) : QDialog(parent), Reporneste(PornesteCopieNoua) {
  setObjectName("Form21");
  setWindowTitle("Salvare - Restaurare");
  setModal(true);
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);

  ConvexBtn1 = new QPushButton("Salveaza baza de date", this);
  ConvexBtn1->setObjectName("ConvexBtn1");
  ConvexBtn1->setToolTip("Salveaza toate datele programului.");
  ConvexBtn2 = new QPushButton("Restaureaza baza de date", this);
  ConvexBtn2->setObjectName("ConvexBtn2");
  ConvexBtn2->setToolTip(
      "Sterge toate datele programului si le inlocuieste cu o salvare anterioara.");
  for (QPushButton* b : {ConvexBtn1, ConvexBtn2}) b->setMinimumSize(260, 40);
  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName("StatusBar1");
  StatusBar1->setSizeGripEnabled(false);
  StatusBar1->showMessage("ESC - Iesire");

  auto* butoane = new QVBoxLayout;
  butoane->setContentsMargins(16, 16, 16, 12);
  butoane->setSpacing(10);
  butoane->addWidget(ConvexBtn1);
  butoane->addWidget(ConvexBtn2);
  auto* all = new QVBoxLayout(this);
  all->setContentsMargins(0, 0, 0, 0);
  all->addLayout(butoane);
  all->addWidget(StatusBar1);
  setFixedSize(sizeHint());
  FaraButonImplicit(this);

  SaveDialog1 = DialogFisier(this, "SaveDialog1", "Unde salvam arhiva ?",
                             "Arhiva Lumicraft (*.rsv)", QFileDialog::AcceptSave);
  OpenDialog1 = DialogFisier(this, "OpenDialog1", "Indicati salvarea precedenta",
                             "Salvari Lumicraft (*.rsv)", QFileDialog::AcceptOpen);

  connect(ConvexBtn1, &QPushButton::clicked, this, &TForm21::ConvexBtn1Click);
  connect(ConvexBtn2, &QPushButton::clicked, this, &TForm21::ConvexBtn2Click);
}

void TForm21::ListFileDir(const QString& cale) {
  fisiere_ = lumi::archive::ListSourceFiles(CaleFs(cale));
  NumeFisiere.clear();
  for (const auto& f : fisiere_) NumeFisiere << CaleQt(f.path);
}

void TForm21::GolesteDir(const QString& dir, const QString& pastreaza) {
  const QDir d(dir);
  for (const QString& nume : d.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
    if (!pastreaza.isEmpty() && QFileInfo(d.filePath(nume)) == QFileInfo(pastreaza)) continue;
    QFile::remove(d.filePath(nume));
  }
}

void TForm21::CompressFiles(const QString& arhiva) {
  lumi::archive::WriteArchive(CaleFs(arhiva), fisiere_, ArataPozitia);
}

void TForm21::DecompressFiles(const QString& arhiva, const QString& cale) {
  lumi::archive::ExtractArchive(CaleFs(arhiva), CaleFs(cale), ArataPozitia);
}

QString TForm21::AlegeFisier(QFileDialog* dialog) {
  dialog->setDirectory(QDir::currentPath());
  dialog->selectFile(QString());
  if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return QString();
  return QDir::toNativeSeparators(dialog->selectedFiles().first());
}

void TForm21::ConvexBtn1Click() {
  const QString arhiva = AlegeFisier(SaveDialog1);
  if (arhiva.isEmpty()) return;
  if (QFileInfo::exists(arhiva) &&
      Mesaj("Vreti sa inlocuiti salvarea " + arhiva + "?", "Warning", 1) != "DA") {
    return;
  }
  // The old archive stays until the new one is complete, and is not saved into it.
  try {
    ListFileDir(CaleProgram);
  } catch (const std::exception& e) {
    Mesaj(QString("Salvarea nu a fost facuta !\r\n") + e.what(), "Error", 0);
    return;
  }
  for (std::size_t i = 0; i < fisiere_.size(); ++i) {
    if (QFileInfo(NumeFisiere[static_cast<qsizetype>(i)]) == QFileInfo(arhiva)) {
      fisiere_.erase(fisiere_.begin() + static_cast<std::ptrdiff_t>(i));
      NumeFisiere.removeAt(static_cast<qsizetype>(i));
      break;
    }
  }

  // Every table closed, so that the files are read as they stand on disk.
  lumi::DefaultSession().ReleaseTables();
  Contor()->Label1->setText("Salvez starea actuala...");
  Contor()->Arata(this);
  QString eroare;
  try {
    CompressFiles(arhiva);
  } catch (const std::exception& e) {
    eroare = e.what();
  }
  Contor()->Distruge(this);
  accept();
  QCoreApplication::processEvents();
  if (eroare.isEmpty()) {
    Mesaj("Salvare incheiata cu succes !", "Information", 0);
  } else {
    Mesaj("Salvarea nu a fost facuta !\r\n" + eroare, "Error", 0);
  }
}

void TForm21::ConvexBtn2Click() {
  const QString arhiva = AlegeFisier(OpenDialog1);
  if (arhiva.isEmpty()) return;
  if (!QFileInfo::exists(arhiva)) {
    Mesaj("Salvarea " + arhiva + " nu exista !", "Error", 0);
    return;
  }

  Contor()->Label1->setText("Restaurez baza de date...");
  Contor()->Arata(this);
  // The whole archive is read through first: a damaged one changes nothing.
  try {
    lumi::archive::VerifyArchive(CaleFs(arhiva));
  } catch (const std::exception& e) {
    Contor()->Distruge(this);
    Mesaj(QString(e.what()) + "\r\nDatele programului au ramas neschimbate.", "Error", 0);
    return;
  }
  // The engine keeps tables open between statements; they are about to be deleted.
  lumi::DefaultSession().ReleaseTables();
  // An archive kept in Data itself must outlive the emptying it is read after.
  GolesteDir(CaleData, arhiva);
  QString eroare;
  try {
    DecompressFiles(arhiva, CaleProgram);
  } catch (const std::exception& e) {
    eroare = e.what();
  }
  Contor()->Distruge(this);
  accept();
  // The new copy must not find this one by its title.
  QGuiApplication::setApplicationDisplayName("Restart");
  QCoreApplication::processEvents();
  if (eroare.isEmpty()) {
    Mesaj("Restaurare incheiata cu succes !\r\nVa rog sa porniti programul din nou !",
          "Information", 0);
  } else {
    Mesaj("Restaurarea nu s-a terminat !\r\n" + eroare +
              "\r\nProgramul porneste din nou cu fisierele scrise pana aici.",
          "Error", 0);
  }
  Reporneste();
}

void TForm21::done(int result) {
  QDialog::done(result);
  // The file dialogs may have moved the current folder.
  QDir::setCurrent(CaleProgram);
}

void TForm21::keyPressEvent(QKeyEvent* event) {
  if (ApasaButonulCuFocus(event)) return;
  QDialog::keyPressEvent(event);  // Escape closes the window
}
