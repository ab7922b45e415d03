// The settings store of the start-up window: Lumicraft.ini in the Data folder
// and the registry values. Each call opens the store, does one read or write
// and closes it again.
#include "shell/Globals.h"
#include "shell/IniFile.h"
#include "shell/Registry.h"
#include "shell/Unit1.h"
#include "shell/Unit1Helpers.h"

// Before the start-up window has set CaleData there is no settings file:
// reads give empty text and writes fail, rather than touching a
// Lumicraft.ini in whatever folder an empty path would mean.
IniFile Ajutoare::FisierSetari() {
  return IniFile(CaleData.isEmpty() ? QString() : CaleData + "/Lumicraft.ini");
}

QString TForm1::CitesteStr_din_Ini(const QString& sectiune, const QString& cheie) {
  return Ajutoare::FisierSetari().ReadString(sectiune, cheie);
}

void TForm1::ScrieStr_in_Ini(const QString& sectiune, const QString& cheie,
                             const QString& valoare) {
  Ajutoare::FisierSetari().WriteString(sectiune, cheie, valoare);
}

QString TForm1::Citeste_Reg(const QString& nume) { return Registry::ReadString(nume); }

void TForm1::Scrie_Reg(const QString& nume, const QString& valoare) {
  Registry::WriteString(nume, valoare);
}
