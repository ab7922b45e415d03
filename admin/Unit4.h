// Administration window: company data, the administrator password and the unlock switch.
#pragma once

#include <QDialog>

class TForm4 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm4(QWidget* parent = nullptr);

  // Loads the company name and fiscal code from the settings file into the fields; run once at
  // every start.
  void CitesteSocietate();

  // The administrator login behind the " Admin" button (and F10): asks for the password when one is
  // set, then shows this window.
  void IdentificaAdmin();
};
