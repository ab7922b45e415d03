#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace lumi::dbf {

class DataFile;

// A .dbt memo file, dBase III style (512-byte blocks, text ended by 1A 1A) or
// dBase IV style (block size from the header; each entry starts FF FF 08 00
// and a length that counts those 8 bytes). Texts are raw code-page bytes.
// New entries are always appended; old ones stay until a pack.
class MemoFile {
 public:
  MemoFile(std::shared_ptr<DataFile> file, bool iv_style);

  // Writes the header of a new, empty memo file.
  static void Initialize(DataFile& file, bool iv_style, const std::string& base_name);

  // Reads the header; throws EngineError naming the file when it is damaged.
  void Load();

  // The text of the entry at `block`. Throws when the block lies past the end
  // of the file or its entry is damaged.
  std::string Read(uint32_t block) const;
  // Appends an entry and returns its first block.
  uint32_t Append(std::string_view bytes);
  // Empties the file to its header (the first step of a compaction).
  void Clear();

  const std::string& path() const;
  uint32_t block_size() const { return block_size_; }

 private:
  void WriteNextFree(uint32_t block);
  std::shared_ptr<DataFile> file_;
  bool iv_;
  uint32_t block_size_ = 512;
};

}  // namespace lumi::dbf
