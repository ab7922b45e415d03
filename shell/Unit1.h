// The start-up window: prepares the Data folder and the tables behind a
// progress bar, then hands over to the main toolbar. It is the application's
// main window and also carries the program's shared query and value helpers.
#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>

class QLabel;
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
  // The query and value helpers, the settings store and the data-store
  // operations of this window are declared here and defined in their own
  // files (Unit1Helpers.cpp, Unit1Settings.cpp, ...): QueryRst, Curata,
  // FALStrToSQL, FALNumar, PuneAnd, CodNou, CodExistent, HEroare,
  // StergeSelectia, Lasa_Numar, CitesteStr_din_Ini, ScrieStr_in_Ini,
  // Citeste_Reg, Scrie_Reg, and the table creation, upgrade and index rebuild.
  //
  // Sx (query object) and Sursa (table object) come from engine/query.h:
  //   TQuery Sx; TTable Sursa;
  // Hint1 (the input-error balloon) comes with the helpers.
  // ---- END shared helpers --------------------------------------------------

 protected:
  void showEvent(QShowEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void FormCreate();
  void FormShow();

  void SeteazaSeparatoriiNumerici();  // step 3: "." and ","
  void CitesteDateleSocietatii();  // step 7: company data into the administration window
  // Steps of the start-up sequence supplied by the settings store, the
  // administration window and the data store (see StartupHooks.cpp).
  void ScrieValorileRegistru();  // step 6: "CALE" and "VER" into the registry
  void PregatesteTabelele();  // step 8: missing tables, upgrade, index rebuild

  bool pornit_ = false;
  int latimeBara_ = 0;
};
