#include "store/Schema.h"

#include <stdexcept>

namespace store {

const std::vector<TableSchema>& Tables() {
  static const std::vector<TableSchema> tables = {
      {"Magazie.dbf",
       {"(CODMAG   DECIMAL(10,0),", " DATAIN   DATE,", " FURNIZOR CHAR(40),", " DENUMIRE CHAR(40),",
        " UM       CHAR(3),", " CANTIN   DECIMAL(8,3),", " LATIME   DECIMAL(6,3),",
        " PRET     DECIMAL(8,2),", " STOC     DECIMAL(8,3),", " IESIT    DECIMAL(8,3),",
        " TIP      DECIMAL(2,0) )"},
       {"CODMAG", "DENUMIRE", "TIP"}},
      {"CapCom.dbf",
       {"(CODCAP   DECIMAL(10,0),", " DATA     DATE,", " TERMEN   DATE,", " PREDAT   CHAR(2),",
        " CODCLI   DECIMAL(10,0),", " COST   DECIMAL(8,2),", " REST     DECIMAL(8,2) )"},
       {"CODCAP", "CODCLI"}},
      {"Comenzi.dbf",
       {"(CODCAP   DECIMAL(10,0),", " CODCOM   DECIMAL(10,0),", " CODMAG   DECIMAL(10,0),",
        " DENUMIRE CHAR(40),", " UM       CHAR(3),", " CANT     DECIMAL(8,3),",
        " PRET     DECIMAL(8,2),", " TOTAL    DECIMAL(8,2),", " EXECUTAT CHAR(2),",
        " LUNG     DECIMAL(8,3),", " LAT      DECIMAL(8,3),", " TITLU    CHAR(60),",
        " BUC      DECIMAL(6,0) )"},
       {"CODCAP", "CODCOM", "TITLU"}},
      {"Clienti.dbf",
       {"(CODCLI   DECIMAL(10,0),", " NUME     CHAR(40),", " ADRESA   CHAR(120),",
        " TEL      CHAR(10),", " CF       CHAR(12),", " OBS      BLOB(1,1) )"},
       {"CODCLI"}},
      {"Plati.dbf",
       {"(CODPL    DECIMAL(10,0),", " CODCAP   DECIMAL(10,0),", " CODCLI   DECIMAL(10,0),",
        " DATA     DATE,", " DOCJUS   CHAR(40),", " SUMA     DECIMAL(8,2) )"},
       {"CODCLI", "CODCAP", "CODPL"}},
  };
  return tables;
}

const TableSchema& Table(const QString& file) {
  for (const TableSchema& t : Tables())
    if (t.file.compare(file, Qt::CaseInsensitive) == 0) return t;
  throw std::invalid_argument("no table " + file.toStdString());
}

const QStringList& NumeTemporare() {
  static const QStringList names = {"chitmp.dbf", "det.dbf", "iz.dbf",
                                    "listmp.dbf", "sc.dbf",  "temp1.dbf"};
  return names;
}

}  // namespace store
