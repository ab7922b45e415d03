// Administration window: company data, the administrator password and the unlock switch.
#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;

class TForm4 : public QDialog {
  Q_OBJECT

 public:
  // The company data the window shows until the settings file holds others.
  static constexpr const char* kDenumireInitiala = "SC LUMICRAFT SRL Colvendi";
  static constexpr const char* kFondInitial = "R51867204";

  explicit TForm4(QWidget* parent = nullptr);

  // Loads the company name and fiscal code from the settings file into the fields; run once at
  // every start. Empty values are not loaded.
  void CitesteSocietate();
  // Writes both fields to the settings file as they are, empty texts included; run whenever the
  // window closes.
  void ScrieSocietate();

  // The administrator login behind the " Admin" button (and F10): asks for the password when one is
  // set, then shows this window.
  void IdentificaAdmin();

  // The scrambled form in which a password is stored, from its Windows-1250 bytes. Empty for a text
  // with a character that code page cannot hold (no stored value is ever empty).
  static QString CodeazaStr(const QString& parola);

  QGroupBox* GroupBox1;  // " Schimbare parola  "
  QLineEdit* Edit2;      // new password
  QLineEdit* Edit3;      // new password again
  QPushButton* BitBtn1;  // "&Schimba parola"
  QLabel* Label5;        // "Date despre Societate"
  QLabel* Label6;        // where the company name appears
  QLineEdit* Edit1;      // company name
  QLineEdit* Edit4;      // fiscal code
  QCheckBox* CheckBox1;  // "DEBLOCARE PROGRAM"
  QStatusBar* StatusBar1;

  void BitBtn1Click();
  void CheckBox1Click();

 public slots:
  void done(int result) override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};
