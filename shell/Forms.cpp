#include "shell/Forms.h"

#include <functional>
#include <vector>

#include "admin/Unit4.h"
#include "admin/Unit5.h"
#include "admin/Unit6.h"
#include "orders/Clienti.h"
#include "orders/Comenzi.h"
#include "orders/ComenziIN.h"
#include "orders/LUCRU.h"
#include "orders/Produse.h"
#include "payments/AddPLATA.h"
#include "payments/PLATI.h"
#include "reports/Listare.h"
#include "reports/Rapoarte.h"
#include "shell/Erori30.h"
#include "shell/Unit1.h"
#include "shell/Unit3.h"
#include "shell/Unit7.h"
#include "warehouse/Magazie.h"
#include "warehouse/MatIN.h"

namespace {

struct Ferestre {
  TForm1* form1 = nullptr;
  TForm3* form3 = nullptr;
  TForm4* form4 = nullptr;
  TForm5* form5 = nullptr;
  TForm21* form21 = nullptr;
  TContor* contor = nullptr;
  TForm30* form30 = nullptr;
  TForm6* form6 = nullptr;
  TForm38* form38 = nullptr;
  TQRListForm* qrListForm = nullptr;
  TForm7* form7 = nullptr;
  TForm39* form39 = nullptr;
  TForm40* form40 = nullptr;
  TForm41* form41 = nullptr;
  TForm42* form42 = nullptr;
  TForm43* form43 = nullptr;
  TForm8* form8 = nullptr;
  TForm9* form9 = nullptr;
  // One deleter per window, in creation order.
  std::vector<std::function<void()>> ordine;
};

Ferestre& F() {
  static Ferestre f;
  return f;
}

template <class T>
T* Creeaza(T*& slot) {
  slot = new T;
  // The slot is cleared only after the destructor ran, so a window that is
  // going can still reach itself and the windows created before it.
  F().ordine.push_back([&slot] {
    delete slot;
    slot = nullptr;
  });
  return slot;
}

}  // namespace

TForm1* Form1() { return F().form1; }
TForm3* Form3() { return F().form3; }
TForm4* Form4() { return F().form4; }
TForm5* Form5() { return F().form5; }
TForm21* Form21() { return F().form21; }
TContor* Contor() { return F().contor; }
TForm30* Form30() { return F().form30; }
TForm6* Form6() { return F().form6; }
TForm38* Form38() { return F().form38; }
TQRListForm* QRListForm() { return F().qrListForm; }
TForm7* Form7() { return F().form7; }
TForm39* Form39() { return F().form39; }
TForm40* Form40() { return F().form40; }
TForm41* Form41() { return F().form41; }
TForm42* Form42() { return F().form42; }
TForm43* Form43() { return F().form43; }
TForm8* Form8() { return F().form8; }
TForm9* Form9() { return F().form9; }

void CreeazaFerestrele() {
  Ferestre& f = F();
  if (!f.ordine.empty()) return;
  Creeaza(f.form1);
  Creeaza(f.form3);
  Creeaza(f.form4);
  Creeaza(f.form5);
  Creeaza(f.form21);
  Creeaza(f.contor);
  Creeaza(f.form30);
  Creeaza(f.form6);
  Creeaza(f.form38);
  Creeaza(f.qrListForm);
  Creeaza(f.form7);
  Creeaza(f.form39);
  Creeaza(f.form40);
  Creeaza(f.form41);
  Creeaza(f.form42);
  Creeaza(f.form43);
  Creeaza(f.form8);
  Creeaza(f.form9);
}

void DistrugeFerestrele() {
  std::vector<std::function<void()>> ordine = std::move(F().ordine);
  F().ordine.clear();
  for (auto it = ordine.rbegin(); it != ordine.rend(); ++it) (*it)();
}
