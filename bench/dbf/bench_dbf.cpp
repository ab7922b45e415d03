// Measures the dBase file layer on order-line tables of 10 k, 100 k and 1 M
// rows: appending (with the three tags kept), a full scan next to a plain
// memcpy of the same bytes, keyed lookups through a tag, a pack and a tag
// rebuild. Each measurement runs in a child process of its own, so that its
// peak memory (maxrss) is its own.
//
//   bench_dbf [--sizes 10000,100000,1000000] [--dir /tmp/...] [--only lookup]
//             [--lookups 20000]
// --only runs the measurements whose title holds the word (the tagged table
// is built all the same); --lookups sets how many keyed lookups a round
// times (the fastest of five rounds counts).
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "engine/dbf/journal.h"
#include "engine/dbf/table.h"

using namespace lumi::dbf;

namespace {

struct Result {
  double seconds = 0;
  double value = 0;  // a figure of the measurement: bytes, lookups, ...
  long peak_kb = 0;
  double cpu = 0;  // user + system seconds of the whole child
};

// Runs `work` in a child; returns its time, its figure and its peak memory.
Result InChild(const std::function<double()>& work) {
  int p[2];
  if (pipe(p) != 0) return {};
  pid_t pid = fork();
  if (pid == 0) {
    close(p[0]);
    Result r;
    auto t0 = std::chrono::steady_clock::now();
    r.value = work();
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    r.peak_kb = u.ru_maxrss;
    r.cpu = u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
    if (write(p[1], &r, sizeof r) != sizeof r) _exit(1);
    _exit(0);
  }
  close(p[1]);
  Result r;
  if (read(p[0], &r, sizeof r) != sizeof r) std::fprintf(stderr, "a measurement failed\n");
  close(p[0]);
  waitpid(pid, nullptr, 0);
  return r;
}

std::vector<FieldDef> OrderLineFields() {
  return {FieldDef::Numeric("CODCAP", 10, 0),
          FieldDef::Numeric("CODCOM", 10, 0),
          FieldDef::Numeric("CODMAG", 10, 0),
          FieldDef::Char("DENUMIRE", 40),
          FieldDef::Char("UM", 3),
          FieldDef::Numeric("CANT", 8, 3),
          FieldDef::Numeric("PRET", 8, 2),
          FieldDef::Numeric("TOTAL", 8, 2),
          FieldDef::Char("EXECUTAT", 2),
          FieldDef::Numeric("LUNG", 8, 3),
          FieldDef::Numeric("LAT", 8, 3),
          FieldDef::Char("TITLU", 60),
          FieldDef::Numeric("BUC", 6, 0)};
}

std::vector<Value> OrderLine(uint32_t i, std::mt19937& rng) {
  static const char* names[] = {"Geam float 4 mm", "Oglindă argintată", "Sticlă securizată",
                                "Geam termopan"};
  return {Value::Number(i / 8 + 1),
          Value::Number(i + 1),
          Value::Number(rng() % 5000),
          Value::Text(names[rng() % 4]),
          Value::Text("mp"),
          Value::Number((rng() % 100000) / 1000.0),
          Value::Number((rng() % 100000) / 100.0),
          Value::Number((rng() % 1000000) / 100.0),
          Value::Text(rng() % 2 ? "DA" : "NU"),
          Value::Number((rng() % 3000) / 1000.0),
          Value::Number((rng() % 3000) / 1000.0),
          Value::Text("Lucrarea " + std::to_string(i / 40)),
          Value::Number(1 + rng() % 9)};
}

// Appends `rows` order lines with the CODCAP, CODCOM and TITLU tags kept, in
// batches of 10 000 per journal.
double Build(const std::string& path, uint32_t rows, bool tags) {
  std::filesystem::remove(path);
  std::filesystem::remove(path.substr(0, path.size() - 4) + ".mdx");
  Table t = Table::Create(path, OrderLineFields());
  if (tags)
    for (const char* tag : {"CODCAP", "CODCOM", "TITLU"}) t.CreateTag(tag, tag);
  std::mt19937 rng(1);
  for (uint32_t done = 0; done < rows;) {
    Journal j;
    for (uint32_t k = 0; k < 10000 && done < rows; ++k, ++done) t.Append(OrderLine(done, rng));
    j.Commit();
  }
  return rows;
}

// The seconds `count` calls of `lookup` take (each returns how many records
// it found; one is expected), the fastest of five rounds, so that work of
// other programs on the machine lands in some rounds and not in the figure;
// -1 when a lookup did not find its record.
template <class Lookup>
double FastestRound(int count, const Lookup& lookup) {
  double best = -1;
  for (int round = 0; round < 5; ++round) {
    size_t found = 0;
    auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i) found += lookup();
    double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (found != static_cast<size_t>(count)) return -1;
    if (best < 0 || s < best) best = s;
  }
  return best;
}

// The same keyed lookups on SQLite: a table of n rows with an index on the
// code, lookups through one prepared statement after a warming scan.
double SqliteLookups(const std::string& dir, uint32_t n, int lookups) {
  std::string path = dir + "/lookups.sqlite";
  std::filesystem::remove(path);
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  sqlite3_exec(db,
               "PRAGMA synchronous=FULL; CREATE TABLE c(codcap INTEGER, codcom INTEGER, titlu "
               "TEXT, total REAL);",
               nullptr, nullptr, nullptr);
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt* ins = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO c VALUES (?, ?, ?, ?)", -1, &ins, nullptr);
  for (uint32_t i = 0; i < n; ++i) {
    sqlite3_bind_int(ins, 1, static_cast<int>(i / 8 + 1));
    sqlite3_bind_int(ins, 2, static_cast<int>(i + 1));
    std::string t = "Lucrarea " + std::to_string(i / 40);
    sqlite3_bind_text(ins, 3, t.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_double(ins, 4, i * 0.5);
    sqlite3_step(ins);
    sqlite3_reset(ins);
  }
  sqlite3_finalize(ins);
  sqlite3_exec(db, "COMMIT; CREATE INDEX ic ON c(codcom);", nullptr, nullptr, nullptr);
  sqlite3_exec(db, "SELECT count(*) FROM c INDEXED BY ic WHERE codcom > 0", nullptr, nullptr,
               nullptr);
  sqlite3_stmt* q = nullptr;
  sqlite3_prepare_v2(db, "SELECT rowid FROM c WHERE codcom = ?", -1, &q, nullptr);
  std::mt19937 rng(3);
  double s = FastestRound(lookups, [&] {
    size_t found = 0;
    sqlite3_bind_int(q, 1, static_cast<int>(1 + rng() % n));
    while (sqlite3_step(q) == SQLITE_ROW) ++found;
    sqlite3_reset(q);
    return found;
  });
  sqlite3_finalize(q);
  sqlite3_close(db);
  std::filesystem::remove(path);
  return s;
}

std::string only;  // --only: the word the measurements to run have in their title

bool Wanted(const char* what) { return only.empty() || std::strstr(what, only.c_str()); }

void Line(const char* what, uint32_t rows, const Result& r, const std::string& extra) {
  std::printf("  %-34s %9u rows  %9.3f s  (cpu %7.3f s)  peak %7.1f MB  %s\n", what, rows,
              r.seconds, r.cpu, r.peak_kb / 1024.0, extra.c_str());
  std::fflush(stdout);
}

std::string Fmt(const char* f, double v) {
  char b[64];
  std::snprintf(b, sizeof b, f, v);
  return b;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<uint32_t> sizes = {10000, 100000, 1000000};
  int lookups = 20000;
  std::string dir =
      (std::filesystem::temp_directory_path() / ("lumi_bench_dbf_" + std::to_string(getpid())))
          .string();
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--sizes")) {
      sizes.clear();
      for (char* s = std::strtok(argv[i + 1], ","); s; s = std::strtok(nullptr, ","))
        sizes.push_back(std::stoul(s));
    } else if (!std::strcmp(argv[i], "--dir")) {
      dir = argv[i + 1];
    } else if (!std::strcmp(argv[i], "--only")) {
      only = argv[i + 1];
    } else if (!std::strcmp(argv[i], "--lookups")) {
      lookups = std::stoi(argv[i + 1]);
    }
  }
  std::filesystem::create_directories(dir);
  std::printf("dBase file layer, order-line table (13 fields, 191-byte records), folder %s\n",
              dir.c_str());
  std::vector<double> lookup_us, sqlite_us;
  for (uint32_t n : sizes) {
    std::string path = dir + "/Comenzi.dbf";
    std::printf("%u rows\n", n);
    if (Wanted("append, no tags")) {
      Result plain = InChild([&] { return Build(dir + "/Plain.dbf", n, false); });
      Line("append, no tags", n, plain, Fmt("%.0f rows/s", n / plain.seconds));
    }
    Result build = InChild([&] { return Build(path, n, true); });
    Line("append, 3 tags kept", n, build, Fmt("%.0f rows/s", n / build.seconds));
    uint64_t bytes = std::filesystem::file_size(path);

    if (Wanted("scan, decode")) {
      Result scan = InChild([&] {
        Table t = Table::Open(path);
        Scanner s = t.Scan();
        double sum = 0;
        while (s.Next()) {
          Value v = s.Get(7);
          if (!v.is_null()) sum += v.number();
        }
        return sum;
      });
      Line("scan, decode TOTAL of every row", n, scan,
           Fmt("%.0f MB/s", bytes / scan.seconds / 1e6));
    }
    if (Wanted("scan, records")) {
      Result raw = InChild([&] {
        Table t = Table::Open(path);
        Scanner s = t.Scan();
        double live = 0;
        while (s.Next()) live += !s.deleted();
        return live;
      });
      Line("scan, records only", n, raw, Fmt("%.0f MB/s", bytes / raw.seconds / 1e6));
    }
    if (Wanted("memcpy")) {
      Result copy = InChild([&] {
        // The bound: copying the same bytes from memory, a megabyte at a time.
        std::vector<char> from(1 << 20, 'x'), to(1 << 20);
        for (uint64_t done = 0; done < bytes; done += from.size()) {
          std::memcpy(to.data(), from.data(), from.size());
          asm volatile("" : : "r"(to.data()) : "memory");
        }
        return static_cast<double>(to[5]);
      });
      Line("memcpy of the same bytes", n, copy, Fmt("%.0f MB/s", bytes / copy.seconds / 1e6));
    }

    // Lookups as a running program makes them: the table stays open and its
    // index blocks are in memory once read (a walk over the tag reads them).
    const int kLookups = lookups;
    if (Wanted("lookup CODCOM")) {
      Result look = InChild([&] {
        Table t = Table::Open(path);
        t.FindRange("CODCOM", std::nullopt, std::nullopt);
        std::mt19937 rng(3);
        return FastestRound(
            kLookups, [&] { return t.FindEqual("CODCOM", Value::Number(1 + rng() % n)).size(); });
      });
      look.seconds = look.value;
      double us = look.seconds * 1e6 / kLookups;
      lookup_us.push_back(us);
      Line("lookup CODCOM = k (tag)", n, look, Fmt("%.2f us each", us));
      Result lite = InChild([&] { return SqliteLookups(dir, n, kLookups); });
      lite.seconds = lite.value;
      double lite_us = lite.seconds * 1e6 / kLookups;
      sqlite_us.push_back(lite_us);
      Line("  the same on SQLite (index)", n, lite,
           Fmt("%.2f us each", lite_us) + Fmt(", ours/SQLite %.2f", us / lite_us));
    }
    if (Wanted("lookup CODCAP")) {
      Result group = InChild([&] {
        Table t = Table::Open(path);
        std::mt19937 rng(4);
        size_t found = 0;
        for (int i = 0; i < kLookups; ++i)
          found += t.FindEqual("CODCAP", Value::Number(1 + rng() % (n / 8))).size();
        return static_cast<double>(found);
      });
      Line("lookup CODCAP = k, 8 rows each", n, group,
           Fmt("%.2f us each", group.seconds * 1e6 / kLookups));
    }
    if (Wanted("updates")) {
      Result update = InChild([&] {
        Table t = Table::Open(path);
        std::mt19937 rng(5);
        Journal j;
        for (int i = 0; i < 10000; ++i)
          t.Update(1 + rng() % n, {{7, Value::Number(rng() % 1000)},
                                   {11, Value::Text("Lucrarea " + std::to_string(rng() % 999))}});
        j.Commit();
        return 10000.0;
      });
      Line("10 000 updates (TOTAL, TITLU tag)", n, update,
           Fmt("%.1f us each", update.seconds * 1e6 / 10000));
    }
    if (Wanted("pack")) {
      Result pack = InChild([&] {
        Table t = Table::Open(path);
        {
          Journal j;
          for (uint32_t r = 1; r <= n; r += 100) t.MarkDeleted(r);
          j.Commit();
        }
        auto t0 = std::chrono::steady_clock::now();
        t.Pack();
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
      });
      pack.seconds = pack.value;
      Line("pack, 1% deleted, 3 tags rebuilt", n, pack, "");
    }
    std::filesystem::remove(dir + "/Plain.dbf");
  }
  if (lookup_us.size() >= 2)
    std::printf("lookup time ratio, largest / smallest table: %.2f (SQLite %.2f)\n",
                lookup_us.back() / lookup_us.front(), sqlite_us.back() / sqlite_us.front());
  std::filesystem::remove_all(dir);
  return 0;
}
