// The main toolbar: a strip docked at the top of the screen from which every
// working window is opened and through which the program ends.
#pragma once

#include <QMainWindow>
#include <QPixmap>
#include <QVector>

class QLabel;
class QStatusBar;
class QToolBar;
class QToolButton;
class TGradientPanel;

class TForm3 : public QMainWindow {
  Q_OBJECT

 public:
  explicit TForm3(QWidget* parent = nullptr);
  ~TForm3() override;

  QToolBar* ToolBar1;
  QToolButton* ToolButton5;  // "Magazie"
  QToolButton* ToolButton9;  // "Comenzi"
  QToolButton* ToolButton8;  // "In lucru"
  QToolButton* ToolButton7;  // "Rapoarte"
  QToolButton* ToolButton2;  // " Admin"
  QToolButton* ToolButton4;  // "Salvare"
  QToolButton* ToolButton1;  // " Iesire"
  TGradientPanel* Panel1;    // the date panel at the right
  QLabel* Label1;            // today's date
  QStatusBar* StatusBar1;
  // The nine 32 x 32 pictures of the buttons; image 1 is the locked and
  // image 7 the unlocked " Admin".
  QVector<QPixmap> ImageList1;

  // Enables or disables the five work buttons together, sets
  // ProgramDeblocat and shows the " Admin" picture that goes with it.
  void SeteazaDeblocare(bool deblocat);

  void ToolButton5Click();
  void ToolButton9Click();
  void ToolButton8Click();
  void ToolButton7Click();
  void ToolButton2Click();
  void ToolButton4Click();
  void ToolButton1Click();

  // ---- BEGIN data store ----------------------------------------------------
  // Deletes a scratch table and its .mdx and .dbt (Unit1Hooks.cpp).
  void StergeTabelaTemp(const QString& path);
  // ---- END data store ------------------------------------------------------

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void FormShow();
  void FormKeyDown(QKeyEvent* event);
  void FormClose(QCloseEvent* event);
  void FormDestroy();
  // Deletes the scratch tables left in CaleProgram; run when the window is
  // destroyed at program end (see Unit1Hooks.cpp).
  void StergeTabeleTemporare();
};
