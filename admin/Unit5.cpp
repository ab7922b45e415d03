#include "admin/Unit5.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QVBoxLayout>

#include "admin/DialogKeys.h"

TForm5::TForm5(QWidget* parent) : QDialog(parent) {
  setObjectName("Form5");
  setWindowTitle("AUTENTIFICARE");
  setModal(true);
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);

  Label1 = new QLabel(this);
  Label1->setObjectName("Label1");
  Edit1 = new QLineEdit(this);
  Edit1->setObjectName("Edit1");
  Edit1->setEchoMode(QLineEdit::Password);
  Edit1->setStyleSheet("lineedit-password-character: 42;");
  Edit1->setMinimumWidth(220);
  BitBtn1 = new QPushButton("OK", this);
  BitBtn1->setObjectName("BitBtn1");
  BitBtn1->setToolTip("Verifica Parola.");
  BitBtn2 = new QPushButton("Renunt", this);
  BitBtn2->setObjectName("BitBtn2");
  BitBtn2->setToolTip("Renunt la autentificare.");
  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName("StatusBar1");
  StatusBar1->setSizeGripEnabled(false);
  StatusBar1->showMessage("ESC - Renunt");

  auto* grid = new QGridLayout;
  grid->addWidget(Label1, 0, 0, 1, 2);
  grid->addWidget(Edit1, 1, 0, 1, 2);
  grid->addWidget(BitBtn1, 2, 0);
  grid->addWidget(BitBtn2, 2, 1);
  auto* all = new QVBoxLayout(this);
  all->setContentsMargins(0, 0, 0, 0);
  grid->setContentsMargins(12, 12, 12, 6);
  all->addLayout(grid);
  all->addWidget(StatusBar1);
  FaraButonImplicit(this);

  connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
  connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

bool TForm5::InputQuery2(const QString& titlu, const QString& mesaj, QString& valoare) {
  setWindowTitle(titlu);
  Label1->setText(mesaj);
  Edit1->clear();
  adjustSize();
  setFixedSize(sizeHint());
  if (QScreen* s = QGuiApplication::primaryScreen()) {
    move(s->availableGeometry().center() - rect().center());
  }
  Edit1->setFocus();
  if (exec() != QDialog::Accepted) return false;
  valoare = Edit1->text();
  Edit1->clear();  // the password does not stay in the window
  return true;
}

void TForm5::keyPressEvent(QKeyEvent* event) {
  if (MutaFocusul(event, {{Edit1, BitBtn1}})) return;
  if (ApasaButonulCuFocus(event)) return;
  QDialog::keyPressEvent(event);  // Escape closes unconfirmed
}
