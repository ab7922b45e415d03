// Turning user text into pieces of SQL text.
//
// Statements are built as lines of text with values spliced in. A text value
// goes between double quotes, and a double quote inside it is doubled, which
// the engine reads back as one: a name typed with a quote is stored exactly as
// typed and can never end the literal early or change the statement.
#pragma once

#include <QString>

namespace SqlText {

// Trimmed of blanks and control characters at both ends; every inner run of
// blanks becomes one blank. "  A   B  " gives "A B".
QString Curata(const QString& s);

// Curata(s) as a double-quoted SQL literal, or the bare word NULL when the
// cleaned text is empty.
QString FALStrToSQL(const QString& s);

// The number in s written "0.000", or "0.00" when s is not a number. Never fails.
QString FALNumar(const QString& s);

// Adjacent parenthesised conditions joined by " AND ":
// "(STOC>0)(TIP=1)" gives "(STOC>0) AND (TIP=1)". Surrounding blanks go.
QString PuneAnd(const QString& s);

// s with every `quote` character doubled, for splicing between two such
// quotes: Escape("12\" sticla") gives 12"" sticla. Filters take constants in
// single quotes: Escape(text, '\'').
QString Escape(const QString& s, QChar quote = '"');

// s between double quotes, escaped, as it stands (no cleaning, no NULL).
QString Quoted(const QString& s);

}  // namespace SqlText
