// The eighteen windows of the program. Each is created once, at program
// entry, and lives until the program ends; windows reach each other through
// these accessors and call each other's operations directly.
#pragma once

class TForm1;
class TForm3;
class TForm4;
class TForm5;
class TForm21;
class TContor;
class TForm30;
class TForm6;
class TForm38;
class TQRListForm;
class TForm7;
class TForm39;
class TForm40;
class TForm41;
class TForm42;
class TForm43;
class TForm8;
class TForm9;

TForm1* Form1();            // start-up window, the application's main window
TForm3* Form3();            // main toolbar
TForm4* Form4();            // administration
TForm5* Form5();            // password prompt
TForm21* Form21();          // backup and restore
TContor* Contor();          // progress counter
TForm30* Form30();          // message dialog
TForm6* Form6();            // warehouse
TForm38* Form38();          // stock item entry
TQRListForm* QRListForm();  // printed documents
TForm7* Form7();            // orders
TForm39* Form39();          // client entry
TForm40* Form40();          // order header entry
TForm41* Form41();          // order line entry
TForm42* Form42();          // payments
TForm43* Form43();          // receipt entry
TForm8* Form8();            // work in progress
TForm9* Form9();            // reports

// Creates the windows in their fixed order (a QApplication must exist).
// Calling it again while they exist does nothing.
void CreeazaFerestrele();
// Destroys them in the reverse order; the accessors then return null.
// Tests call it to start from fresh windows.
void DistrugeFerestrele();
