#include "shell/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <optional>
#include <vector>

#include "engine/dbf/codepage.h"

using Line = IniFile::Line;

namespace {

std::vector<Line> SplitLines(const QByteArray& bytes) {
  std::vector<Line> lines;
  qsizetype at = 0;
  while (at < bytes.size()) {
    Line line;
    line.start = at;
    const qsizetype nl = bytes.indexOf('\n', at);
    line.hasBreak = nl >= 0;
    line.next = nl >= 0 ? nl + 1 : bytes.size();
    line.end = nl >= 0 ? nl : bytes.size();
    if (line.end > line.start && bytes[line.end - 1] == '\r') --line.end;
    lines.push_back(line);
    at = line.next;
  }
  return lines;
}

// What a line of a profile file is: "[name]", "key=value" or anything else
// (blank lines, ";" comments, stray text), which is kept and skipped.
struct Parsed {
  enum Kind { kOther, kSection, kKey } kind = kOther;
  QString name;
  QString value;
};

Parsed ParseLine(const QString& text) {
  Parsed p;
  const QString t = text.trimmed();
  if (t.startsWith('[')) {
    const qsizetype close = t.indexOf(']');
    p.kind = Parsed::kSection;
    p.name = t.mid(1, close < 0 ? -1 : close - 1).trimmed();
    return p;
  }
  if (t.isEmpty() || t.startsWith(';')) return p;
  const qsizetype eq = t.indexOf('=');
  if (eq <= 0) return p;
  p.kind = Parsed::kKey;
  p.name = t.left(eq).trimmed();
  p.value = t.mid(eq + 1).trimmed();
  if (p.value.size() >= 2 && (p.value.front() == '"' || p.value.front() == '\'') &&
      p.value.back() == p.value.front())
    p.value = p.value.mid(1, p.value.size() - 2);
  return p;
}

bool SameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// Where a section and a key sit in the file.
struct Found {
  std::optional<size_t> section;   // the section's header line
  std::optional<size_t> key;       // the key's line
  std::optional<size_t> lastItem;  // the section's last non-blank line
};

}  // namespace

IniFile::IniFile(QString path, Encoding encoding) : path_(std::move(path)), encoding_(encoding) {}

// Windows-1250 through the engine's own code page, the same conversion the
// tables use: undefined bytes read back unchanged, and the comma-below
// letters that keyboards type are kept as their cedilla forms.
QString IniFile::Decode(const QByteArray& bytes) const {
  if (encoding_ == Encoding::Utf8) return QString::fromUtf8(bytes);
  return QString::fromStdString(
      lumi::dbf::CodePage::ForNumber(1250).Decode(std::string_view(bytes.data(), bytes.size())));
}

QByteArray IniFile::Encode(const QString& text) const {
  if (encoding_ == Encoding::Utf8) return text.toUtf8();
  std::string out, bad;
  if (!lumi::dbf::CodePage::ForNumber(1250).Encode(text.toStdString(), &out, &bad))
    throw WriteError(QString("The character '%1' cannot be stored in %2")
                         .arg(QString::fromStdString(bad), QFileInfo(path_).fileName())
                         .toStdString());
  return QByteArray::fromStdString(out);
}

namespace {

Found Locate(const std::vector<QString>& texts, const QString& section, const QString& key) {
  Found f;
  bool inSection = false;
  for (size_t i = 0; i < texts.size(); ++i) {
    const Parsed p = ParseLine(texts[i]);
    if (p.kind == Parsed::kSection) {
      if (f.section) break;  // only the first section of that name counts
      inSection = SameName(p.name, section);
      if (inSection) f.section = f.lastItem = i;
      continue;
    }
    if (!inSection) continue;
    if (!texts[i].trimmed().isEmpty()) f.lastItem = i;
    if (p.kind == Parsed::kKey && !f.key && SameName(p.name, key)) f.key = i;
  }
  return f;
}

}  // namespace

std::vector<QString> IniFile::DecodeLines(const QByteArray& bytes,
                                          const std::vector<Line>& lines) const {
  std::vector<QString> texts;
  texts.reserve(lines.size());
  for (const Line& l : lines) texts.push_back(Decode(bytes.mid(l.start, l.end - l.start)));
  return texts;
}

QString IniFile::ReadString(const QString& section, const QString& key,
                            const QString& fallback) const {
  QFile file(path_);
  if (!file.open(QIODevice::ReadOnly)) return fallback;
  const QByteArray bytes = file.readAll();
  file.close();
  const std::vector<QString> texts = DecodeLines(bytes, SplitLines(bytes));
  const Found f = Locate(texts, section, key);
  return f.key ? ParseLine(texts[*f.key]).value : fallback;
}

void IniFile::WriteString(const QString& section, const QString& key, const QString& value) const {
  if (path_.isEmpty()) throw WriteError("Unable to write to the settings file: no folder is set");
  const QString unableToWrite =
      QString("Unable to write to %1").arg(QDir::toNativeSeparators(path_));
  if (value.contains('\n') || value.contains('\r'))
    throw WriteError(QString("A setting of %1 must be one line of text")
                         .arg(QFileInfo(path_).fileName())
                         .toStdString());

  // The value as it must stand so that a read gives it back exactly: a value
  // with blanks at either end, or one enclosed in quotes, is quoted once more.
  QString stored = value;
  const bool padded = !value.isEmpty() && (value.front().isSpace() || value.back().isSpace());
  const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                      value.back() == value.front();
  if (padded || quoted) stored = '"' + value + '"';

  QByteArray bytes;
  QFile existing(path_);
  if (existing.exists()) {
    // An existing file that cannot be read is never replaced by a new one.
    if (!existing.open(QIODevice::ReadOnly) || !QFileInfo(path_).isWritable())
      throw WriteError(unableToWrite.toStdString());
    bytes = existing.readAll();
    existing.close();
  }
  const QByteArray eol = bytes.contains("\r\n") || !bytes.contains('\n') ? "\r\n" : "\n";
  const std::vector<Line> lines = SplitLines(bytes);
  const std::vector<QString> texts = DecodeLines(bytes, lines);
  const Found f = Locate(texts, section, key);

  QByteArray out;
  if (f.key) {
    // The key keeps its own spelling; only its value changes.
    const Line& l = lines[*f.key];
    const QString name = texts[*f.key].left(texts[*f.key].indexOf('=')).trimmed();
    out = bytes.left(l.start) + Encode(name + '=' + stored) + bytes.mid(l.end);
  } else if (f.section) {
    const Line& l = lines[*f.lastItem];
    QByteArray before = bytes.left(l.next);
    if (!l.hasBreak) before += eol;
    out = before + Encode(key + '=' + stored) + eol + bytes.mid(l.next);
  } else {
    out = bytes;
    if (!out.isEmpty() && !out.endsWith('\n')) out += eol;
    out += Encode('[' + section + ']') + eol + Encode(key + '=' + stored) + eol;
  }

  // Written to a new file that then replaces the old one, so that a failure
  // half-way leaves the old file whole.
  QSaveFile file(path_);
  if (!file.open(QIODevice::WriteOnly) || file.write(out) != out.size() || !file.commit())
    throw WriteError(unableToWrite.toStdString());
}
