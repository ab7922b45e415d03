// Creation and maintenance of the five tables: the missing ones created, the
// one schema upgrade, and the index sets rebuilt at every start. The
// operations run on the start-up window's query object and table object;
// every statement is run on a query just reset, and pending window messages
// are processed after each so that the window keeps painting.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

#include "store/Schema.h"

namespace lumi {
class TQuery;
class TTable;
}  // namespace lumi

namespace store {

// The path of a table file in a folder, as statements name it (the system's
// own separators).
QString CaleTabela(const QString& folder, const QString& file);

class DataStore {
 public:
  struct Hooks {
    std::function<void()> processMessages;        // after every statement
    std::function<void(const QString&)> status;   // the start-up status text
    std::function<void(std::uint16_t)> progress;  // percent, after each table's indexes
  };

  DataStore(lumi::TQuery& sx, lumi::TTable& sursa, QString caleData, Hooks hooks = {});

  // The start-up preparation: missing tables created, Comenzi.dbf upgraded,
  // every index set rebuilt. The first failing step throws and ends it.
  void Pregateste();

  void CreazaMagazieDBF() { CreazaTabela(Table("Magazie.dbf")); }
  void CreazaCapComDBF() { CreazaTabela(Table("CapCom.dbf")); }
  void CreazaComenziDBF() { CreazaTabela(Table("Comenzi.dbf")); }
  void CreazaCapClientiDBF() { CreazaTabela(Table("Clienti.dbf")); }
  void CreazaPlatiDBF() { CreazaTabela(Table("Plati.dbf")); }
  void CreazaTabela(const TableSchema& t);

  // Adds BUC (1 in every existing row) to a Comenzi.dbf made before it existed.
  void ActualizeazaComenziDBF();

  // Clears the table's "has a production index" header byte and deletes its
  // .mdx. A table that cannot be opened for writing is left alone.
  void RemoveIndex(const QString& path);
  // True when the tag was made; an engine refusal gives false.
  bool CreazaIndex(const QString& path, const QString& column);
  // Packs the table, then makes one tag per column, in order.
  void StergePuneIndex(const QString& path, const QStringList& columns);
  // Removes the records marked deleted for good, with exclusive use of the table.
  void PackTable(const QString& path);

  // The index rebuild of every start.
  void RefaIndecsii();

 private:
  void Executa(const QStringList& lines);  // reset, run, let the window paint

  lumi::TQuery& sx_;
  lumi::TTable& sursa_;
  QString caleData_;
  Hooks hooks_;
};

// Deletes a scratch table with its .mdx and .dbt; missing files are no error.
void StergeTabelaTemp(const QString& path);

}  // namespace store
