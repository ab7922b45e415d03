// What the independent dBase software (Perl XBase: dbf_dump, index_dump)
// reads in a table and its production index.
#pragma once

#include <QString>
#include <QStringList>

#include "tests/support/QtPrinters.h"

namespace readers {

struct Column {
  QString name;
  QString type;  // C, N, D, M, ...
  int length = 0;
  int decimals = 0;
  bool operator==(const Column&) const = default;
};

struct TableInfo {
  bool ok = false;  // the reader accepted the file
  QString version;  // e.g. "0x03" or "0x8b"
  int records = -1;
  QList<Column> columns;
};

TableInfo Info(const QString& dbf);
// The rows that are not marked deleted, fields joined by "|", trailing blanks cut.
QStringList Rows(const QString& dbf);
// The tags of a .mdx as Perl lists them (sorted by name); empty when the
// reader refuses the file.
QStringList Tags(const QString& mdx);
// The tag names in the order of the .mdx tag table's slots, which is the
// order they were made in (read from the raw bytes).
QStringList TagSlots(const QString& mdx);
// The keys of one tag with their record numbers, in index order ("key recno").
QStringList Keys(const QString& mdx, const QString& tag);

// Writes a dBase table with Perl XBase from a column list and rows of values
// (dates as yyyymmdd); `deleted` lists 0-based rows to mark deleted.
bool WriteTable(const QString& dbf, const QList<Column>& columns, const QList<QStringList>& rows,
                const QList<int>& deleted = {});

}  // namespace readers
