// bench_archive [MB] [DIR] [ROUNDS]: builds a Data folder of about MB megabytes (200 by
// default) of table-like files under DIR (a temporary folder by default), then
// times the backup (one zlib stream per file, level 9, into the archive) against
// the bound: the same bytes read from the same files and deflated at level 9
// as ONE stream. Then times the restore (verification pass plus writing every
// file) against inflating that one stream to one file.
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "admin/backup_archive.h"

namespace {
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

// Processor time of this process: what a shared machine's other work does not add to.
double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

// Records of a dBase table: fixed-width text, numbers and dates, as the shop's tables hold them.
std::string TableBytes(std::size_t size, unsigned seed) {
  static const char* kWords[] = {"GEAM",     "OGLINDA", "CLAR",    "MAT",      "SECURIZAT",
                                 "TERMOPAN", "4MM",     "6MM",     "FATETARE", "SABLARE",
                                 "MONTAJ",   "POPESCU", "IONESCU", "SC",       "SRL",
                                 "VITRINA",  "USA",     "DUS",     "RAFT",     "LUCRARE"};
  std::mt19937 gen(seed);
  std::string out;
  out.reserve(size + 512);
  out.append(32 * 12, '\0');  // header and field descriptors
  char line[160];
  while (out.size() < size) {
    std::string name;
    for (int w = 0; w < 3; ++w) name += std::string(kWords[gen() % 20]) + " ";
    const auto r = [&](unsigned n) { return static_cast<unsigned>(gen() % n); };
    std::snprintf(line, sizeof line, " %10u%-40.40s%12.3f%12.2f%04u%02u%02u%-2s%8u", r(100000),
                  name.c_str(), r(100000) / 1000.0, r(1000000) / 100.0, 2020 + r(6), 1 + r(12),
                  1 + r(28), r(2) ? "DA" : "NU", r(5000));
    out += line;
  }
  out.resize(size);
  return out;
}

// Index pages: sorted keys with record numbers, less regular than the tables.
std::string IndexBytes(std::size_t size, unsigned seed) {
  std::mt19937 gen(seed);
  std::string out;
  out.reserve(size);
  std::uint32_t key = 0;
  while (out.size() < size) {
    key += gen() % 97;
    const std::uint32_t rec = gen();
    out.append(reinterpret_cast<const char*>(&rec), 4);
    char k[12];
    std::snprintf(k, sizeof k, "%010u", key);
    out.append(k, 10);
  }
  out.resize(size);
  return out;
}

void MakeData(const fs::path& data, std::size_t total) {
  fs::create_directories(data);
  struct Part {
    const char* name;
    double share;
    bool index;
  };
  const Part parts[] = {
      {"Comenzi.dbf", 0.45, false}, {"Comenzi.mdx", 0.08, true},  {"CapCom.dbf", 0.14, false},
      {"CapCom.mdx", 0.03, true},   {"Magazie.dbf", 0.09, false}, {"Magazie.mdx", 0.02, true},
      {"Clienti.dbf", 0.07, false}, {"Clienti.dbt", 0.03, false}, {"Clienti.mdx", 0.01, true},
      {"Plati.dbf", 0.07, false},   {"Plati.mdx", 0.01, true}};
  unsigned seed = 1;
  for (const Part& p : parts) {
    const auto size = static_cast<std::size_t>(p.share * static_cast<double>(total));
    const std::string bytes = p.index ? IndexBytes(size, seed++) : TableBytes(size, seed++);
    std::ofstream(data / p.name, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  std::ofstream(data / "Lumicraft.ini")
      << "[SETARI]\nDENUMIRE=SC LUMICRAFT SRL\n[INDEX]\nCODCOM=900001\n";
}

// One zlib stream (level 9, window bits 15, memory level 8) of every file, read in 64 KiB chunks.
std::uint64_t OneStream(const std::vector<lumi::archive::SourceFile>& files, const fs::path& out) {
  z_stream zs{};
  deflateInit2(&zs, 9, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY);
  std::ofstream o(out, std::ios::binary);
  std::vector<char> in(64 * 1024), buf(64 * 1024);
  for (std::size_t i = 0; i <= files.size(); ++i) {
    std::ifstream f;
    if (i < files.size()) f.open(files[i].path, std::ios::binary);
    do {
      std::streamsize got = 0;
      if (i < files.size()) {
        f.read(in.data(), static_cast<std::streamsize>(in.size()));
        got = f.gcount();
      }
      const bool finish = i == files.size();
      zs.next_in = reinterpret_cast<Bytef*>(in.data());
      zs.avail_in = static_cast<uInt>(got);
      int rc;
      do {
        zs.next_out = reinterpret_cast<Bytef*>(buf.data());
        zs.avail_out = static_cast<uInt>(buf.size());
        rc = deflate(&zs, finish ? Z_FINISH : Z_NO_FLUSH);
        o.write(buf.data(), static_cast<std::streamsize>(buf.size() - zs.avail_out));
      } while (zs.avail_out == 0 || (finish && rc != Z_STREAM_END));
      if (finish) break;
    } while (f);
  }
  const std::uint64_t size = zs.total_out;
  deflateEnd(&zs);
  return size;
}

void InflateOne(const fs::path& in, const fs::path& out) {
  z_stream zs{};
  inflateInit(&zs);
  std::ifstream i(in, std::ios::binary);
  std::ofstream o(out, std::ios::binary);
  std::vector<char> src(64 * 1024), buf(64 * 1024);
  int rc = Z_OK;
  while (rc != Z_STREAM_END && i) {
    i.read(src.data(), static_cast<std::streamsize>(src.size()));
    zs.next_in = reinterpret_cast<Bytef*>(src.data());
    zs.avail_in = static_cast<uInt>(i.gcount());
    do {
      zs.next_out = reinterpret_cast<Bytef*>(buf.data());
      zs.avail_out = static_cast<uInt>(buf.size());
      rc = inflate(&zs, Z_NO_FLUSH);
      o.write(buf.data(), static_cast<std::streamsize>(buf.size() - zs.avail_out));
    } while (zs.avail_out == 0 && rc == Z_OK);
  }
  inflateEnd(&zs);
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t mb = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 200;
  fs::path root = argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path() / "lumi-bench-archive";
  const int rounds = argc > 3 ? std::atoi(argv[3]) : 2;
  fs::remove_all(root);
  MakeData(root / "Data", mb * 1024 * 1024);
  const auto files = lumi::archive::ListSourceFiles(root);
  std::uint64_t bytes = 0;
  for (const auto& f : files) bytes += fs::file_size(f.path);
  std::printf("Data: %zu files, %.1f MB\n", files.size(), static_cast<double>(bytes) / 1e6);

  // Alternating rounds, the best of each kept: the machine may be shared.
  double backup = 1e30, one = 1e30, backupCpu = 1e30, oneCpu = 1e30;
  std::uint64_t bound = 0;
  for (int round = 1; round <= rounds; ++round) {
    auto t = Clock::now();
    double c = CpuSeconds();
    lumi::archive::WriteArchive(root / "backup.rsv", files);
    const double b = Seconds(t), bc = CpuSeconds() - c;
    t = Clock::now();
    c = CpuSeconds();
    bound = OneStream(files, root / "one.z");
    const double o = Seconds(t), oc = CpuSeconds() - c;
    std::printf("round %d: backup %.2f s (cpu %.2f s), one stream %.2f s (cpu %.2f s)\n", round, b,
                bc, o, oc);
    std::fflush(stdout);
    backup = std::min(backup, b);
    one = std::min(one, o);
    backupCpu = std::min(backupCpu, bc);
    oneCpu = std::min(oneCpu, oc);
  }
  const auto archived = fs::file_size(root / "backup.rsv");
  std::printf("backup (archive)       %7.2f s  %7.1f MB/s  %10llu bytes\n", backup,
              static_cast<double>(bytes) / 1e6 / backup, static_cast<unsigned long long>(archived));
  std::printf("one zlib stream (bound)%7.2f s  %7.1f MB/s  %10llu bytes\n", one,
              static_cast<double>(bytes) / 1e6 / one, static_cast<unsigned long long>(bound));
  std::printf("ratio backup/bound: time %.3f, processor time %.3f, size %.4f\n", backup / one,
              backupCpu / oneCpu, static_cast<double>(archived) / static_cast<double>(bound));

  auto t = Clock::now();
  lumi::archive::VerifyArchive(root / "backup.rsv");
  const double verify = Seconds(t);
  t = Clock::now();
  lumi::archive::ExtractArchive(root / "backup.rsv", root / "restored");
  const double extract = Seconds(t);
  t = Clock::now();
  InflateOne(root / "one.z", root / "one.out");
  const double inflateOne = Seconds(t);
  std::printf(
      "restore: verify %.2f s + write %.2f s = %.2f s; one inflate (bound) %.2f s; ratio %.3f\n",
      verify, extract, verify + extract, inflateOne, (verify + extract) / inflateOne);
  fs::remove_all(root);
  return 0;
}
