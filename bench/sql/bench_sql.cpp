// bench_sql [--sizes 10000,100000,1000000] [--folder DIR] [--only TEXT] [--keep] [--repeat N]
//           [--rounds N]
//
// --only runs just the actions whose name contains TEXT, --keep keeps the
// generated folders, --repeat runs every action N times (all for profiling),
// --rounds times each action N times on each side (default 5).
// For each size (order lines): generates the shop's five tables, writes them
// as dBase tables for our engine and into SQLite, then runs the program's
// statement mix on both in this process. Each action is timed in rounds, ours
// and SQLite's in turn, so that a disturbance of the machine meets both; the
// figure of each side is its median round. Prints per action the time of
// each, the ratio ours / SQLite and the peak heap each held during the action.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "bench/sql/memory_meter.h"
#include "bench/sql/workload.h"

namespace lumi::bench {

const char* OpName(Op op) {
  static const char* const kNames[] = {
      "warehouse open + total", "order line save", "order line remove", "keyed reads",
      "orders window open",     "work list build", "work copy-back",    "reports build",
      "period totals"};
  return kNames[static_cast<int>(op)];
}

namespace {

std::string g_only;
bool g_keep = false;
int g_repeat = 0;
int g_rounds = 5;

double Seconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

struct Measure {
  double ms = 0;
  size_t peak = 0;
};

// Runs one round of an action: iterations from `first` on, so that the lines
// each round saves are new and the removal rounds remove them again.
Measure Time(Side& side, Op op, bool ours, int first) {
  Measure m;
  int n = g_repeat > 0 ? g_repeat : Repeats(op);
  size_t base = HeapNow();
  ResetHeapPeak();
  side.ResetPeak();
  double t0 = Seconds();
  for (int i = 0; i < n; ++i) side.Run(op, first + i);
  m.ms = (Seconds() - t0) * 1000 / n;
  m.peak = ours ? HeapPeak() - base : side.PeakBytes();
  return m;
}

// The median round of each side, ours and SQLite's timed in turn.
std::pair<Measure, Measure> TimeBoth(Side& ours, Side& sqlite, Op op) {
  int n = g_repeat > 0 ? g_repeat : Repeats(op);
  // A repeated action is timed warm, as a user meets it the second time: one
  // untimed run first opens its tables on both sides.
  const int warm = n * g_rounds;
  if (n > 1) {
    ours.Run(op, warm);
    sqlite.Run(op, warm);
  }
  std::vector<Measure> a, b;
  for (int r = 0; r < g_rounds; ++r) {
    a.push_back(Time(ours, op, true, r * n));
    b.push_back(Time(sqlite, op, false, r * n));
  }
  auto median = [](std::vector<Measure> v) {
    size_t peak = 0;
    for (const Measure& m : v) peak = std::max(peak, m.peak);
    std::sort(v.begin(), v.end(), [](const Measure& x, const Measure& y) { return x.ms < y.ms; });
    Measure m = v[v.size() / 2];
    m.peak = peak;
    return m;
  };
  return {median(a), median(b)};
}

void RunSize(int lines, const std::string& folder) {
  std::printf("\n== %d order lines\n", lines);
  double t0 = Seconds();
  Dataset d = Generate(lines);
  std::filesystem::remove_all(folder);
  auto ours = MakeLumiSide(d, folder + "/lumi");
  double t1 = Seconds();
  auto sqlite = MakeSqliteSide(d, folder + "/sqlite");
  double t2 = Seconds();
  // Both data folders reach the disk before anything is timed: otherwise the
  // write-back of whichever was written last runs under the first actions.
  ::sync();
  std::printf(
      "data: %zu lines, %d orders, %d items, %d clients; written in %.2f s (dBase), %.2f s "
      "(SQLite)\n",
      d.comenzi.size(), d.orders, d.items, d.clients, t1 - t0, t2 - t1);
  std::printf("%-24s %12s %12s %7s %12s %12s\n", "action", "ours ms", "SQLite ms", "ratio",
              "ours peak MB", "SQLite MB");
  for (int k = 0; k < static_cast<int>(Op::kCount); ++k) {
    Op op = static_cast<Op>(k);
    if (!g_only.empty() && std::string(OpName(op)).find(g_only) == std::string::npos) continue;
    auto [a, b] = TimeBoth(*ours, *sqlite, op);
    std::printf("%-24s %12.3f %12.3f %7.2f %12.1f %12.1f\n", OpName(op), a.ms, b.ms,
                b.ms > 0 ? a.ms / b.ms : 0, a.peak / 1048576.0, b.peak / 1048576.0);
    std::fflush(stdout);
  }
  if (!g_keep) std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace lumi::bench

int main(int argc, char** argv) {
  std::vector<int> sizes = {10000};
  // One folder per run, so that two runs at once do not share their data.
  std::string folder =
      (std::filesystem::temp_directory_path() / ("lumi_bench_sql_" + std::to_string(::getpid())))
          .string();
  for (int i = 1; i < argc; i += 2) {
    std::string a = argv[i];
    if (a == "--keep") {
      lumi::bench::g_keep = true;
      --i;
      continue;
    }
    if (i + 1 >= argc) break;
    if (a == "--sizes") {
      sizes.clear();
      std::stringstream ss(argv[i + 1]);
      for (std::string s; std::getline(ss, s, ',');) sizes.push_back(std::atoi(s.c_str()));
    } else if (a == "--folder") {
      folder = argv[i + 1];
    } else if (a == "--rounds") {
      lumi::bench::g_rounds = std::max(1, std::atoi(argv[i + 1]));
    } else if (a == "--repeat") {
      lumi::bench::g_repeat = std::atoi(argv[i + 1]);
    } else if (a == "--only") {
      lumi::bench::g_only = argv[i + 1];
    }
  }
  for (int n : sizes) lumi::bench::RunSize(n, folder);
  return 0;
}
