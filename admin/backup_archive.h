// The backup archive: every file of the Data folder, and of the Arhiva folder
// beside it, in one file. All integers are 32-bit signed little-endian:
//
//   N                      the number of members, then N times:
//   L, name                the stored name, "Data\" or "Arhiva\" and the file
//                          name, L bytes of Windows-1250 text, no terminator
//   S, stream              the file's size, then one zlib stream (level 9,
//                          window bits 15, memory level 8) of its S bytes
//
// A stream's compressed length is not stored: the next member starts right
// after its Adler-32. Nothing follows the last member.
//
// Plain C++ on zlib, shared by the backup window and the lumi-archive tool.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace lumi::archive {

// Why an archive cannot be written or read; the text is ready to show.
class ArchiveError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file to archive: where it is read from and the name it is stored under.
struct SourceFile {
  std::filesystem::path path;
  std::string storedName;  // Windows-1250 bytes, "Data\..." or "Arhiva\..."
};

// A member as read back.
struct Member {
  std::string storedName;    // the bytes as stored
  std::uint32_t size = 0;    // S
  std::uint64_t offset = 0;  // where its L field starts in the archive
  std::uint64_t streamLength = 0;
};

// Called before each member is handled, with its index (from 0 when writing,
// from 1 when reading back) and the number of members.
using Progress = std::function<void(int index, int count)>;

// The files of root/Data, then those of root/Arhiva (when it exists), each
// folder in the order the file system lists it; folders are skipped, hidden
// files are not, nor is the tables' journal unless it holds a transaction
// still to undo. Throws ArchiveError for a name an archive cannot hold.
std::vector<SourceFile> ListSourceFiles(const std::filesystem::path& root);

// Writes the archive of the files, in their order. The archive is written
// beside its final name and renamed into place when complete, so a failure
// leaves no half-written archive behind (and an existing one untouched).
void WriteArchive(const std::filesystem::path& archive, const std::vector<SourceFile>& files,
                  const Progress& progress = {});

// Reads the whole archive and inflates every member without writing anything:
// each stream must end with a good checksum after exactly S bytes, every name
// must be one that ExtractArchive can place, and nothing may follow the last
// member. Returns the members; throws ArchiveError at the first fault.
std::vector<Member> VerifyArchive(const std::filesystem::path& archive);

// Writes every member to root/Data or root/Arhiva, creating those folders when
// missing. Each file is written beside its name and renamed into place once
// complete, so a failure never leaves a half-written file. Run VerifyArchive
// first: a fault found here stops the work with the earlier members in place.
void ExtractArchive(const std::filesystem::path& archive, const std::filesystem::path& root,
                    const Progress& progress = {});

}  // namespace lumi::archive
