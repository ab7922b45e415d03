// Steps of the start-up and exit sequences that belong to the settings store
// and the data store. Each is empty until its part of the program is built.
#include "shell/Unit1.h"
#include "shell/Unit3.h"

// Step 6: the registry values "CALE" := CaleProgram and "VER" := TitluProgram.
void TForm1::ScrieValorileRegistru() {}

// Step 8: missing tables created, Comenzi.dbf upgraded, every index set rebuilt.
void TForm1::PregatesteTabelele() {}

// Program end: the fixed list of scratch tables deleted from CaleProgram.
void TForm3::StergeTabeleTemporare() {}
