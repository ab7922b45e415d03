// The program's message dialog: a text of up to four lines in one of four
// kinds ("Warning", "Error", "Confirmation", "Information"), with one of
// three button sets, answered as text.
#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QPlainTextEdit;
class QPushButton;

class TForm30 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm30(QWidget* parent = nullptr);

  // Shows `text` modally. `tip` is the kind, in any letter case. `butoane`
  // picks the buttons: 0 OK; 1 DA and NU; 2 OK and Renunt. On return
  // `raspuns` is "OK", "DA", "NU" or "RENUNT" (ESC and the close box answer
  // "RENUNT"). Callers go on only on "DA" (or "OK").
  void Mesaj(const QString& text, const QString& tip, QString& raspuns, int butoane);

  QString RaspunsMesaj;
};
