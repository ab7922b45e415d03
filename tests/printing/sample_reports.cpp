#include "tests/printing/sample_reports.h"

#include <QCoreApplication>
#include <QDir>
#include <QString>

namespace lumi::print::testing {

Report StockListReport() {
  Report r;
  r.title = "INVENTAR";
  r.page.columns = 2;
  r.page.columnGapMm = 2.0;

  r.titleBand.heightMm = 19.3;
  r.titleBand.items = {Label("Data1", "Data1", BandRight()),
                       Text("INVENTAR", BandCentre(8.5), Bold(14))};

  r.columnHeader.heightMm = 6.1;
  r.columnHeader.bottomLine = FrameLine::Double;
  r.columnHeader.items = {Text("DENUMIRE PRODUS", BandLeft(), Bold()),
                          Text("STOC", At(74.1), Bold())};

  r.detail.heightMm = 5.3;
  r.detail.items = {Field("DENUMIRE", BandLeft()), Field("STOC", RightEdgeAt(83.9), {}, "0.00")};

  r.pageFooter.heightMm = 6.3;
  r.pageFooter.items = {PageNumber("Pag. ", At(150.3))};
  return r;
}

Report WorkListReport() {
  Report r;
  r.title = "LUCRARI DE EXECUTAT";
  r.titleBand.heightMm = 32.0;
  r.titleBand.items = {Text("LUCRARI DE EXECUTAT", BandCentre(), Bold(14)),
                       Label("DataL", "DataL", BandCentre(6.3))};

  r.columnHeader.heightMm = 6.1;
  r.columnHeader.bottomLine = FrameLine::Double;
  r.columnHeader.items = {Text("Nr.Crt.", BandLeft(), Bold()),
                          Text("PRODUSUL", At(16.9), Bold()),
                          Text("U.M.", At(67.7), Bold()),
                          Text("CANT.", At(82.5), Bold()),
                          Text("LUNGIME", At(103.7), Bold()),
                          Text("LATIME", RightEdgeAt(142.9), Bold()),
                          Text("BUCATI", RightEdgeAt(168.3), Bold())};

  r.detail.heightMm = 5.3;
  r.detail.bottomLine = FrameLine::Normal;
  r.detail.items = {RowNumber(RightEdgeAt(11.9)),
                    Field("DENUMIRE", At(16.9)),
                    Field("UM", At(68.8)),
                    Field("CANT", RightEdgeAt(92.3), {}, "0.000"),
                    Field("LUNG", RightEdgeAt(119.3), {}, "0.000"),
                    Field("LAT", RightEdgeAt(142.9), {}, "0.000"),
                    Field("BUC", RightEdgeAt(166.2), Bold(), "0")};

  r.summary.heightMm = 16.1;
  r.summary.items = {Text("Semnatura,", At(42.3, 7.4))};
  return r;
}

namespace {

std::string Name(int i) {
  static const char* const kinds[] = {"Pahar", "Vaza", "Oglinda", "Geam", "Sticla", "Bol"};
  static const char* const traits[] = {"cristal", "mat", "securizat", "gravat", "colorat"};
  return std::string(kinds[i % 6]) + " " + traits[(i / 6) % 5] + " " + std::to_string(i);
}

}  // namespace

RowTable StockRows(int count) {
  RowTable rows({"DENUMIRE", "STOC"});
  for (int i = 1; i <= count; ++i) {
    std::optional<std::string> stock;
    if (i % 7 != 0) stock = std::to_string(i * 3 % 1000) + "." + std::to_string(i % 100);
    rows.Add({Name(i), stock});
  }
  return rows;
}

RowTable WorkRows(int count) {
  RowTable rows({"DENUMIRE", "UM", "CANT", "LUNG", "LAT", "BUC"});
  for (int i = 1; i <= count; ++i) {
    rows.Add({Name(i), i % 2 ? "MP" : "BUC", std::to_string(i % 9 + 0.25),
              std::to_string(0.5 + i % 4), std::to_string(0.25 + i % 3),
              std::to_string(i % 5 + 1)});
  }
  return rows;
}

std::string OutputPath(const std::string& fileName) {
  QString dir = qEnvironmentVariable("LUMI_PRINT_SAMPLES");
  if (dir.isEmpty())
    dir = QDir::tempPath() + "/lumi-print-" + QString::number(QCoreApplication::applicationPid());
  QDir().mkpath(dir);
  return (dir + "/" + QString::fromStdString(fileName)).toStdString();
}

}  // namespace lumi::print::testing
