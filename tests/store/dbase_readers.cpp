#include "tests/store/dbase_readers.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>

namespace readers {
namespace {

QString Run(const QString& program, const QStringList& args, bool* ok = nullptr) {
  QProcess p;
  p.start(program, args);
  p.waitForFinished(60000);
  if (ok) *ok = p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
  return QString::fromLatin1(p.readAllStandardOutput());
}

}  // namespace

TableInfo Info(const QString& dbf) {
  TableInfo info;
  const QString out = Run("dbf_dump", {"--info", dbf}, &info.ok);
  static const QRegularExpression version(R"(Version:\s+(0x[0-9a-f]+))");
  static const QRegularExpression records(R"(Num of records:\s+(\d+))");
  static const QRegularExpression field(R"(^\d+\.\s+(\S+)\s+(\S)\s+(\d+)\s+(\d+)\s*$)",
                                        QRegularExpression::MultilineOption);
  if (auto m = version.match(out); m.hasMatch()) info.version = m.captured(1);
  if (auto m = records.match(out); m.hasMatch()) info.records = m.captured(1).toInt();
  for (auto it = field.globalMatch(out); it.hasNext();) {
    const auto m = it.next();
    info.columns.append(
        {m.captured(1), m.captured(2), m.captured(3).toInt(), m.captured(4).toInt()});
  }
  return info;
}

QStringList Rows(const QString& dbf) {
  const QString out = Run("dbf_dump", {"--fs", "|", dbf});
  QStringList rows;
  for (QString line : out.split('\n', Qt::SkipEmptyParts)) {
    QStringList fields = line.split('|');
    for (QString& f : fields) f = f.trimmed();
    rows << fields.join('|');
  }
  return rows;
}

QStringList Tags(const QString& mdx) {
  bool ok = false;
  const QString out = Run("index_dump", {mdx}, &ok);
  return ok ? out.split('\n', Qt::SkipEmptyParts) : QStringList();
}

QStringList TagSlots(const QString& mdx) {
  QFile f(mdx);
  QStringList names;
  if (!f.open(QIODevice::ReadOnly)) return names;
  const QByteArray head = f.read(2048);
  if (head.size() < 2048) return names;
  const int count = static_cast<unsigned char>(head[28]) | static_cast<unsigned char>(head[29])
                                                               << 8;
  for (int i = 0; i < count && i < 47; ++i)
    names << QString::fromLatin1(head.mid(544 + 32 * i + 4, 11)).remove(QChar('\0')).trimmed();
  return names;
}

QStringList Keys(const QString& mdx, const QString& tag) {
  bool ok = false;
  const QString out = Run("index_dump", {mdx, tag}, &ok);
  QStringList keys;
  if (ok)
    for (const QString& line : out.split('\n', Qt::SkipEmptyParts)) keys << line.trimmed();
  return keys;
}

bool WriteTable(const QString& dbf, const QList<Column>& columns, const QList<QStringList>& rows,
                const QList<int>& deleted) {
  // The Perl program reads its data from standard input: names, types,
  // lengths, decimals, then one line per row; tabs separate the values.
  QStringList names, types, lengths, decimals;
  for (const Column& c : columns) {
    names << c.name;
    types << c.type;
    lengths << QString::number(c.length);
    decimals << QString::number(c.decimals);
  }
  QString input = names.join('\t') + "\n" + types.join('\t') + "\n" + lengths.join('\t') + "\n" +
                  decimals.join('\t') + "\n";
  for (int i = 0; i < rows.size(); ++i)
    input += (deleted.contains(i) ? "D\t" : "L\t") + rows[i].join('\t') + "\n";
  const char* script = R"(
use XBase;
my ($file) = @ARGV;
chomp(my @n = split /\t/, <STDIN>); chomp(my @t = split /\t/, <STDIN>);
chomp(my @l = split /\t/, <STDIN>); chomp(my @d = split /\t/, <STDIN>);
chomp(@n, @t, @l, @d);
my $x = XBase->create(name => $file, field_names => \@n, field_types => \@t,
                      field_lengths => \@l, field_decimals => \@d) or die XBase->errstr;
my $i = 0;
while (my $line = <STDIN>) {
  chomp $line;
  my ($mark, @v) = split /\t/, $line, -1;
  $x->set_record($i, @v) or die $x->errstr;
  $x->delete_record($i) if $mark eq 'D';
  $i++;
}
$x->close;
)";
  QProcess p;
  p.start("perl", {"-e", script, dbf});
  p.write(input.toLatin1());
  p.closeWriteChannel();
  p.waitForFinished(60000);
  return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

}  // namespace readers
