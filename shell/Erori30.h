// The program's message dialog: a text of a few lines in one of four kinds
// ("Warning", "Error", "Confirmation", "Information"), with one of three
// button sets, answered as text.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <QVector>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class TGradientPanel;

class TForm30 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm30(QWidget* parent = nullptr);

  // Shows `text` modally. `tip` is the kind, in any letter case. `butoane`
  // picks the buttons: 0 OK; 1 DA and NU (focus on NU); 2 OK and Renunt
  // (focus on Renunt). On return `raspuns` is "OK", "DA", "NU" or "RENUNT"
  // (ESC and the close box answer "RENUNT"). Callers go on only on "DA" (or
  // "OK"). Lines break at CR LF (or a lone CR or LF) and where a line would
  // pass 385 pixels; a text of more than four lines makes the dialog taller.
  void Mesaj(const QString& text, const QString& tip, QString& raspuns, int butoane);

  // The message lines as Mesaj breaks them.
  QStringList RupeInLinii(const QString& text) const;

  QString RaspunsMesaj;

  TGradientPanel* GradientPanel1;
  QLabel* I1;  // error
  QLabel* I2;  // warning
  QLabel* I3;  // confirmation
  QLabel* I4;  // information
  QLabel* Label1;
  QLabel* Label2;
  QLabel* Label3;
  QLabel* Label4;
  QPlainTextEdit* Memo1;  // hidden; its font and width decide the line breaks
  QPushButton* Da;
  QPushButton* Nu;
  QPushButton* Bo;
  QPushButton* Br;

  void BoClick();
  void BrClick();
  void DaClick();
  void NuClick();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void FormKeyDown(QKeyEvent* event);
  // Label(i), created on first use: Label1 to Label4, then one more per extra line.
  QLabel* Eticheta(int i);

  QVector<QLabel*> etichete_;
};
