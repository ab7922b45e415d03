// The five tables of the Data folder: how each is created and which index
// tags it carries. The windows use these column names unchanged.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace store {

struct TableSchema {
  QString file;              // "Magazie.dbf"
  QStringList columns;       // the CREATE TABLE lines after the first, as written
  QStringList indexColumns;  // one tag per column, named after it, in creation order
};

// Magazie.dbf, CapCom.dbf, Comenzi.dbf, Clienti.dbf, Plati.dbf, in this order.
const std::vector<TableSchema>& Tables();
const TableSchema& Table(const QString& file);  // by file name, ignoring case

// The scratch table names that the program's end deletes from its folder.
const QStringList& NumeTemporare();

}  // namespace store
