// The query and value helpers of the start-up window, and the code counters
// and numeric key handler behind them.
#include "shell/Unit1Helpers.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyle>

#include "engine/query.h"
#include "shell/Balloon.h"
#include "shell/Formats.h"
#include "shell/Globals.h"
#include "shell/IniFile.h"
#include "shell/SqlText.h"
#include "shell/Unit1.h"

namespace Ajutoare {

void QueryRst(lumi::TQuery& q) {
  q.Close();
  q.SQL().Clear();
  q.SetFiltered(false);
  q.SetFilter("");
}

QString CodExistent(const IniFile& ini, const QString& cheie) {
  QString cod = ini.ReadString(kSectiuneCoduri, cheie);
  if (cod.isEmpty()) cod = "1";
  Formats::StrToInt(cod);  // a value that is no whole number stops here
  return cod;
}

QString CodNou(const IniFile& ini, const QString& cheie) {
  const QString cod = CodExistent(ini, cheie);
  std::int64_t urmatorul = 0;
  if (__builtin_add_overflow(Formats::StrToInt(cod), 1, &urmatorul))
    throw Formats::ConversionError(
        QString("'%1' is not a valid integer value").arg(cod).toStdString());
  ini.WriteString(kSectiuneCoduri, cheie, Formats::IntToStr(urmatorul));
  return cod;
}

std::uint16_t CodTasta(const QKeyEvent* event) {
#ifdef _WIN32
  if (event->nativeVirtualKey() != 0) return static_cast<std::uint16_t>(event->nativeVirtualKey());
#endif
  const int k = event->key();
  const bool keypad = event->modifiers() & Qt::KeypadModifier;
  if (k >= Qt::Key_0 && k <= Qt::Key_9)
    return static_cast<std::uint16_t>((keypad ? Tasta::kNumpad0 : Tasta::k0) + (k - Qt::Key_0));
  if (k >= Qt::Key_A && k <= Qt::Key_Z) return static_cast<std::uint16_t>('A' + (k - Qt::Key_A));
  if (k >= Qt::Key_F1 && k <= Qt::Key_F24)
    return static_cast<std::uint16_t>(112 + (k - Qt::Key_F1));
  switch (k) {
    case Qt::Key_Backspace:
      return Tasta::kBackspace;
    case Qt::Key_Tab:
      return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return 13;
    case Qt::Key_Shift:
      return 16;
    case Qt::Key_Control:
      return 17;
    case Qt::Key_Alt:
      return 18;
    case Qt::Key_Escape:
      return 27;
    case Qt::Key_Space:
      return 32;
    case Qt::Key_PageUp:
      return 33;
    case Qt::Key_PageDown:
      return 34;
    case Qt::Key_End:
      return 35;
    case Qt::Key_Home:
      return 36;
    case Qt::Key_Left:
      return 37;
    case Qt::Key_Up:
      return 38;
    case Qt::Key_Right:
      return 39;
    case Qt::Key_Down:
      return 40;
    case Qt::Key_Insert:
      return 45;
    case Qt::Key_Delete:
      return Tasta::kDelete;
    case Qt::Key_Asterisk:
      return keypad ? 106 : 0;
    case Qt::Key_Plus:
      return keypad ? 107 : 187;
    case Qt::Key_Minus:
      return keypad ? 109 : 189;
    case Qt::Key_Slash:
      return keypad ? 111 : 191;
    // Keypads of some layouts type a comma as their decimal key.
    case Qt::Key_Comma:
      return keypad ? Tasta::kZecimal : 188;
    case Qt::Key_Period:
      return keypad ? Tasta::kZecimal : Tasta::kPunct;
    default:
      return 0;
  }
}

bool StergeSelectia(QLineEdit* e) {
  if (!e->hasSelectedText()) return false;
  const int start = e->selectionStart();
  QString s = e->text();
  s.remove(start, e->selectedText().size());
  e->setText(s);
  e->setCursorPosition(start);
  return true;
}

namespace {

void Insereaza(QLineEdit* e, const QString& s, int p, QChar c) {
  e->setText(s.left(p) + c + s.mid(p));
  e->setCursorPosition(p + 1);
}

}  // namespace

void Lasa_Numar(QLineEdit* e, std::uint16_t& key) {
  if (key >= Tasta::kNumpad0 && key <= Tasta::kNumpad9)
    key = static_cast<std::uint16_t>(key - (Tasta::kNumpad0 - Tasta::k0));
  if (key == Tasta::kPunct) key = Tasta::kZecimal;

  QString s = e->text();
  int p = e->cursorPosition();
  if (key == Tasta::kBackspace) {
    if (StergeSelectia(e) || p == 0) return;
    e->setText(s.remove(p - 1, 1));
    e->setCursorPosition(p - 1);
  } else if (key == Tasta::kDelete) {
    if (StergeSelectia(e) || p >= s.size()) return;
    e->setText(s.remove(p, 1));
    e->setCursorPosition(p);
  } else if (key >= Tasta::k0 && key <= Tasta::k9) {
    StergeSelectia(e);
    s = e->text();
    p = e->cursorPosition();
    if (s == "0") {
      e->clear();
      s.clear();
      p = 0;
    }
    if (s.size() >= e->maxLength()) return;
    // Nothing goes in front of a minus sign.
    if (!s.isEmpty() && p < s.size() && s[p] == '-') return;
    Insereaza(e, s, p, QChar(key));
  } else if (key == Tasta::kZecimal) {
    StergeSelectia(e);
    s = e->text();
    p = e->cursorPosition();
    if (s.contains('.') || s.size() >= e->maxLength()) return;
    Insereaza(e, s, p, '.');
  }
}

}  // namespace Ajutoare

void TForm1::QueryRst(lumi::TQuery& q) { Ajutoare::QueryRst(q); }
QString TForm1::Curata(const QString& s) { return SqlText::Curata(s); }
QString TForm1::FALStrToSQL(const QString& s) { return SqlText::FALStrToSQL(s); }
QString TForm1::FALNumar(const QString& s) { return SqlText::FALNumar(s); }
QString TForm1::PuneAnd(const QString& s) { return SqlText::PuneAnd(s); }

QString TForm1::CodNou(const QString& k) { return Ajutoare::CodNou(Ajutoare::FisierSetari(), k); }

QString TForm1::CodExistent(const QString& k) {
  return Ajutoare::CodExistent(Ajutoare::FisierSetari(), k);
}

void TForm1::HEroare(const QString& mesaj, QWidget* control) {
  if (!Hint1) {
    Hint1 = new Balloon(this);
    Hint1->setObjectName("Hint1");
  }
  Hint1->ShowAt(control, QApplication::style()->standardIcon(QStyle::SP_MessageBoxCritical),
                "Problema !", mesaj);
}

bool TForm1::StergeSelectia(QLineEdit* e) { return Ajutoare::StergeSelectia(e); }

void TForm1::Lasa_Numar(QObject* sender, std::uint16_t& key, Qt::KeyboardModifiers) {
  if (auto* e = qobject_cast<QLineEdit*>(sender)) Ajutoare::Lasa_Numar(e, key);
}
