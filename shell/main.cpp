// Program entry: one running copy, the eighteen windows, the event loop.
#include "shell/ErrorGuard.h"
#include "shell/Forms.h"
#include "shell/Globals.h"
#include "shell/SingleCopy.h"
#include "shell/Unit1.h"

int main(int argc, char** argv) {
  TAplicatie app(argc, argv);
  CopieUnica copie(TitluProgram);
  if (copie.TrezesteCopiaPornita()) return 0;
  copie.Asculta();
  app.Pregateste();
  CreeazaFerestrele();
  Form1()->show();
  const int rc = app.exec();
  DistrugeFerestrele();
  return rc;
}
