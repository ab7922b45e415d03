#include "shell/SqlText.h"

#include "shell/Formats.h"

namespace SqlText {
namespace {

// Without blanks and control characters (everything up to " ") at either end.
QString Trim(const QString& s) {
  qsizetype begin = 0, end = s.size();
  while (begin < end && s[begin] <= QChar(' ')) ++begin;
  while (end > begin && s[end - 1] <= QChar(' ')) --end;
  return s.mid(begin, end - begin);
}

}  // namespace

QString Curata(const QString& s) {
  const QString t = Trim(s);
  QString out;
  out.reserve(t.size());
  for (const QChar c : t)
    if (!(c == ' ' && out.endsWith(' '))) out += c;
  return out;
}

QString FALStrToSQL(const QString& s) {
  const QString c = Curata(s);
  return c.isEmpty() ? QStringLiteral("NULL") : Quoted(c);
}

QString FALNumar(const QString& s) {
  double v = 0;
  return Formats::TryStrToFloat(s, v) ? Formats::FormatFloat(Formats::kQuantity, v)
                                      : QStringLiteral("0.00");
}

QString PuneAnd(const QString& s) {
  QString t = Trim(s);
  t.replace(")(", ") AND (");
  return t;
}

QString Escape(const QString& s, QChar quote) {
  QString out = s;
  return out.replace(quote, QString(2, quote));
}

QString Quoted(const QString& s) { return '"' + Escape(s) + '"'; }

}  // namespace SqlText
