// Tables: the header kept right, values round-tripping, memos, pack, new
// fields, file names in any case, exclusive use, level-7 tables.
#include "engine/dbf/table.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/dbf/journal.h"
#include "engine/error.h"
#include "tests/engine_dbf/test_dir.h"

namespace lumi::dbf {
namespace {

using testing::ReadFile;
using testing::TestDir;
using testing::WriteFile;

std::vector<FieldDef> ClientFields() {
  return {FieldDef::Numeric("CODCLI", 10, 0),
          FieldDef::Char("NUME", 40),
          FieldDef::Char("ADRESA", 120),
          FieldDef::DateField("DATA"),
          FieldDef::Numeric("SOLD", 8, 2),
          FieldDef::LogicalField("ACTIV"),
          FieldDef::Memo("OBS")};
}

uint32_t U32(const std::string& s, size_t at) {
  return static_cast<unsigned char>(s[at]) | (static_cast<unsigned char>(s[at + 1]) << 8) |
         (static_cast<unsigned char>(s[at + 2]) << 16) |
         (static_cast<uint32_t>(static_cast<unsigned char>(s[at + 3])) << 24);
}

TEST(Table, NewTableHeaderIsDbaseIvAndStaysRightOnEveryChange) {
  TestDir dir;
  Table t = Table::Create(dir / "Clienti.dbf", ClientFields());
  std::string h = ReadFile(dir / "Clienti.dbf");
  const size_t n = ClientFields().size();
  ASSERT_EQ(h.size(), 32 + 32 * n + 1 + 1);
  EXPECT_EQ(static_cast<unsigned char>(h[0]), 0x8B);
  EXPECT_EQ(static_cast<unsigned char>(h[29]), 0x57);
  EXPECT_EQ(h[28], 0);
  EXPECT_EQ(U32(h, 4), 0u);
  EXPECT_EQ(static_cast<unsigned char>(h[8]) | (static_cast<unsigned char>(h[9]) << 8),
            32 + 32 * n + 1);
  EXPECT_EQ(static_cast<unsigned char>(h[10]), 1 + 10 + 40 + 120 + 8 + 8 + 1 + 10);
  EXPECT_EQ(h[32 + 32 * n], 0x0D);
  EXPECT_EQ(h.back(), 0x1A);
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  EXPECT_EQ(static_cast<unsigned char>(h[1]), tm.tm_year);  // year - 1900
  EXPECT_EQ(h[2], tm.tm_mon + 1);

  t.Append({Value::Number(1), Value::Text("Ana")});
  t.Append({Value::Number(2), Value::Text("Ion")});
  t.CreateTag("CODCLI", "CODCLI");
  h = ReadFile(dir / "Clienti.dbf");
  EXPECT_EQ(U32(h, 4), 2u);
  EXPECT_EQ(h[28], 1);
  EXPECT_EQ(h[32 + 31], 1);       // CODCLI carries the tag flag
  EXPECT_EQ(h[32 + 32 + 31], 0);  // NUME does not
  EXPECT_EQ(h.size(), 32 + 32 * n + 1 + 2 * 198u + 1);
  EXPECT_EQ(h.back(), 0x1A);
  t.MarkDeleted(1);
  t.Pack();
  h = ReadFile(dir / "Clienti.dbf");
  EXPECT_EQ(U32(h, 4), 1u);
  EXPECT_EQ(h.size(), 32 + 32 * n + 1 + 198u + 1);
  EXPECT_EQ(h.back(), 0x1A);
  t.DropIndex();
  h = ReadFile(dir / "Clienti.dbf");
  EXPECT_EQ(h[28], 0);
  EXPECT_EQ(h[32 + 31], 0);
  EXPECT_FALSE(std::filesystem::exists(dir / "Clienti.mdx"));
}

TEST(Table, ValuesRoundTripThroughTheFile) {
  TestDir dir;
  std::vector<std::vector<Value>> rows = {
      {Value::Number(-12), Value::Text("Șerban Ţăran"), Value::Text("Str. Mică nr. 3, Iași"),
       Value::FromDate({2024, 2, 29}), Value::Number(-1234.5), Value::Logical(true),
       Value::Text("prima linie\r\na doua linie\r\nîncă una")},
      {Value::Number(0), Value(), Value(), Value(), Value(), Value(), Value()},
      {Value::Number(9999999999), Value::Text("  spaţii în faţă"), Value::Text("x"),
       Value::FromDate({1900, 1, 1}), Value::Number(0.005), Value::Logical(false), Value::Text("")},
  };
  {
    Table t = Table::Create(dir / "Clienti.dbf", ClientFields());
    for (auto& r : rows) t.Append(r);
  }
  Table t = Table::Open(dir / "Clienti.dbf");
  ASSERT_EQ(t.RecordCount(), rows.size());
  for (uint32_t i = 0; i < rows.size(); ++i) {
    Record r = t.Read(i + 1);
    EXPECT_FALSE(r.deleted);
    auto want = rows[i];
    // Comma-below letters come back as the cedilla forms the code page holds;
    // empty text is NULL; numbers are rounded to the field.
    if (i == 0)
      want[1] = Value::Text("Şerban Ţăran"), want[2] = Value::Text("Str. Mică nr. 3, Iaşi");
    if (i == 2) want[4] = Value::Number(0.01), want[6] = Value();
    for (size_t f = 0; f < want.size(); ++f)
      EXPECT_EQ(ToDebugString(r.values[f]), ToDebugString(want[f]))
          << "record " << i + 1 << " field " << f;
  }
  // Scanning gives the same records.
  Scanner s = t.Scan();
  uint32_t seen = 0;
  while (s.Next()) {
    ++seen;
    EXPECT_EQ(s.Read().values, t.Read(s.recno()).values);
  }
  EXPECT_EQ(seen, rows.size());
}

TEST(Table, UpdateChangesOnlyTheGivenFieldsAndDeleteMarksCanBeCleared) {
  TestDir dir;
  Table t = Table::Create(dir / "Clienti.dbf", ClientFields());
  t.Append({Value::Number(1), Value::Text("Ana"), Value::Text("adr"), Value(), Value::Number(5)});
  t.Update(1, {{4, Value::Number(7.25)}, {3, Value::FromDate({2020, 5, 6})}});
  Record r = t.Read(1);
  EXPECT_EQ(r.values[1], Value::Text("Ana"));
  EXPECT_EQ(r.values[4], Value::Number(7.25));
  EXPECT_EQ(r.values[3], Value::FromDate({2020, 5, 6}));
  t.MarkDeleted(1);
  EXPECT_TRUE(t.IsDeleted(1));
  EXPECT_EQ(ReadFile(dir / "Clienti.dbf")[32 + 32 * 7 + 1], '*');
  t.Recall(1);
  EXPECT_FALSE(t.IsDeleted(1));
  EXPECT_THROW(t.Read(2), EngineError);
  EXPECT_THROW(t.Update(0, {}), EngineError);
}

TEST(Table, AValueThatDoesNotFitChangesNothing) {
  TestDir dir;
  Table t = Table::Create(dir / "Clienti.dbf", ClientFields());
  t.CreateTag("CODCLI", "CODCLI");
  t.Append({Value::Number(1), Value::Text("Ana"), Value(), Value(), Value(), Value(),
            Value::Text("memo")});
  const std::string dbf = ReadFile(dir / "Clienti.dbf"), dbt = ReadFile(dir / "Clienti.dbt"),
                    mdx = ReadFile(dir / "Clienti.mdx");
  struct Case {
    const char* what;
    std::function<void()> call;
    const char* in_message;
  } cases[] = {
      {"append: number too wide",
       [&] {
         t.Append({Value::Number(2), Value(), Value(), Value(), Value::Number(123456.78), Value(),
                   Value::Text("new memo")});
       },
       "SOLD"},
      {"append: text too long",
       [&] {
         t.Append({Value::Number(2), Value::Text(std::string(41, 'x')), Value(), Value(), Value(),
                   Value(), Value::Text("m")});
       },
       "NUME"},
      {"update: code too big",
       [&] {
         t.Update(1, {{6, Value::Text("other memo")}, {0, Value::Number(1e10)}});
       },
       "CODCLI"},
      {"update: character outside the code page",
       [&] {
         t.Update(1, {{0, Value::Number(5)}, {1, Value::Text("日本")}});
       },
       "NUME"},
      {"append: too many values", [&] { t.Append(std::vector<Value>(8)); }, "8 values"},
      {"append many: the second row too wide",
       [&] {
         t.AppendMany({{Value::Number(2), Value::Text("Bob")},
                       {Value::Number(3), Value(), Value(), Value(), Value::Number(1e9)}});
       },
       "SOLD"},
  };
  for (auto& c : cases) {
    try {
      c.call();
      ADD_FAILURE() << c.what << ": accepted";
    } catch (const EngineError& e) {
      EXPECT_NE(std::string(e.what()).find(c.in_message), std::string::npos)
          << c.what << ": " << e.what();
    }
    EXPECT_EQ(ReadFile(dir / "Clienti.dbf"), dbf) << c.what;
    EXPECT_EQ(ReadFile(dir / "Clienti.dbt"), dbt) << c.what;
    EXPECT_EQ(ReadFile(dir / "Clienti.mdx"), mdx) << c.what;
    EXPECT_EQ(t.RecordCount(), 1u);
    EXPECT_EQ(t.Get(1, 0), Value::Number(1));
  }
}

// Many records appended at once make the same files, byte for byte, as the
// same records appended one by one; a batch with a row that does not fit
// writes nothing.
TEST(Table, AppendManyWritesWhatAppendWouldAndAllOrNothing) {
  TestDir dir;
  const std::vector<FieldDef> fields = {FieldDef::Numeric("COD", 6, 0), FieldDef::Char("NUME", 12),
                                        FieldDef::DateField("ZI"), FieldDef::LogicalField("OK")};
  std::vector<std::vector<Value>> rows;
  for (int i = 0; i < 300; ++i)
    rows.push_back({Value::Number((i * 7) % 50), Value::Text("N" + std::to_string(i % 13)),
                    i % 5 ? Value::FromDate(Date::FromJulianDay(2461000 + i)) : Value(),
                    Value::Logical(i % 2)});
  Table one = Table::Create(dir / "One.dbf", fields),
        many = Table::Create(dir / "Many.dbf", fields);
  for (Table* t : {&one, &many})
    for (const char* tag : {"COD", "NUME", "ZI"}) t->CreateTag(tag, tag);
  one.Append(rows[0]);
  many.Append(rows[0]);
  {
    Journal j;
    for (size_t r = 1; r < rows.size(); ++r) one.Append(rows[r]);
    j.Commit();
  }
  many.AppendMany(std::vector<std::vector<Value>>(rows.begin() + 1, rows.end()));
  EXPECT_TRUE(ReadFile(dir / "Many.dbf") == ReadFile(dir / "One.dbf"));
  // The index header names its table (bytes 4-19); the rest is the same.
  auto unnamed = [](std::string mdx) { return mdx.replace(4, 16, 16, '\0'); };
  EXPECT_TRUE(unnamed(ReadFile(dir / "Many.mdx")) == unnamed(ReadFile(dir / "One.mdx")));
  EXPECT_EQ(many.VerifyIndex(), std::nullopt);

  const std::string dbf = ReadFile(dir / "Many.dbf"), mdx = ReadFile(dir / "Many.mdx");
  EXPECT_THROW(many.AppendMany({rows[1], {Value::Number(1), Value::Text(std::string(13, 'x'))}}),
               EngineError);
  EXPECT_TRUE(ReadFile(dir / "Many.dbf") == dbf);
  EXPECT_TRUE(ReadFile(dir / "Many.mdx") == mdx);
  EXPECT_EQ(many.RecordCount(), rows.size());
}

TEST(Table, MemosUseDbaseIvEntriesAndPackCompactsThem) {
  TestDir dir;
  Table t = Table::Create(dir / "Clienti.dbf", ClientFields());
  std::string long_text;
  for (int i = 0; i < 100; ++i) long_text += "linia " + std::to_string(i) + " cu ăîâşţ\r\n";
  t.Append({Value::Number(1), Value(), Value(), Value(), Value(), Value(), Value::Text("scurt")});
  t.Append({Value::Number(2), Value(), Value(), Value(), Value(), Value(), Value::Text(long_text)});
  t.Append({Value::Number(3), Value(), Value(), Value(), Value(), Value(), Value()});
  std::string dbt = ReadFile(dir / "Clienti.dbt");
  EXPECT_EQ(dbt.size() % 512, 0u);
  EXPECT_EQ(dbt.substr(512, 4), std::string("\xFF\xFF\x08\x00", 4));
  EXPECT_EQ(U32(dbt, 516), 5u + 8u);  // the length counts the 8 header bytes
  EXPECT_EQ(U32(dbt, 0), dbt.size() / 512);
  EXPECT_EQ(t.Get(2, 6), Value::Text(long_text));
  // Replacing appends; the old entry stays until a pack.
  t.Update(1, {{6, Value::Text("înlocuit")}});
  EXPECT_EQ(t.Get(1, 6), Value::Text("înlocuit"));
  size_t grown = ReadFile(dir / "Clienti.dbt").size();
  EXPECT_GT(grown, dbt.size());
  t.MarkDeleted(2);
  t.Pack();
  EXPECT_EQ(t.RecordCount(), 2u);
  EXPECT_EQ(t.Get(1, 6), Value::Text("înlocuit"));
  EXPECT_EQ(t.Get(2, 6), Value());
  EXPECT_EQ(ReadFile(dir / "Clienti.dbt").size(), 1024u);  // header + one block
}

TEST(Table, CompanionFilesAreFoundInAnyCase) {
  TestDir dir;
  {
    Table t = Table::Create(dir / "clienti.dbf", ClientFields());
    t.CreateTag("CODCLI", "CODCLI");
    t.Append({Value::Number(7), Value::Text("Ana"), Value(), Value(), Value(), Value(),
              Value::Text("notă")});
  }
  std::filesystem::rename(dir / "clienti.dbf", dir / "CLIENTI.DBF");
  std::filesystem::rename(dir / "clienti.mdx", dir / "Clienti.mdx");
  std::filesystem::rename(dir / "clienti.dbt", dir / "cLIENTi.dbt");
  EXPECT_EQ(Table::Resolve(dir / "Clienti.dbf"), dir / "CLIENTI.DBF");
  Table t = Table::Open(dir / "Clienti.dbf");
  EXPECT_EQ(t.Get(1, 6), Value::Text("notă"));
  EXPECT_EQ(t.FindEqual("codcli", Value::Number(7)), std::vector<uint32_t>{1});
  t.Append({Value::Number(8)});
  EXPECT_EQ(t.VerifyIndex(), std::nullopt);
  EXPECT_FALSE(std::filesystem::exists(dir / "CLIENTI.MDX"));  // the existing file was used
  EXPECT_THROW(Table::Create(dir / "cliENTI.dbf", ClientFields()), EngineError);
}

TEST(Table, AddFieldKeepsRowsAndTagsAndFillsWithNull) {
  TestDir dir;
  Table t = Table::Create(dir / "Comenzi.dbf",
                          {FieldDef::Numeric("CODCAP", 10, 0), FieldDef::Char("TITLU", 60)});
  t.CreateTag("CODCAP", "CODCAP");
  {
    Journal j;
    for (int i = 0; i < 2000; ++i)
      t.Append({Value::Number(i % 37), Value::Text("lucrare " + std::to_string(i))});
    j.Commit();
  }
  t.AddField(FieldDef::Numeric("BUC", 6, 0));
  ASSERT_EQ(t.fields().size(), 3u);
  EXPECT_EQ(t.FieldIndex("buc"), 2);
  EXPECT_EQ(t.Get(1999, 1), Value::Text("lucrare 1998"));
  EXPECT_EQ(t.Get(1999, 2), Value());
  EXPECT_EQ(t.VerifyIndex(), std::nullopt);
  t.Update(5, {{2, Value::Number(1)}});
  t.Close();
  Table again = Table::Open(dir / "Comenzi.dbf");
  EXPECT_EQ(again.Get(5, 2), Value::Number(1));
  EXPECT_EQ(again.Get(5, 1), Value::Text("lucrare 4"));
  EXPECT_THROW(again.AddField(FieldDef::Numeric("BUC", 6, 0)), EngineError);
  again.AddField(FieldDef::Memo("NOTE"));
  again.Update(1, {{3, Value::Text("memo nou")}});
  EXPECT_EQ(again.Get(1, 3), Value::Text("memo nou"));
  EXPECT_EQ(static_cast<unsigned char>(ReadFile(dir / "Comenzi.dbf")[0]), 0x8B);
}

TEST(Table, ExclusiveUseIsEnforced) {
  TestDir dir;
  Table a = Table::Create(dir / "Plati.dbf", {FieldDef::Numeric("CODPL", 10, 0)});
  Table b = Table::Open(dir / "plati.dbf");  // a second handle on the same table
  b.Append({Value::Number(1)});
  EXPECT_EQ(a.RecordCount(), 1u);  // handles share one state
  EXPECT_THROW(Table::Open(dir / "Plati.dbf", OpenMode::kExclusive), EngineError);
  EXPECT_THROW(a.Pack(), EngineError);
  b.Close();
  a.Pack();
  a.Close();
  Table x = Table::Open(dir / "Plati.dbf", OpenMode::kExclusive);
  EXPECT_THROW(Table::Open(dir / "Plati.dbf"), EngineError);
}

TEST(Table, FilesDeletedOrReplacedBehindItsBackAreNoticed) {
  TestDir dir;
  Table held = Table::Create(dir / "Plati.dbf", {FieldDef::Numeric("CODPL", 10, 0)});
  held.CreateTag("CODPL", "CODPL");
  held.Append({Value::Number(1)});
  std::filesystem::remove(dir / "Plati.dbf");
  std::filesystem::remove(dir / "Plati.mdx");
  EXPECT_FALSE(Table::Resolve(dir / "Plati.dbf"));
  EXPECT_THROW(Table::Open(dir / "Plati.dbf"), EngineError);
  Table fresh = Table::Create(dir / "Plati.dbf", {FieldDef::Char("NUME", 5)});
  fresh.Append({Value::Text("x")});
  EXPECT_THROW(held.RecordCount(), EngineError);
  Table again = Table::Open(dir / "plati.dbf");
  ASSERT_EQ(again.fields().size(), 1u);
  EXPECT_EQ(again.fields()[0].name, "NUME");
  EXPECT_EQ(again.RecordCount(), 1u);
  EXPECT_TRUE(again.Tags().empty());
  // Replaced by another table's file (a restore from a backup does this).
  {
    Table other =
        Table::Create(dir / "Other.dbf", {FieldDef::Numeric("N", 4, 0), FieldDef::Char("C", 3)});
    other.Append({Value::Number(7), Value::Text("abc")});
    other.Append({Value::Number(8)});
  }
  std::filesystem::rename(dir / "Other.dbf", dir / "Plati.dbf");
  Table restored = Table::Open(dir / "Plati.dbf");
  EXPECT_EQ(restored.RecordCount(), 2u);
  EXPECT_EQ(again.Get(1, 1), Value::Text("abc"));  // every handle sees the new file
}

TEST(Table, CreateRefusesBadDefinitions) {
  TestDir dir;
  std::vector<std::vector<FieldDef>> bad = {
      {},
      {FieldDef::Char("", 10)},
      {FieldDef::Char("NAME_TOO_LONG", 10)},
      {FieldDef::Char("A", 0)},
      {FieldDef::Char("A", 255)},
      {FieldDef::Numeric("N", 21, 0)},
      {FieldDef::Numeric("N", 5, 4)},
      {FieldDef::Char("A", 5), FieldDef::Numeric("a", 5, 0)},
      {{"X", 'Q', 4, 0, 0}},
  };
  for (auto& f : bad) {
    EXPECT_THROW(Table::Create(dir / "T.dbf", f), EngineError);
    EXPECT_FALSE(Table::Resolve(dir / "T.dbf"));
  }
}

// A level-7 table as dBase 7 writes it: 68-byte header, 48-byte descriptors,
// binary long and double fields.
std::string Level7Table() {
  auto field = [](const std::string& name, char type, int len) {
    std::string d(48, '\0');
    d.replace(0, name.size(), name);
    d[32] = type;
    d[33] = static_cast<char>(len);
    return d;
  };
  std::string h(68, '\0');
  h[0] = 0x04;
  h[1] = 124, h[2] = 1, h[3] = 1;
  h[4] = 2;
  std::string fields =
      field("ID", 'I', 4) + field("VALOARE", 'O', 8) + field("NUME", 'C', 6) + field("ZI", 'D', 8);
  uint16_t hl = static_cast<uint16_t>(68 + fields.size() + 1);
  h[8] = static_cast<char>(hl & 0xFF), h[9] = static_cast<char>(hl >> 8);
  h[10] = 1 + 4 + 8 + 6 + 8;
  h.replace(32, 8, "DBWINUS0");
  std::string recs;
  recs += std::string(" \x80\x00\x00\x01", 5) + std::string("\xC0\x66\x93\x33\x33\x33\x33\x33", 8) +
          "xxxxxx" + "20240115";
  recs += std::string("*\x7F\xFF\xFF\xFF", 5) + std::string(8, '\0') + std::string(6, '\0') +
          "        ";
  // "kůže" was written in Windows-1250 on a Czech machine.
  recs.replace(1 + 4 + 8, 6,
               std::string("k\xF9\x9E"
                           "e  ",
                           6));
  return h + fields + "\x0D" + recs + "\x1A";
}

TEST(Table, ReadsAndUpdatesLevel7Tables) {
  TestDir dir;
  WriteFile(dir / "L7.dbf", Level7Table());
  Table t = Table::Open(dir / "L7.dbf");
  EXPECT_EQ(t.level(), 7);
  ASSERT_EQ(t.RecordCount(), 2u);
  Record r = t.Read(1);
  EXPECT_EQ(r.values[0], Value::Number(1));
  EXPECT_EQ(r.values[1], Value::Number(180.6));
  EXPECT_EQ(r.values[2], Value::Text("kůže"));
  EXPECT_EQ(r.values[3], Value::FromDate({2024, 1, 15}));
  Record d = t.Read(2);
  EXPECT_TRUE(d.deleted);
  EXPECT_EQ(d.values[0], Value::Number(-1));
  EXPECT_EQ(d.values[1], Value());
  EXPECT_EQ(d.values[2], Value());
  t.Update(2, {{0, Value::Number(-70000)}, {1, Value::Number(-2.5)}});
  t.Append({Value::Number(3), Value::Number(1e-3), Value::Text("nou")});
  t.Close();
  Table again = Table::Open(dir / "L7.dbf");
  EXPECT_EQ(again.Get(2, 0), Value::Number(-70000));
  EXPECT_EQ(again.Get(2, 1), Value::Number(-2.5));
  EXPECT_EQ(again.Get(3, 1), Value::Number(1e-3));
  EXPECT_EQ(static_cast<unsigned char>(ReadFile(dir / "L7.dbf")[0]), 0x04);
}

}  // namespace
}  // namespace lumi::dbf
