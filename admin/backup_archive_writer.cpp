// Writing a backup archive and listing the files that go into it.
#include <zlib.h>

#include <fstream>
#include <limits>
#include <memory>
#include <system_error>

#include "admin/archive_io.h"
#include "admin/archive_names.h"
#include "admin/backup_archive.h"
#include "engine/dbf/journal_file.h"

namespace lumi::archive {
namespace fs = std::filesystem;
namespace {

// The tables' journal between transactions holds nothing of the shop's data
// (only images of changes long finished). One that still holds a transaction
// goes along: the tables beside it need it to be put right.
bool EndedJournal(const fs::path& file) {
  return file.filename() == dbf::journal_file::kName &&
         !dbf::journal_file::HoldsLive(file.string());
}

void AppendFolder(std::vector<SourceFile>& files, const fs::path& root, std::string_view folder) {
  const fs::path dir = root / fs::path(std::u8string(folder.begin(), folder.end()));
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) return;
  fs::directory_iterator it(dir, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::error_code kind;
    if (!it->is_regular_file(kind) || EndedJournal(it->path())) continue;
    auto name = StoredName(folder, it->path());
    if (!name) {
      throw ArchiveError("Numele fisierului " + PathText(it->path()) +
                         " nu poate fi pastrat in arhiva.");
    }
    files.push_back({it->path(), std::move(*name)});
  }
  if (ec) throw ArchiveError("Nu pot citi folderul " + PathText(dir) + ": " + ec.message());
}

// A name beside the archive that is not taken, to write into until complete.
fs::path UnusedSibling(const fs::path& archive) {
  for (int n = 0;; ++n) {
    fs::path candidate = archive;
    candidate += n == 0 ? ".part" : ".part" + std::to_string(n);
    std::error_code ec;
    if (!fs::exists(candidate, ec) && !ec) return candidate;
  }
}

class Deflater {
 public:
  Deflater() {
    if (deflateInit2(&zs_, 9, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
      throw ArchiveError("Nu pot porni compresia (memorie insuficienta).");
    }
  }
  ~Deflater() { deflateEnd(&zs_); }
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;

  // Compresses the bytes into out; with finish, ends the stream.
  void Feed(const char* data, std::size_t size, bool finish, std::ofstream& out) {
    zs_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
    zs_.avail_in = static_cast<uInt>(size);
    int rc;
    do {
      zs_.next_out = buffer_;
      zs_.avail_out = sizeof buffer_;
      rc = deflate(&zs_, finish ? Z_FINISH : Z_NO_FLUSH);
      out.write(reinterpret_cast<const char*>(buffer_),
                static_cast<std::streamsize>(sizeof buffer_ - zs_.avail_out));
    } while (zs_.avail_out == 0 || (finish && rc != Z_STREAM_END));
  }

 private:
  z_stream zs_{};
  Bytef buffer_[kChunk];
};

void WriteMember(const SourceFile& file, std::ofstream& out) {
  std::ifstream in(file.path, std::ios::binary);
  std::error_code ec;
  const std::uintmax_t size = fs::file_size(file.path, ec);
  if (!in || ec) throw ArchiveError("Nu pot citi fisierul " + PathText(file.path) + ".");
  if (size > static_cast<std::uintmax_t>(std::numeric_limits<std::int32_t>::max())) {
    throw ArchiveError("Fisierul " + PathText(file.path) +
                       " are 2 GiB sau mai mult si nu poate fi pastrat in arhiva.");
  }
  std::string head;
  PutInt32(head, static_cast<std::int32_t>(file.storedName.size()));
  head += file.storedName;
  PutInt32(head, static_cast<std::int32_t>(size));
  out.write(head.data(), static_cast<std::streamsize>(head.size()));

  auto deflater = std::make_unique<Deflater>();
  auto chunk = std::make_unique<char[]>(kChunk);
  std::uintmax_t left = size;
  do {
    const std::size_t want = left < kChunk ? static_cast<std::size_t>(left) : kChunk;
    in.read(chunk.get(), static_cast<std::streamsize>(want));
    if (static_cast<std::size_t>(in.gcount()) != want) {
      throw ArchiveError("Fisierul " + PathText(file.path) + " s-a schimbat in timpul salvarii.");
    }
    left -= want;
    deflater->Feed(chunk.get(), want, left == 0, out);
    if (!out) break;
  } while (left > 0);
  if (in.peek() != std::ifstream::traits_type::eof()) {
    throw ArchiveError("Fisierul " + PathText(file.path) + " s-a schimbat in timpul salvarii.");
  }
}

}  // namespace

std::vector<SourceFile> ListSourceFiles(const fs::path& root) {
  std::vector<SourceFile> files;
  AppendFolder(files, root, kDataFolder);
  AppendFolder(files, root, kArchiveFolder);
  return files;
}

void WriteArchive(const fs::path& archive, const std::vector<SourceFile>& files,
                  const Progress& progress) {
  if (files.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
    throw ArchiveError("Prea multe fisiere pentru o arhiva.");
  }
  const fs::path part = UnusedSibling(archive);
  const auto cannotWrite = [&] {
    return ArchiveError("Nu pot scrie arhiva " + PathText(archive) +
                        " (discul este plin sau nu poate fi scris).");
  };
  try {
    std::ofstream out(part, std::ios::binary | std::ios::trunc);
    if (!out) throw cannotWrite();
    std::string count;
    PutInt32(count, static_cast<std::int32_t>(files.size()));
    out.write(count.data(), static_cast<std::streamsize>(count.size()));
    for (std::size_t i = 0; i < files.size(); ++i) {
      if (progress) progress(static_cast<int>(i), static_cast<int>(files.size()));
      WriteMember(files[i], out);
      if (!out) throw cannotWrite();
    }
    out.close();
    if (!out) throw cannotWrite();
    std::error_code ec;
    fs::rename(part, archive, ec);
    if (ec) throw cannotWrite();
  } catch (...) {
    std::error_code ignored;
    fs::remove(part, ignored);
    throw;
  }
}

}  // namespace lumi::archive
