#include "store/DataStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <optional>
#include <stdexcept>

#include "engine/dbf/journal.h"
#include "engine/dbf/table.h"
#include "engine/error.h"
#include "engine/query.h"
#include "shell/SqlText.h"
#include "shell/Unit1Helpers.h"

namespace store {
namespace {

std::string Std(const QString& s) { return s.toStdString(); }

// The existing file whose name matches `path` regardless of case: tables
// made on Windows arrive as MAGAZIE.DBF.
std::optional<QString> Existent(const QString& path) {
  const auto found = lumi::dbf::Table::Resolve(Std(path));
  if (!found) return std::nullopt;
  return QString::fromStdString(*found);
}

// The companion file of a table: its name without the extension, plus `ext`.
QString Companion(const QString& path, const char* ext) { return path.left(path.size() - 4) + ext; }

void StergeDacaExista(const QString& path) {
  // Every spelling of the name goes: a folder may hold both temp1.mdx and TEMP1.MDX.
  const QFileInfo info(path);
  const QDir dir = info.dir();
  for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
    if (name.compare(info.fileName(), Qt::CaseInsensitive) == 0) QFile::remove(dir.filePath(name));
}

// The table path as a literal: between double quotes, a quote in a folder
// name doubled.
QString Literal(const QString& path) { return SqlText::Quoted(path); }

}  // namespace

QString CaleTabela(const QString& folder, const QString& file) {
  return QDir::toNativeSeparators(folder + "/" + file);
}

DataStore::DataStore(lumi::TQuery& sx, lumi::TTable& sursa, QString caleData, Hooks hooks)
    : sx_(sx), sursa_(sursa), caleData_(std::move(caleData)), hooks_(std::move(hooks)) {}

void DataStore::Executa(const QStringList& lines) {
  Ajutoare::QueryRst(sx_);
  for (const QString& l : lines) sx_.SQL().Add(Std(l));
  sx_.ExecSQL();
  if (hooks_.processMessages) hooks_.processMessages();
}

void DataStore::CreazaTabela(const TableSchema& t) {
  Executa(QStringList{"CREATE TABLE " + Literal(CaleTabela(caleData_, t.file))} + t.columns);
}

void DataStore::ActualizeazaComenziDBF() {
  const QString comenzi = Literal(CaleTabela(caleData_, "Comenzi.dbf"));
  Ajutoare::QueryRst(sx_);
  sx_.SQL().Add(Std("SELECT * FROM " + comenzi));
  sx_.Open();
  if (hooks_.processMessages) hooks_.processMessages();
  const bool areBuc = sx_.FindField("BUC") != nullptr;
  // Closed at once: the pack that follows needs the table to itself.
  Ajutoare::QueryRst(sx_);
  if (areBuc) return;
  Executa({"ALTER TABLE " + comenzi, "ADD BUC DECIMAL(6,0)"});
  Executa({"UPDATE " + comenzi, "SET BUC=1"});
}

void DataStore::RemoveIndex(const QString& path) {
  // The engine lets go of the tables it keeps open before their files are
  // written and deleted behind its back.
  sx_.GetSession().ReleaseTables();
  const std::optional<QString> dbf = Existent(path);
  if (!dbf) return;
  QFile file(*dbf);
  if (!file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly)) return;
  // Byte 28 of the header says that a production index exists; a file too
  // short to have a header is no table and is left as it is.
  if (file.size() < 32) return;
  if (!file.seek(28) || file.write("\0", 1) != 1 || !file.flush())
    throw lumi::EngineError(
        Std("Cannot write to " + QDir::toNativeSeparators(*dbf) + ": " + file.errorString()));
  file.close();
  StergeDacaExista(Companion(path, ".mdx"));
}

bool DataStore::CreazaIndex(const QString& path, const QString& column) {
  try {
    Executa({"CREATE INDEX " + column + " ON " + Literal(path) + " (" + column + ")"});
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

void DataStore::StergePuneIndex(const QString& path, const QStringList& columns) {
  PackTable(path);
  for (const QString& c : columns) CreazaIndex(path, c);
}

void DataStore::PackTable(const QString& path) {
  sursa_.Close();
  sursa_.SetFiltered(false);
  sursa_.SetExclusive(true);
  sursa_.SetTableName(Std(path));
  try {
    sursa_.Open();
    sursa_.Pack();
  } catch (...) {
    sursa_.Close();
    throw;
  }
  sursa_.Close();
  if (hooks_.processMessages) hooks_.processMessages();
}

void DataStore::RefaIndecsii() {
  for (const TableSchema& t : Tables()) RemoveIndex(CaleTabela(caleData_, t.file));
  if (hooks_.status) hooks_.status("Refac bazele de date ...");
  for (const TableSchema& t : Tables()) {
    StergePuneIndex(CaleTabela(caleData_, t.file), t.indexColumns);
    if (hooks_.progress) hooks_.progress(10);
  }
}

void DataStore::Pregateste() {
  // Tables kept open from earlier statements would hide a file deleted since.
  sx_.GetSession().ReleaseTables();
  for (const TableSchema& t : Tables())
    if (!Existent(CaleTabela(caleData_, t.file))) CreazaTabela(t);
  ActualizeazaComenziDBF();
  RefaIndecsii();
}

void StergeTabelaTemp(const QString& path) {
  lumi::DefaultSession().ReleaseTables();  // the engine may still keep it open
  // A change that a stopped program left unfinished in this folder is undone
  // first, as opening any of its tables would: a scratch table is deleted
  // and made anew without ever being opened, and its folder's journal would
  // otherwise keep that change, and refuse every later one, for good.
  const QString folder = QFileInfo(QString(path).replace('\\', '/')).absolutePath();
  lumi::dbf::Journal::Recover(folder.toStdString());
  StergeDacaExista(path);
  StergeDacaExista(Companion(path, ".mdx"));
  StergeDacaExista(Companion(path, ".dbt"));
}

}  // namespace store
