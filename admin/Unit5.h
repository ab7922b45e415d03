// Password prompt of the administrator login.
#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;

class TForm5 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm5(QWidget* parent = nullptr);

  // Shows the prompt with the given caption and prompt text and an empty box.
  // True, with `valoare` set to the text typed, when the user confirms with OK;
  // false otherwise, `valoare` untouched.
  bool InputQuery2(const QString& titlu, const QString& mesaj, QString& valoare);

  QLabel* Label1;        // the prompt text
  QLineEdit* Edit1;      // the password, shown as "*"
  QPushButton* BitBtn1;  // OK
  QPushButton* BitBtn2;  // cancel
  QStatusBar* StatusBar1;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};
