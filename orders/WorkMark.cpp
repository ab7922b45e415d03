#include "orders/WorkMark.h"

#include "shell/Forms.h"
#include "shell/Globals.h"
#include "shell/SqlText.h"
#include "shell/Unit1.h"

void MarcheazaLucrareaDupaLinii(lumi::TQuery& q, const QString& codcap, const QString& titlu) {
  const std::string comenzi = TabelData("Comenzi.dbf").toStdString();
  const std::string lucrare =
      ("(CODCAP=" + codcap + ") AND (TITLU=" + SqlText::Quoted(titlu) + ")").toStdString();
  Form1()->QueryRst(q);
  q.SQL().Add("SELECT DISTINCT EXECUTAT");
  q.SQL().Add("FROM " + comenzi);
  q.SQL().Add("WHERE " + lucrare);
  q.SQL().Add("AND (NOT (CODMAG IS NULL))");
  q.Open();
  const std::string marca = q.RecordCount() == 1 ? q.FieldByName("EXECUTAT").AsString() : "NU";
  Form1()->QueryRst(q);
  q.SQL().Add("UPDATE " + comenzi);
  q.SQL().Add("SET EXECUTAT=\"" + marca + "\"");
  q.SQL().Add("WHERE " + lucrare + " AND (CODMAG IS NULL)");
  q.ExecSQL();
}
