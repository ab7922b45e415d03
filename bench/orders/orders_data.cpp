#include "bench/orders/orders_data.h"

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "bench/orders/sqlite_orders.h"
#include "bench/sql/data_generator.h"

namespace lumi::bench {

namespace {
// Change it when the folder's contents change, so that old folders are remade.
// 2: CapCom tagged on CODCLI; 3: Plati on CODPL.
constexpr const char* kMarker = "bench_orders data 3";
}  // namespace

bool MarkedReady(const std::string& folder, const char* mark) {
  std::ifstream in(folder + "/ready");
  std::string line;
  return in && std::getline(in, line) && line == mark;
}

void MarkReady(const std::string& folder, const char* mark) {
  ::sync();
  std::ofstream(folder + "/ready") << mark << "\n";
}

DataFolder PrepareDataFolder(const std::string& root, int lines) {
  DataFolder f;
  f.dir = root + "/" + std::to_string(lines);
  if (MarkedReady(f.dir, kMarker)) {
    f.reused = true;
    return f;
  }
  const auto t0 = std::chrono::steady_clock::now();
  std::filesystem::remove_all(f.dir);
  std::filesystem::create_directories(f.dir);
  {
    Dataset d = Generate(lines);
    WriteDbf(d, f.dir + "/Data");
    CreateOrdersDatabase(f.dir + "/shop.sqlite", d);
  }
  MarkReady(f.dir, kMarker);
  f.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  return f;
}

}  // namespace lumi::bench
