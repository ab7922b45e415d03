// Interop with dBase software nobody here wrote: the five tables of the
// program, written by the engine, read by Perl XBase and python3-dbfread with
// the same values, their indexes read by Perl's index_dump in the same order;
// and tables written by Perl XBase and python3-dbf read by the engine.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "engine/dbf/codepage.h"
#include "engine/dbf/journal.h"
#include "engine/dbf/table.h"
#include "tests/engine_dbf/test_dir.h"

namespace lumi::dbf {
namespace {

using testing::HaveCommand;
using testing::RunCommand;
using testing::TestDir;
using testing::WriteFile;

const char* kPerlDump = R"PERL(
use strict; use XBase; use Encode;
my $t = XBase->new(shift) or die XBase->errstr;
my @types = $t->field_types;
for my $i (0 .. $t->last_record) {
  my ($del, @v) = $t->get_record($i);
  my @out = ($del ? "*" : " ");
  for my $k (0 .. $#v) {
    my ($x, $ty) = ($v[$k], $types[$k]);
    if (!defined $x || ($ty =~ /[CM]/ && $x eq "")) { push @out, "\\N"; next }
    if ($ty =~ /[NF]/) { $x = sprintf("%.4f", $x) }
    elsif ($ty eq "L") { $x = $x ? "T" : "F" }
    elsif ($ty =~ /[CM]/) { $x = encode("UTF-8", decode("cp1250", $x)) }
    $x =~ s/\\/\\\\/g; $x =~ s/\n/\\n/g; $x =~ s/\r/\\r/g;
    push @out, $x;
  }
  print join("\t", @out), "\n";
}
)PERL";

const char* kPythonDump = R"PY(
import sys, dbfread
t = dbfread.DBF(sys.argv[1], encoding='cp1250', char_decode_errors='strict')
types = [f.type for f in t.fields]
for r in t:
    out = [' ']
    for (name, x), ty in zip(r.items(), types):
        if ty == 'M' and x is not None:
            x = x[:-8]  # dbfread takes the entry length for the text length
        if x is None or (ty in 'CM' and x == ''):
            out.append('\\N')
            continue
        if ty in 'NF': x = '%.4f' % x
        elif ty == 'L': x = 'T' if x else 'F'
        elif ty == 'D': x = x.strftime('%Y%m%d')
        x = x.replace('\\', '\\\\').replace('\n', '\\n').replace('\r', '\\r')
        out.append(x)
    print('\t'.join(out))
)PY";

std::string Escape(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\\')
      out += "\\\\";
    else if (c == '\n')
      out += "\\n";
    else if (c == '\r')
      out += "\\r";
    else
      out += c;
  }
  return out;
}

std::string Canonical(const Value& v) {
  char buf[64];
  switch (v.kind()) {
    case ValueKind::kNull:
      return "\\N";
    case ValueKind::kNumber:
      std::snprintf(buf, sizeof buf, "%.4f", v.number());
      return buf;
    case ValueKind::kDate:
      std::snprintf(buf, sizeof buf, "%04d%02d%02d", v.date().year, v.date().month, v.date().day);
      return buf;
    case ValueKind::kLogical:
      return v.logical() ? "T" : "F";
    case ValueKind::kText:
      return Escape(v.text());
  }
  return "?";
}

// Every record as the engine reads it, one line each, in the scripts' form.
std::string EngineDump(const Table& t, bool live_only) {
  std::string out;
  for (uint32_t r = 1; r <= t.RecordCount(); ++r) {
    Record rec = t.Read(r);
    if (live_only && rec.deleted) continue;
    out += rec.deleted ? "*" : " ";
    for (auto& v : rec.values) out += "\t" + Canonical(v);
    out += "\n";
  }
  return out;
}

bool HavePerl() {
  return HaveCommand("perl -MXBase -MEncode -e1") && HaveCommand("command -v index_dump");
}
bool HavePythonDbfread() { return HaveCommand("/usr/bin/python3 -c 'import dbfread'"); }

// The program's five tables with awkward values: negatives, NULLs, blank
// dates, memos of several lines, Romanian letters.
void WriteProgramTables(const TestDir& dir) {
  const std::vector<std::string> names = {
      "Geam float 4 mm", "Oglindă argintată", "Sticlă securizată", "Ușă de duș",
      "Vitraliu ţesut",  "  aliniat",         "ÎNCĂRCĂTURĂ"};
  Journal j;
  Table m = Table::Create(
      dir / "Magazie.dbf",
      {FieldDef::Numeric("CODMAG", 10, 0), FieldDef::DateField("DATAIN"),
       FieldDef::Char("FURNIZOR", 40), FieldDef::Char("DENUMIRE", 40), FieldDef::Char("UM", 3),
       FieldDef::Numeric("CANTIN", 8, 3), FieldDef::Numeric("LATIME", 6, 3),
       FieldDef::Numeric("PRET", 8, 2), FieldDef::Numeric("STOC", 8, 3),
       FieldDef::Numeric("IESIT", 8, 3), FieldDef::Numeric("TIP", 2, 0)});
  Table cap = Table::Create(dir / "CapCom.dbf",
                            {FieldDef::Numeric("CODCAP", 10, 0), FieldDef::DateField("DATA"),
                             FieldDef::DateField("TERMEN"), FieldDef::Char("PREDAT", 2),
                             FieldDef::Numeric("CODCLI", 10, 0), FieldDef::Numeric("COST", 8, 2),
                             FieldDef::Numeric("REST", 8, 2)});
  Table com = Table::Create(
      dir / "Comenzi.dbf",
      {FieldDef::Numeric("CODCAP", 10, 0), FieldDef::Numeric("CODCOM", 10, 0),
       FieldDef::Numeric("CODMAG", 10, 0), FieldDef::Char("DENUMIRE", 40), FieldDef::Char("UM", 3),
       FieldDef::Numeric("CANT", 8, 3), FieldDef::Numeric("PRET", 8, 2),
       FieldDef::Numeric("TOTAL", 8, 2), FieldDef::Char("EXECUTAT", 2),
       FieldDef::Numeric("LUNG", 8, 3), FieldDef::Numeric("LAT", 8, 3), FieldDef::Char("TITLU", 60),
       FieldDef::Numeric("BUC", 6, 0)});
  Table cli = Table::Create(dir / "Clienti.dbf",
                            {FieldDef::Numeric("CODCLI", 10, 0), FieldDef::Char("NUME", 40),
                             FieldDef::Char("ADRESA", 120), FieldDef::Char("TEL", 10),
                             FieldDef::Char("CF", 12), FieldDef::Memo("OBS")});
  Table pl = Table::Create(dir / "Plati.dbf",
                           {FieldDef::Numeric("CODPL", 10, 0), FieldDef::Numeric("CODCAP", 10, 0),
                            FieldDef::Numeric("CODCLI", 10, 0), FieldDef::DateField("DATA"),
                            FieldDef::Char("DOCJUS", 40), FieldDef::Numeric("SUMA", 8, 2)});
  for (auto [t, tags] : std::vector<std::pair<Table*, std::vector<std::string>>>{
           {&m, {"CODMAG", "DENUMIRE", "TIP"}},
           {&cap, {"CODCAP"}},
           {&com, {"CODCAP", "CODCOM", "TITLU"}},
           {&cli, {"CODCLI"}},
           {&pl, {"CODCLI", "CODCAP"}}})
    for (auto& tag : tags) t->CreateTag(tag, tag);
  auto opt = [](int i, int every, Value v) { return i % every == 0 ? Value() : v; };
  // Enough order lines that their tags grow branch levels.
  for (int i = 40; i < 1500; ++i)
    com.Append({Value::Number(i % 97), Value::Number(i), Value::Number(-i),
                Value::Text(names[i % names.size()]), Value(), Value(), Value(),
                Value::Number(i % 13 - 6.5), Value::Text("DA"), Value(), Value(),
                Value::Text("Lucrare " + std::to_string(i % 300)), Value::Number(2)});
  for (int i = 0; i < 40; ++i) {
    Value date = opt(i, 6, Value::FromDate(Date::FromJulianDay(2459580 + (i * 37) % 700)));
    m.Append({Value::Number((i * 13) % 29 - 5), date,
              opt(i, 4, Value::Text("SC Furnizor ș.a. " + std::to_string(i % 3))),
              opt(i, 9, Value::Text(names[i % names.size()])), Value::Text(i % 2 ? "mp" : "buc"),
              Value::Number(i * 1.25 - 10), opt(i, 5, Value::Number(0.123 * i)),
              Value::Number(-9999.99 + i * 2499.5), Value::Number(i % 7 - 3.5), Value::Number(0),
              Value::Number(i % 3)});
    cap.Append({Value::Number(i % 11), date,
                opt(i, 3, Value::FromDate({2025, 1 + i % 12, 1 + i % 28})),
                Value::Text(i % 2 ? "DA" : "NU"), Value::Number(i % 5), Value::Number(-i * 10.5),
                Value::Number(i)});
    com.Append({Value::Number(i % 6), Value::Number(40 - i), opt(i, 7, Value::Number(i)),
                opt(i, 7, Value::Text(names[(i + 3) % names.size()])), Value::Text("mp"),
                Value::Number(i / 8.0), Value::Number(12.34), Value::Number(-i * 3.0),
                Value::Text("NU"), Value::Number(1.5), Value::Number(-0.75),
                Value::Text("Lucrarea " + std::to_string(i % 4) + " — baie"), Value::Number(1)});
    cli.Append(
        {Value::Number(i), Value::Text("Client ăâîșț " + std::to_string(i)),
         opt(i, 2, Value::Text("Str. Ştefan cel Mare, Iaşi")),
         opt(i, 3, Value::Text("0722" + std::to_string(100000 + i))),
         Value::Text("RO" + std::to_string(i * 97)),
         opt(i, 3, Value::Text("Prima linie\r\na doua: ţ ş ă\r\n\r\na patra, după un rând gol"))});
    pl.Append({Value::Number(i), Value::Number(i % 11), Value::Number(i % 5), date,
               Value::Text("Chitanţa " + std::to_string(i)),
               Value::Number(i % 4 == 0 ? -50 : 100.1 * i)});
  }
  for (Table* t : {&m, &cap, &com, &cli, &pl}) t->MarkDeleted(7);
  j.Commit();
}

const char* kTables[] = {"Magazie.dbf", "CapCom.dbf", "Comenzi.dbf", "Clienti.dbf", "Plati.dbf"};

TEST(Interop, PerlXBaseReadsTheEngineTablesWithTheSameValues) {
  if (!HavePerl()) GTEST_SKIP() << "Perl XBase is not installed";
  TestDir dir;
  WriteProgramTables(dir);
  WriteFile(dir / "dump.pl", kPerlDump);
  for (const char* name : kTables) {
    int status = 0;
    std::string perl = RunCommand("cd " + dir.path() + " && perl dump.pl " + name, &status);
    ASSERT_EQ(status, 0) << name;
    EXPECT_EQ(perl, EngineDump(Table::Open(dir / name), false)) << name;
  }
}

TEST(Interop, DbfreadReadsTheEngineTablesWithTheSameValues) {
  if (!HavePythonDbfread()) GTEST_SKIP() << "python3-dbfread is not installed";
  TestDir dir;
  WriteProgramTables(dir);
  WriteFile(dir / "dump.py", kPythonDump);
  for (const char* name : kTables) {
    int status = 0;
    std::string py = RunCommand(
        "cd " + dir.path() + " && PYTHONIOENCODING=utf-8 /usr/bin/python3 dump.py " + name,
        &status);
    ASSERT_EQ(status, 0) << name;
    EXPECT_EQ(py, EngineDump(Table::Open(dir / name), true)) << name;
  }
}

// Record numbers of a tag in the order Perl's index_dump lists them. It prints
// each key's raw bytes (key length of them), a blank and the record number.
std::vector<uint32_t> IndexDumpOrder(const std::string& dir, const std::string& mdx,
                                     const std::string& tag, size_t key_len) {
  int status = 0;
  std::string out = RunCommand("cd " + dir + " && index_dump " + mdx + " " + tag, &status);
  std::vector<uint32_t> order;
  size_t pos = 0;
  while (status == 0 && pos + key_len + 2 <= out.size()) {
    pos += key_len + 1;
    size_t nl = out.find('\n', pos);
    order.push_back(static_cast<uint32_t>(std::stoul(out.substr(pos, nl - pos))));
    pos = nl + 1;
  }
  return order;
}

TEST(Interop, PerlIndexDumpListsTheEngineIndexesInKeyOrder) {
  if (!HavePerl()) GTEST_SKIP() << "Perl XBase is not installed";
  TestDir dir;
  WriteProgramTables(dir);
  const CodePage& cp = CodePage::ForNumber(1250);
  for (const char* name : kTables) {
    Table t = Table::Open(dir / name);
    std::string mdx = std::string(name).substr(0, std::string(name).size() - 4) + ".mdx";
    for (auto& tag : t.Tags()) {
      int f = t.FieldIndex(tag.expression);
      const FieldDef& fd = t.fields()[static_cast<size_t>(f)];
      // The order a reader must see: by key (NULL numbers as 0, blank dates
      // first, text by its code-page bytes), equal keys by record number.
      std::vector<uint32_t> want(t.RecordCount());
      for (uint32_t r = 0; r < want.size(); ++r) want[r] = r + 1;
      auto key = [&](uint32_t r) -> std::pair<double, std::string> {
        Value v = t.Get(r, f);
        if (fd.type == 'N') return {v.is_null() ? 0 : v.number(), ""};
        if (fd.type == 'D')
          return {v.is_null() ? 0 : static_cast<double>(v.date().JulianDay()), ""};
        std::string bytes, bad;
        if (!v.is_null()) cp.Encode(v.text(), &bytes, &bad);
        bytes.resize(static_cast<size_t>(fd.width), ' ');
        return {0, bytes};
      };
      std::stable_sort(want.begin(), want.end(),
                       [&](uint32_t a, uint32_t b) { return key(a) < key(b); });
      size_t key_len = fd.type == 'N' ? 12 : fd.type == 'D' ? 8 : static_cast<size_t>(fd.width);
      EXPECT_EQ(IndexDumpOrder(dir.path(), mdx, tag.name, key_len), want)
          << name << " " << tag.name;
    }
  }
  // Perl also reads a table through the index, skipping deleted records.
  int status = 0;
  std::string names =
      RunCommand("cd " + dir.path() +
                     " && perl -MXBase -e '$t=XBase->new(\"Clienti.dbf\"); "
                     "$c=$t->prepare_select_with_index([\"Clienti.mdx\",\"CODCLI\"],\"CODCLI\"); "
                     "while(@r=$c->fetch){print \"@r\\n\"}'",
                 &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(std::count(names.begin(), names.end(), '\n'), 39);
}

struct ForeignRow {
  Value name, sum, date, memo, ok;
};

std::vector<ForeignRow> ForeignRows() {
  return {{Value::Text("Ana Şerban"), Value::Number(-12.5), Value::FromDate({2024, 1, 31}),
           Value::Text("linia 1\r\nlinia 2 ţ"), Value::Logical(true)},
          {Value(), Value(), Value(), Value(), Value()},
          {Value::Text("Îngust"), Value::Number(99999.99), Value::FromDate({1999, 12, 31}),
           Value::Text(std::string(700, 'x') + "\r\nsfârşit"), Value::Logical(false)}};
}

void ExpectForeignRows(const std::string& path, uint8_t version) {
  Table t = Table::Open(path);
  std::string head = testing::ReadFile(path);
  EXPECT_EQ(static_cast<unsigned char>(head[0]), version);
  auto rows = ForeignRows();
  ASSERT_EQ(t.RecordCount(), rows.size());
  for (uint32_t i = 0; i < rows.size(); ++i) {
    Record r = t.Read(i + 1);
    std::vector<Value> want = {rows[i].name, rows[i].sum, rows[i].date, rows[i].memo, rows[i].ok};
    for (size_t f = 0; f < want.size(); ++f)
      EXPECT_EQ(ToDebugString(r.values[f]), ToDebugString(want[f]))
          << path << " record " << i + 1 << " field " << f;
  }
  // The engine can go on writing them in their own level.
  t.Update(2, {{0, Value::Text("acum scris")}, {3, Value::Text("memo nou")}});
  t.Append({Value::Text("nou"), Value::Number(1)});
  t.Close();
  Table again = Table::Open(path);
  EXPECT_EQ(again.Get(2, 3), Value::Text("memo nou"));
  EXPECT_EQ(again.Get(4, 0), Value::Text("nou"));
  EXPECT_EQ(static_cast<unsigned char>(testing::ReadFile(path)[0]), version);
}

std::string PerlValue(const Value& v) {
  switch (v.kind()) {
    case ValueKind::kNull:
      return "undef";
    case ValueKind::kNumber:
      return std::to_string(v.number());
    case ValueKind::kDate: {
      char b[16];
      std::snprintf(b, sizeof b, "\"%04d%02d%02d\"", v.date().year, v.date().month, v.date().day);
      return b;
    }
    case ValueKind::kLogical:
      return v.logical() ? "1" : "0";
    case ValueKind::kText: {
      std::string s = "encode(\"cp1250\", decode(\"UTF-8\", \"";
      for (char c : v.text()) {
        if (c == '\r')
          s += "\\r";
        else if (c == '\n')
          s += "\\n";
        else if (c == '"' || c == '\\' || c == '$' || c == '@')
          s += std::string("\\") + c;
        else
          s += c;
      }
      return s + "\"))";
    }
  }
  return "undef";
}

TEST(Interop, TheEngineReadsTablesPerlXBaseWrote) {
  if (!HavePerl()) GTEST_SKIP() << "Perl XBase is not installed";
  for (auto [file, version, option] :
       {std::tuple{"p3.dbf", 0x83, ""}, std::tuple{"p4.dbf", 0x8B, ", version => 0x0B"}}) {
    TestDir dir;
    std::string script =
        "use XBase; use Encode;\n"
        "my $t = XBase->create(name => '" +
        std::string(file) +
        "', field_names => ['NUME','SUMA','DATA','OBS','OK'], "
        "field_types => ['C','N','D','M','L'], field_lengths => [20,8,8,10,1], "
        "field_decimals => [0,2,0,0,0]" +
        option + ") or die XBase->errstr;\n";
    auto rows = ForeignRows();
    for (size_t i = 0; i < rows.size(); ++i) {
      auto& r = rows[i];
      script += "$t->set_record(" + std::to_string(i) + ", " + PerlValue(r.name) + ", " +
                PerlValue(r.sum) + ", " + PerlValue(r.date) + ", " + PerlValue(r.memo) + ", " +
                PerlValue(r.ok) + ") or die $t->errstr;\n";
    }
    script += "$t->close;\n";
    WriteFile(dir / "make.pl", script);
    int status = 0;
    RunCommand("cd " + dir.path() + " && perl make.pl", &status);
    ASSERT_EQ(status, 0);
    ExpectForeignRows(dir / file, static_cast<uint8_t>(version));
  }
}

TEST(Interop, TheEngineReadsTablesPythonDbfWrote) {
  if (!HaveCommand("/usr/bin/python3 -c 'import dbf'"))
    GTEST_SKIP() << "python3-dbf is not installed";
  TestDir dir;
  WriteFile(dir / "make.py", R"PY(
import dbf, datetime
t = dbf.Table('py3.dbf', 'NUME C(20); SUMA N(8,2); DATA D; OBS M; OK L', dbf_type='db3', codepage='cp1250')
t.open(dbf.READ_WRITE)
t.append(('Ana Şerban', -12.5, datetime.date(2024, 1, 31), 'linia 1\r\nlinia 2 ţ', True))
t.append(('', None, None, '', None))
t.append(('Îngust', 99999.99, datetime.date(1999, 12, 31), 'x' * 700 + '\r\nsfârşit', False))
t.close()
)PY");
  int status = 0;
  RunCommand("cd " + dir.path() + " && /usr/bin/python3 make.py", &status);
  ASSERT_EQ(status, 0);
  ExpectForeignRows(dir / "py3.dbf", 0x83);
}

}  // namespace
}  // namespace lumi::dbf
