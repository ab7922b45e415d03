// A settings file of [sections] and key=value lines, read and written the way
// the Windows profile-file functions do it, so that files written by the older
// program and by this one are interchangeable:
//  - sections and keys are found regardless of case; the first match counts;
//  - a value is read without the blanks around it and without one pair of
//    enclosing quotes;
//  - a write changes or adds one line and keeps every other byte of the file;
//  - a missing file reads as empty everywhere and is created by the first write;
//  - every call opens and closes the file; a write is on disk when it returns.
// Nothing is cached, so the last write wins.
#pragma once

#include <QByteArray>
#include <QString>
#include <stdexcept>
#include <vector>

class IniFile {
 public:
  // Lumicraft.ini holds 8-bit Windows-1250 text, as the older program wrote
  // it; other stores of this program may use UTF-8.
  enum class Encoding { Windows1250, Utf8 };

  // A write that could not be done; the file is as it was.
  class WriteError : public std::runtime_error {
   public:
    using std::runtime_error::runtime_error;
  };

  explicit IniFile(QString path, Encoding encoding = Encoding::Windows1250);

  const QString& Path() const { return path_; }

  // The stored value, or `fallback` when the file (or it cannot be read), the
  // section or the key is missing.
  QString ReadString(const QString& section, const QString& key,
                     const QString& fallback = QString()) const;

  // Stores the value, creating the file and the section as needed. Throws
  // WriteError "Unable to write to <path>" when the file cannot be written,
  // and a WriteError naming the problem for a value of more than one line or
  // with a character the file's encoding cannot hold.
  void WriteString(const QString& section, const QString& key, const QString& value) const;

  // One line of the file as byte offsets, without its line break.
  struct Line {
    qsizetype start = 0;
    qsizetype end = 0;      // end of the text
    qsizetype next = 0;     // start of the following line
    bool hasBreak = false;  // ended by "\n"
  };

 private:
  std::vector<QString> DecodeLines(const QByteArray& bytes, const std::vector<Line>& lines) const;
  QString Decode(const QByteArray& bytes) const;
  QByteArray Encode(const QString& text) const;  // throws WriteError

  QString path_;
  Encoding encoding_;
};
