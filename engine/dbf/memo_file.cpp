#include "engine/dbf/memo_file.h"

#include <cstring>

#include "engine/dbf/data_file.h"
#include "engine/error.h"

namespace lumi::dbf {

namespace {
constexpr uint32_t kBlock = 512;

uint32_t U32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
void PutU32(char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<char>(v >> (8 * i));
}
}  // namespace

MemoFile::MemoFile(std::shared_ptr<DataFile> file, bool iv_style)
    : file_(std::move(file)), iv_(iv_style) {}

const std::string& MemoFile::path() const { return file_->path(); }

void MemoFile::Initialize(DataFile& file, bool iv_style, const std::string& base_name) {
  std::string h(kBlock, '\0');
  PutU32(&h[0], 1);  // the first entry goes to block 1
  if (iv_style) {
    for (size_t i = 0; i < 8 && i < base_name.size(); ++i) h[8 + i] = base_name[i];
    h[18] = 0x02;
    h[19] = 0x01;
    h[20] = static_cast<char>(kBlock & 0xFF);
    h[21] = static_cast<char>(kBlock >> 8);
  } else {
    h[16] = 0x03;
  }
  file.Write(0, h.data(), h.size());
}

void MemoFile::Load() {
  unsigned char h[24];
  if (file_->size() < sizeof h)
    throw EngineError(file_->path() + ": the memo file is damaged (too short)");
  file_->ReadExact(0, h, sizeof h);
  block_size_ = kBlock;
  if (iv_) {
    uint32_t bs = static_cast<uint32_t>(h[20] | (h[21] << 8));
    // Some writers leave the size out; 512 is what dBase uses then.
    if (bs != 0) block_size_ = bs;
    if (block_size_ < 16) throw EngineError(file_->path() + ": the memo block size is wrong");
  }
}

std::string MemoFile::Read(uint32_t block) const {
  uint64_t off = static_cast<uint64_t>(block) * block_size_;
  if (block == 0 || off >= file_->size())
    throw EngineError(file_->path() + ": memo block " + std::to_string(block) +
                      " lies past the end of the memo file");
  if (iv_) {
    unsigned char h[8];
    if (file_->Read(off, h, 8) != 8 || h[0] != 0xFF || h[1] != 0xFF)
      throw EngineError(file_->path() + ": memo block " + std::to_string(block) + " is damaged");
    uint32_t start = static_cast<uint32_t>(h[2] | (h[3] << 8));
    uint32_t len = U32(h + 4);
    if (start < 8 || len < start || off + len > file_->size())
      throw EngineError(file_->path() + ": memo block " + std::to_string(block) + " is damaged");
    std::string s(len - start, '\0');
    file_->ReadExact(off + start, s.data(), s.size());
    return s;
  }
  // dBase III: the text runs to the first 1A.
  std::string s;
  char buf[kBlock];
  for (;;) {
    size_t n = file_->Read(off, buf, sizeof buf);
    if (n == 0) break;
    const void* end = std::memchr(buf, 0x1A, n);
    if (end) {
      s.append(buf, static_cast<const char*>(end) - buf);
      break;
    }
    s.append(buf, n);
    off += n;
  }
  return s;
}

void MemoFile::WriteNextFree(uint32_t block) {
  char b[4];
  PutU32(b, block);
  file_->Write(0, b, 4);
}

uint32_t MemoFile::Append(std::string_view bytes) {
  if (!iv_ && bytes.find('\x1A') != std::string_view::npos)
    throw EngineError(file_->path() +
                      ": a dBase III memo cannot hold the character 0x1A (end of file)");
  // Always at the end: a free chain left by other programs stays untouched.
  uint64_t size = file_->size();
  uint32_t block = static_cast<uint32_t>((size + block_size_ - 1) / block_size_);
  if (block == 0) block = 1;
  std::string e;
  if (iv_) {
    e.resize(8);
    e[0] = e[1] = static_cast<char>(0xFF);
    e[2] = 0x08;
    e[3] = 0x00;
    PutU32(&e[4], static_cast<uint32_t>(bytes.size() + 8));
    e.append(bytes);
  } else {
    e.assign(bytes);
    e.append("\x1A\x1A");
  }
  e.resize((e.size() + block_size_ - 1) / block_size_ * block_size_, '\0');
  uint64_t end_block = block + e.size() / block_size_;
  if (end_block > 0xFFFFFFFFull) throw EngineError(file_->path() + ": the memo file is full");
  file_->Write(static_cast<uint64_t>(block) * block_size_, e.data(), e.size());
  WriteNextFree(static_cast<uint32_t>(end_block));
  return block;
}

void MemoFile::Clear() {
  file_->Truncate(block_size_);
  WriteNextFree(1);
}

}  // namespace lumi::dbf
