// The start-up steps and the exit clean-up that belong to the settings store
// and the data store, and the data-store operations of the start-up window.
#include <QCoreApplication>
#include <QLabel>

#include "shell/Globals.h"
#include "shell/Unit1.h"
#include "shell/Unit3.h"
#include "store/DataStore.h"

namespace {

store::DataStore Depozit(TForm1* f) {
  store::DataStore::Hooks hooks;
  hooks.processMessages = [] { QCoreApplication::processEvents(); };
  hooks.status = [f](const QString& text) {
    f->Label5->setText(text);
    f->Label5->adjustSize();
  };
  hooks.progress = [f](std::uint16_t p) { f->Plus_X_Procent(p); };
  return store::DataStore(f->Sx, f->Sursa, CaleData, std::move(hooks));
}

}  // namespace

// Step 6: the registry values "CALE" := CaleProgram and "VER" := TitluProgram.
void TForm1::ScrieValorileRegistru() {
  Scrie_Reg("CALE", CaleProgram);
  Scrie_Reg("VER", TitluProgram);
}

// Step 8: missing tables created, Comenzi.dbf upgraded, every index set rebuilt.
void TForm1::PregatesteTabelele() { Depozit(this).Pregateste(); }

void TForm1::CreazaMagazieDBF() { Depozit(this).CreazaMagazieDBF(); }
void TForm1::CreazaCapComDBF() { Depozit(this).CreazaCapComDBF(); }
void TForm1::CreazaComenziDBF() { Depozit(this).CreazaComenziDBF(); }
void TForm1::CreazaCapClientiDBF() { Depozit(this).CreazaCapClientiDBF(); }
void TForm1::CreazaPlatiDBF() { Depozit(this).CreazaPlatiDBF(); }
void TForm1::ActualizeazaComenziDBF() { Depozit(this).ActualizeazaComenziDBF(); }
void TForm1::RemoveIndex(const QString& path) { Depozit(this).RemoveIndex(path); }
bool TForm1::CreazaIndex(const QString& path, const QString& column) {
  return Depozit(this).CreazaIndex(path, column);
}
void TForm1::StergePuneIndex(const QString& path, const QStringList& columns) {
  Depozit(this).StergePuneIndex(path, columns);
}
void TForm1::PackTable(const QString& path) { Depozit(this).PackTable(path); }

void TForm3::StergeTabelaTemp(const QString& path) { store::StergeTabelaTemp(path); }

// Program end: the fixed list of scratch tables deleted from CaleProgram.
void TForm3::StergeTabeleTemporare() {
  if (CaleProgram.isEmpty()) return;  // the start-up window never ran
  for (const QString& name : store::NumeTemporare())
    StergeTabelaTemp(store::CaleTabela(CaleProgram, name));
}
