#include "bench/sql/data_generator.h"

#include <algorithm>
#include <filesystem>
#include <random>

#include "engine/dbf/journal.h"
#include "engine/dbf/table.h"

namespace lumi::bench {

namespace {

using dbf::Date;
using dbf::FieldDef;
using dbf::Value;

const char* const kProducts[] = {
    "GEAM FLOAT", "OGLINDA ARGINTATA", "STICLA MATA",     "GEAM TERMOPAN",
    "VITRALIU",   "GEAM SECURIZAT",    "PROFIL ALUMINIU", "BAGHETA"};
const char* const kAux[] = {"SILICON", "CHIT", "BANDA DUBLU ADEZIVA", "GARNITURA"};
const char* const kLabour[] = {"MONTAJ", "TAIERE", "SLEFUIRE", "TRANSPORT"};
const char* const kTowns[] = {"BRASOV", "SIBIU", "CLUJ", "IASI", "ARAD", "DEVA"};

Value T(const std::string& s) { return Value::Text(s); }
Value N(double d) { return Value::Number(d); }
Value D(int64_t jd) { return Value::FromDate(Date::FromJulianDay(jd)); }

}  // namespace

Dataset Generate(int order_lines) {
  Dataset d;
  std::mt19937 rng(20261210);
  d.items = std::max(100, order_lines / 100);
  d.clients = std::max(50, order_lines / 200);
  d.orders = std::max(10, order_lines / 10);
  const int64_t first_day = Date{2025, 1, 1}.JulianDay();
  for (int i = 1; i <= d.items; ++i) {
    int kind = i % 10 < 7 ? 0 : (i % 10 < 9 ? 1 : 2);
    std::string name = kind == 0   ? kProducts[rng() % 8]
                       : kind == 1 ? kAux[rng() % 4]
                                   : kLabour[rng() % 4];
    name += " " + std::to_string(4 + rng() % 6) + "MM " + std::to_string(i);
    double qty = kind == 0 ? 10 + rng() % 90 : 1;
    double price = 5 + (rng() % 950) / 10.0;
    d.magazie.push_back({N(i), D(first_day + rng() % 700),
                         T("FURNIZOR " + std::to_string(rng() % 40)), T(name),
                         T(kind == 0 ? "MP" : ""), N(qty), N(kind == 0 ? 0.125 : 0), N(price),
                         N(qty), N(0), N(kind)});
  }
  for (int c = 1; c <= d.clients; ++c) {
    d.clienti.push_back({N(c), T("CLIENT " + std::to_string(100000 + c * 7919 % 100000) + " SRL"),
                         T("STR. PRINCIPALA " + std::to_string(c % 300) + ", " + kTowns[c % 6]),
                         T("07" + std::to_string(20000000 + c)),
                         T("RO" + std::to_string(1000000 + c)), Value()});
  }
  int codcom = 0;
  int lines_left = order_lines;
  for (int o = 1; o <= d.orders; ++o) {
    int64_t day = first_day + rng() % 700;
    int client = 1 + static_cast<int>(rng() % d.clients);
    bool delivered = rng() % 10 != 0;
    int lines = o == d.orders ? lines_left : std::min(lines_left, order_lines / d.orders);
    lines_left -= lines;
    double cost = 0;
    std::string works[2] = {"LUCRARE " + std::to_string(o) + "A", "USA " + std::to_string(o)};
    int heading[2] = {++codcom, ++codcom};
    size_t heading_row[2];
    double work_total[2] = {0, 0};
    for (int w = 0; w < 2; ++w) {
      heading_row[w] = d.comenzi.size();
      d.comenzi.push_back({N(o), N(heading[w]), Value(), Value(), Value(), Value(), Value(), N(0),
                           T("NU"), Value(), Value(), T(works[w]), Value()});
    }
    for (int l = 0; l < lines; ++l) {
      int item = 1 + static_cast<int>(rng() % d.items);
      const auto& m = d.magazie[static_cast<size_t>(item - 1)];
      double qty = 1 + rng() % 5;
      double pieces = 1 + rng() % 3;
      double total = qty * pieces * m[7].number();
      int w = l % 2;
      work_total[w] += total;
      cost += total;
      d.comenzi.push_back({N(o), N(++codcom), N(item), m[3], m[4], N(qty), m[7], N(total),
                           T(rng() % 3 ? "NU" : "DA"), N(1 + rng() % 3), N(1), T(works[w]),
                           N(pieces)});
    }
    for (int w = 0; w < 2; ++w) d.comenzi[heading_row[w]][7] = N(work_total[w]);
    double paid = delivered ? cost : std::floor(cost / 2);
    d.capcom.push_back(
        {N(o), D(day), D(day + 7), T(delivered ? "DA" : "NU"), N(client), N(cost), N(cost - paid)});
    d.plati.push_back(
        {N(o), N(o), N(client), D(day + rng() % 20), T("CHITANTA " + std::to_string(o)), N(paid)});
  }
  return d;
}

void WriteDbf(const Dataset& d, const std::string& folder) {
  std::filesystem::create_directories(folder);
  struct TableLayout {
    const char* file;
    std::vector<FieldDef> fields;
    std::vector<const char*> tags;
    const std::vector<std::vector<Value>>* rows;
  };
  const std::vector<TableLayout> layouts = {
      {"Magazie.dbf",
       {FieldDef::Numeric("CODMAG", 10, 0), FieldDef::DateField("DATAIN"),
        FieldDef::Char("FURNIZOR", 40), FieldDef::Char("DENUMIRE", 40), FieldDef::Char("UM", 3),
        FieldDef::Numeric("CANTIN", 8, 3), FieldDef::Numeric("LATIME", 6, 3),
        FieldDef::Numeric("PRET", 8, 2), FieldDef::Numeric("STOC", 8, 3),
        FieldDef::Numeric("IESIT", 8, 3), FieldDef::Numeric("TIP", 2, 0)},
       {"CODMAG", "DENUMIRE", "TIP"},
       &d.magazie},
      {"CapCom.dbf",
       {FieldDef::Numeric("CODCAP", 10, 0), FieldDef::DateField("DATA"),
        FieldDef::DateField("TERMEN"), FieldDef::Char("PREDAT", 2),
        FieldDef::Numeric("CODCLI", 10, 0), FieldDef::Numeric("COST", 8, 2),
        FieldDef::Numeric("REST", 8, 2)},
       {"CODCAP", "CODCLI"},
       &d.capcom},
      {"Comenzi.dbf",
       {FieldDef::Numeric("CODCAP", 10, 0), FieldDef::Numeric("CODCOM", 10, 0),
        FieldDef::Numeric("CODMAG", 10, 0), FieldDef::Char("DENUMIRE", 40), FieldDef::Char("UM", 3),
        FieldDef::Numeric("CANT", 8, 3), FieldDef::Numeric("PRET", 8, 2),
        FieldDef::Numeric("TOTAL", 8, 2), FieldDef::Char("EXECUTAT", 2),
        FieldDef::Numeric("LUNG", 8, 3), FieldDef::Numeric("LAT", 8, 3),
        FieldDef::Char("TITLU", 60), FieldDef::Numeric("BUC", 6, 0)},
       {"CODCAP", "CODCOM", "TITLU"},
       &d.comenzi},
      {"Clienti.dbf",
       {FieldDef::Numeric("CODCLI", 10, 0), FieldDef::Char("NUME", 40),
        FieldDef::Char("ADRESA", 120), FieldDef::Char("TEL", 10), FieldDef::Char("CF", 12),
        FieldDef::Memo("OBS")},
       {"CODCLI"},
       &d.clienti},
      {"Plati.dbf",
       {FieldDef::Numeric("CODPL", 10, 0), FieldDef::Numeric("CODCAP", 10, 0),
        FieldDef::Numeric("CODCLI", 10, 0), FieldDef::DateField("DATA"),
        FieldDef::Char("DOCJUS", 40), FieldDef::Numeric("SUMA", 8, 2)},
       {"CODCLI", "CODCAP", "CODPL"},
       &d.plati},
  };
  for (const TableLayout& s : layouts) {
    std::string path = folder + "/" + s.file;
    dbf::Journal j;
    dbf::Table t = dbf::Table::Create(path, s.fields);
    for (const auto& row : *s.rows) t.Append(row);
    j.Commit();
    for (const char* tag : s.tags) t.CreateTag(tag, tag);
  }
}

}  // namespace lumi::bench
