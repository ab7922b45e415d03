// The start-up window: prepares the Data folder and the tables behind a
// progress bar, then hands over to the main toolbar. It is the application's
// main window and also carries the program's shared query and value helpers.
#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>

#include "engine/query.h"

class Balloon;
class QLabel;
class QLineEdit;
class QTimer;

class TForm1 : public QWidget {
  Q_OBJECT

 public:
  explicit TForm1(QWidget* parent = nullptr);
  ~TForm1() override;

  QLabel* Label1;  // title shadow, grey
  QLabel* Label2;  // title, white
  QLabel* Label4;  // "Gestiune magazie - vanzari - comenzi"
  QLabel* Label5;  // status text
  QTimer* Timer1;  // the start-up delay
  // The 2 x 18 pixel pattern the progress bars are painted with.
  QImage Image1;

  // The start-up sequence; Timer1 runs it once, 1000 ms after the window is shown.
  void Timer1Timer();
  // Advances the start-up progress bar by p percent (3.1 pixels per percent).
  void Plus_X_Procent(std::uint16_t p);
  // Width in pixels of the progress bar drawn so far.
  int LatimeBara() const { return latimeBara_; }

  // ---- BEGIN shared helpers ------------------------------------------------
  // Query and value helpers (Unit1Helpers.cpp; the logic lives in
  // shell/SqlText.h and shell/Unit1Helpers.h).
  void QueryRst(lumi::TQuery& q);
  QString Curata(const QString& s);
  QString FALStrToSQL(const QString& s);
  QString FALNumar(const QString& s);
  QString PuneAnd(const QString& s);
  QString CodNou(const QString& k);
  QString CodExistent(const QString& k);
  // An input error as a balloon at the control; returns at once.
  void HEroare(const QString& mesaj, QWidget* control);
  bool StergeSelectia(QLineEdit* e);
  // Key-down handler for read-only numeric edit boxes; `key` is a Windows
  // key code (Ajutoare::CodTasta turns a QKeyEvent into one).
  void Lasa_Numar(QObject* sender, std::uint16_t& key, Qt::KeyboardModifiers shift);
  Balloon* Hint1 = nullptr;  // the input-error balloon, made by the first HEroare

  // Settings store (Unit1Settings.cpp): Lumicraft.ini in CaleData and the
  // registry values.
  QString CitesteStr_din_Ini(const QString& sectiune, const QString& cheie);
  void ScrieStr_in_Ini(const QString& sectiune, const QString& cheie, const QString& valoare);
  QString Citeste_Reg(const QString& nume);
  void Scrie_Reg(const QString& nume, const QString& valoare);

  // Data store (Unit1Hooks.cpp, over store/DataStore.h): the five tables
  // created when missing, the upgrade of Comenzi.dbf and the index rebuild,
  // all run on Sx and Sursa.
  lumi::TQuery Sx;
  lumi::TTable Sursa;
  void CreazaMagazieDBF();
  void CreazaCapComDBF();
  void CreazaComenziDBF();
  void CreazaCapClientiDBF();
  void CreazaPlatiDBF();
  void ActualizeazaComenziDBF();
  void RemoveIndex(const QString& path);
  bool CreazaIndex(const QString& path, const QString& column);
  void StergePuneIndex(const QString& path, const QStringList& columns);
  void PackTable(const QString& path);
  // ---- END shared helpers --------------------------------------------------

 protected:
  void showEvent(QShowEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void FormCreate();
  void FormShow();

  void SeteazaSeparatoriiNumerici();  // step 3: "." and ","
  void CitesteDateleSocietatii();     // step 7: company data into the administration window
  // Steps of the start-up sequence supplied by the settings store, the
  // administration window and the data store (see Unit1Hooks.cpp).
  void ScrieValorileRegistru();  // step 6: "CALE" and "VER" into the registry
  void PregatesteTabelele();     // step 8: missing tables, upgrade, index rebuild

  bool pornit_ = false;
  int latimeBara_ = 0;
};
