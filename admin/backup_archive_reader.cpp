// Reading a backup archive back: verifying it whole, and writing its members.
#include <zlib.h>

#include <fstream>
#include <memory>
#include <optional>
#include <system_error>

#include "admin/archive_io.h"
#include "admin/archive_names.h"
#include "admin/backup_archive.h"

namespace lumi::archive {
namespace fs = std::filesystem;
namespace {

// The archive, read in chunks; knows the offset of the next unread byte.
class Input {
 public:
  explicit Input(const fs::path& path) : in_(path, std::ios::binary), buffer_(kChunk) {}
  bool IsOpen() const { return static_cast<bool>(in_); }

  std::uint64_t Offset() const { return base_ + pos_; }
  const unsigned char* Data() const { return buffer_.data() + pos_; }
  std::size_t Available() const { return end_ - pos_; }
  void Consume(std::size_t n) { pos_ += n; }

  // Reads the next chunk once the buffer is used up; false at the end of the file.
  bool Fill() {
    if (pos_ < end_) return true;
    base_ += end_;
    pos_ = end_ = 0;
    if (!in_) return false;
    in_.read(reinterpret_cast<char*>(buffer_.data()), static_cast<std::streamsize>(kChunk));
    end_ = static_cast<std::size_t>(in_.gcount());
    return end_ > 0;
  }

  bool Read(void* out, std::size_t n) {
    auto* dst = static_cast<unsigned char*>(out);
    while (n > 0) {
      if (!Fill()) return false;
      const std::size_t take = std::min(n, Available());
      std::copy_n(Data(), take, dst);
      Consume(take);
      dst += take;
      n -= take;
    }
    return true;
  }

  std::optional<std::int32_t> ReadInt32() {
    unsigned char raw[4];
    if (!Read(raw, sizeof raw)) return std::nullopt;
    return GetInt32(raw);
  }

  bool AtEnd() { return !Fill(); }

 private:
  std::ifstream in_;
  std::vector<unsigned char> buffer_;
  std::uint64_t base_ = 0;  // offset of buffer_[0]
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
};

// Receives each member's bytes as they are inflated.
class Sink {
 public:
  virtual ~Sink() = default;
  virtual void Begin(const Member&, const fs::path& place) = 0;
  virtual void Write(const unsigned char* data, std::size_t size) = 0;
  virtual void End() = 0;
};

class Inflater {
 public:
  Inflater() {
    if (inflateInit(&zs_) != Z_OK) throw ArchiveError("Nu pot porni decompresia.");
  }
  ~Inflater() { inflateEnd(&zs_); }
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;
  z_stream& Stream() { return zs_; }

 private:
  z_stream zs_{};
};

class Reader {
 public:
  Reader(const fs::path& archive, Sink* sink) : archive_(archive), input_(archive), sink_(sink) {}

  std::vector<Member> Run(const fs::path& root, const Progress& progress) {
    if (!input_.IsOpen()) throw ArchiveError("Nu pot citi arhiva " + PathText(archive_) + ".");
    const auto count = input_.ReadInt32();
    if (!count) Damaged("nu are nici macar numarul de fisiere");
    if (*count < 0) Damaged("numarul de fisiere (" + std::to_string(*count) + ") nu este valid");
    std::vector<Member> members;
    for (int k = 1; k <= *count; ++k) {
      if (progress) progress(k, *count);
      members.push_back(ReadMember(k, root));
    }
    if (!input_.AtEnd()) Damaged("dupa ultimul fisier urmeaza date necunoscute");
    return members;
  }

 private:
  [[noreturn]] void Damaged(const std::string& why) const {
    throw ArchiveError("Arhiva " + PathText(archive_) + " este deteriorata: " + why + ".");
  }
  [[noreturn]] void Truncated(int k) const {
    Damaged("se termina inaintea sfarsitului fisierului " + std::to_string(k));
  }

  Member ReadMember(int k, const fs::path& root) {
    Member m;
    m.offset = input_.Offset();
    const auto length = input_.ReadInt32();
    if (!length) Truncated(k);
    if (*length <= 0 || *length > kMaxNameLength) {
      Damaged("fisierul " + std::to_string(k) + " are un nume de " + std::to_string(*length) +
              " octeti");
    }
    m.storedName.resize(static_cast<std::size_t>(*length));
    if (!input_.Read(m.storedName.data(), m.storedName.size())) Truncated(k);
    const std::string label = std::to_string(k) + " (" + PrintableName(m.storedName) + ")";
    const auto place = PlaceOf(m.storedName, root);
    if (!place) Damaged("fisierul " + label + " are un nume nepermis");
    const auto size = input_.ReadInt32();
    if (!size) Truncated(k);
    if (*size < 0) Damaged("fisierul " + label + " are marimea " + std::to_string(*size));
    m.size = static_cast<std::uint32_t>(*size);

    const std::uint64_t start = input_.Offset();
    if (sink_) sink_->Begin(m, *place);
    Inflate(m.size, k, label);
    if (sink_) sink_->End();
    m.streamLength = input_.Offset() - start;
    return m;
  }

  // Inflates one zlib stream; it must end, with a good checksum, after exactly size bytes.
  void Inflate(std::uint32_t size, int k, const std::string& label) {
    Inflater inflater;
    z_stream& zs = inflater.Stream();
    std::uint64_t produced = 0;
    for (;;) {
      if (!input_.Fill()) Truncated(k);
      zs.next_in = const_cast<Bytef*>(input_.Data());
      zs.avail_in = static_cast<uInt>(input_.Available());
      zs.next_out = out_.data();
      zs.avail_out = static_cast<uInt>(out_.size());
      const int rc = inflate(&zs, Z_NO_FLUSH);
      input_.Consume(input_.Available() - zs.avail_in);
      const std::size_t got = out_.size() - zs.avail_out;
      produced += got;
      if (produced > size)
        Damaged("fisierul " + label + " are mai mult de " + std::to_string(size) + " octeti");
      if (sink_ && got > 0) sink_->Write(out_.data(), got);
      if (rc == Z_STREAM_END) break;
      if (rc != Z_OK && rc != Z_BUF_ERROR) Damaged("datele fisierului " + label + " sunt stricate");
    }
    if (produced != size) {
      Damaged("fisierul " + label + " are " + std::to_string(produced) + " octeti in loc de " +
              std::to_string(size));
    }
  }

  fs::path archive_;
  Input input_;
  Sink* sink_;
  std::vector<unsigned char> out_ = std::vector<unsigned char>(kChunk);
};

// Writes each member into a staging folder and moves it into place once it is
// complete; members never live in sub-folders, so staged names cannot collide.
class FileSink : public Sink {
 public:
  explicit FileSink(const fs::path& root) : staging_(root / ".lumi-restore") {}
  ~FileSink() override {
    out_.close();
    std::error_code ignored;
    fs::remove_all(staging_, ignored);
  }

  void Begin(const Member&, const fs::path& place) override {
    place_ = place;
    std::error_code ec;
    fs::create_directories(staging_, ec);
    fs::create_directories(place.parent_path(), ec);
    temp_ = staging_ / place.filename();
    out_.open(temp_, std::ios::binary | std::ios::trunc);
    if (!out_) CannotWrite();
  }
  void Write(const unsigned char* data, std::size_t size) override {
    out_.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out_) CannotWrite();
  }
  void End() override {
    out_.close();
    if (!out_) CannotWrite();
    std::error_code ec;
    fs::rename(temp_, place_, ec);
    if (ec) CannotWrite();
  }

 private:
  [[noreturn]] void CannotWrite() const {
    throw ArchiveError("Nu pot scrie fisierul " + PathText(place_) +
                       " (discul este plin sau nu poate fi scris).");
  }

  fs::path staging_;
  fs::path place_;
  fs::path temp_;
  std::ofstream out_;
};

}  // namespace

std::vector<Member> VerifyArchive(const fs::path& archive) {
  // Names are checked against a root that is never written to.
  return Reader(archive, nullptr).Run(fs::path("root"), {});
}

void ExtractArchive(const fs::path& archive, const fs::path& root, const Progress& progress) {
  FileSink sink(root);
  Reader(archive, &sink).Run(root, progress);
}

}  // namespace lumi::archive
