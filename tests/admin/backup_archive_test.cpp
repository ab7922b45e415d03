// The backup archive: what the writer puts down, what the reader accepts, and
// that nothing half-done is ever left on disk.
#include "admin/backup_archive.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/admin/archive_fixture.h"

namespace lumi::archive {
namespace {

using namespace lumi::testing;

// A Data folder with an empty file, one over 64 KiB and a small table, and an
// Arhiva folder beside it.
void FillShop(const fs::path& root) {
  WriteFile(root / "Data" / "Gol.dbf", "");
  WriteFile(root / "Data" / "Comenzi.dbf", RandomBytes(200 * 1024 + 17, 1));
  WriteFile(root / "Data" / "Lumicraft.ini", "[SETARI]\r\nDENUMIRE=SC TEST SRL\r\n");
  WriteFile(root / "Arhiva" / "vechi.txt", std::string(70000, 'x'));
}

TEST(BackupArchive, RoundTripKeepsEveryFileAndTheLayout) {
  TempFolder source, target;
  FillShop(source.path());
  const auto files = ListSourceFiles(source.path());
  ASSERT_EQ(files.size(), 4u);
  // Data first, then Arhiva, each name with a backslash whatever the platform.
  EXPECT_EQ(files.back().storedName, "Arhiva\\vechi.txt");
  for (std::size_t i = 0; i + 1 < files.size(); ++i) {
    EXPECT_TRUE(files[i].storedName.starts_with("Data\\")) << files[i].storedName;
  }

  const fs::path archive = source / "copie.rsv";
  std::vector<int> seen;
  WriteArchive(archive, files, [&](int i, int n) {
    EXPECT_EQ(n, 4);
    seen.push_back(i);
  });
  EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 3}));

  // The bytes are exactly N, then L, name, S and a level-9 stream per member.
  std::string expected = Int32(4);
  for (const SourceFile& f : files) {
    const std::string data = ReadFile(f.path);
    expected += Int32(static_cast<std::int32_t>(f.storedName.size())) + f.storedName +
                Int32(static_cast<std::int32_t>(data.size())) + Zlib(data);
  }
  EXPECT_TRUE(ReadFile(archive) == expected);
  EXPECT_FALSE(fs::exists(source / "copie.rsv.part"));

  const auto members = VerifyArchive(archive);
  ASSERT_EQ(members.size(), 4u);
  EXPECT_EQ(members[0].offset, 4u);
  seen.clear();
  ExtractArchive(archive, target.path(), [&](int k, int n) {
    EXPECT_EQ(n, 4);
    seen.push_back(k);
  });
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(Snapshot(target / "Data"), Snapshot(source / "Data"));
  EXPECT_EQ(Snapshot(target / "Arhiva"), Snapshot(source / "Arhiva"));
  EXPECT_FALSE(fs::exists(target / ".lumi-restore"));
}

TEST(BackupArchive, ListSkipsFoldersAndAMissingArhiva) {
  TempFolder root;
  WriteFile(root / "Data" / ".ascuns", "h");
  WriteFile(root / "Data" / "sub" / "x.dbf", "in a sub-folder");
  const auto files = ListSourceFiles(root.path());
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].storedName, "Data\\.ascuns");
}

// The journal the tables keep between transactions is not the shop's data;
// one left holding a transaction is needed beside its tables and goes along.
TEST(BackupArchive, TheTablesJournalGoesOnlyWhenItHoldsATransaction) {
  TempFolder root;
  WriteFile(root / "Data" / "Comenzi.dbf", "x");
  WriteFile(root / "Data" / "lumi.jnl", std::string(4096, '\0') + "old images");
  auto names = [&] {
    std::vector<std::string> out;
    for (const SourceFile& f : ListSourceFiles(root.path())) out.push_back(f.storedName);
    return out;
  };
  EXPECT_EQ(names(), std::vector<std::string>{"Data\\Comenzi.dbf"});
  WriteFile(root / "Data" / "lumi.jnl", "LUMIJNL2 records of a transaction cut short");
  auto live = names();
  std::sort(live.begin(), live.end());
  EXPECT_EQ(live, (std::vector<std::string>{"Data\\Comenzi.dbf", "Data\\lumi.jnl"}));
}

TEST(BackupArchive, NamesAreStoredInWindows1250) {
  TempFolder root;
  WriteFile(root / "Data" /
                "Facturi \xC8\x99i \xC8\x9B"
                "ara.txt",
            "1");  // "Facturi și țara"
  const auto files = ListSourceFiles(root.path());
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].storedName,
            "Data\\Facturi \xBAi \xFE"
            "ara.txt");  // cedilla forms

  TempFolder target;
  WriteArchive(root / "a.rsv", files);
  ExtractArchive(root / "a.rsv", target.path());
  // Back as the cedilla letters: the comma-below forms have no byte of their own.
  EXPECT_TRUE(fs::exists(target / "Data" /
                         "Facturi \xC5\x9Fi \xC5\xA3"
                         "ara.txt"));
}

// A member whose stream ends at a given offset of the archive, followed by two
// more: the reader must carry on exactly after each checksum, also where the
// checksum straddles the reader's 64 KiB chunks.
std::string ArchiveWithStreamEndingAt(std::size_t end, std::vector<RawMember>& members) {
  for (std::size_t size = end - 64; size < end; ++size) {
    const std::string data = RandomBytes(size, 7);
    const std::size_t fixed = 4 + 4 + 4 + Zlib(data).size() + std::string("Data\\").size();
    for (std::size_t name = 1; name <= 6; ++name) {
      if (fixed + name == end) {
        members = {{"Data\\" + std::string(name, 'b'), data},
                   {"Data\\urmator", "dupa granita"},
                   {"Data\\gol", ""}};
        return ArchiveBytes(members);
      }
    }
  }
  return {};
}

TEST(BackupArchive, StreamsEndingAroundA64KiBBoundaryReadBack) {
  for (const std::size_t end : {65535u, 65536u, 65537u, 65538u, 65539u, 65540u, 131073u}) {
    SCOPED_TRACE(end);
    std::vector<RawMember> members;
    const std::string bytes = ArchiveWithStreamEndingAt(end, members);
    ASSERT_FALSE(bytes.empty());
    TempFolder dir;
    WriteFile(dir / "a.rsv", bytes);
    const auto read = VerifyArchive(dir / "a.rsv");
    ASSERT_EQ(read.size(), 3u);
    EXPECT_EQ(read[1].offset, end);
    ExtractArchive(dir / "a.rsv", dir.path());
    for (const RawMember& m : members) {
      EXPECT_TRUE(ReadFile(dir / "Data" / m.name.substr(5)) == m.data) << m.name;
    }
  }
}

TEST(BackupArchive, EmptyListGivesAnArchiveOfNoMembers) {
  TempFolder dir;
  WriteArchive(dir / "a.rsv", {});
  EXPECT_EQ(ReadFile(dir / "a.rsv"), Int32(0));
  EXPECT_TRUE(VerifyArchive(dir / "a.rsv").empty());
}

struct BadArchive {
  const char* what;
  std::string bytes;
  const char* message;  // a part of the error's text
};

std::vector<BadArchive> BadArchives() {
  const RawMember good{"Data\\Magazie.dbf", RandomBytes(3000, 3) + std::string(5000, 'a')};
  const std::string whole = ArchiveBytes({good});
  std::string flipped = whole;
  flipped[whole.size() / 2] = static_cast<char>(flipped[whole.size() / 2] ^ 0x55);
  std::string badSum = whole;
  badSum.back() = static_cast<char>(badSum.back() ^ 1);
  const auto named = [&](const std::string& name) { return ArchiveBytes({{name, "x"}}); };
  return {
      {"empty file", "", "numarul de fisiere"},
      {"cut inside N", whole.substr(0, 3), "numarul de fisiere"},
      {"cut inside the name", whole.substr(0, 10), "se termina"},
      {"cut inside the stream", whole.substr(0, whole.size() / 2), "se termina"},
      {"checksum cut short", whole.substr(0, whole.size() - 1), "se termina"},
      {"more members announced", Int32(2) + whole.substr(4), "se termina"},
      {"negative count", Int32(-1), "numarul de fisiere (-1)"},
      {"corrupted data", flipped, "Magazie.dbf"},
      {"corrupted checksum", badSum, "sunt stricate"},
      {"size larger than the data",
       ArchiveBytes({{good.name, good.data, static_cast<std::int32_t>(good.data.size() + 1)}}),
       "in loc de"},
      {"size smaller than the data",
       ArchiveBytes({{good.name, good.data, static_cast<std::int32_t>(good.data.size() - 1)}}),
       "mai mult de"},
      {"negative size", ArchiveBytes({{good.name, "", -5}}), "marimea -5"},
      {"bytes after the last member", whole + "Z", "date necunoscute"},
      {"name of zero bytes", Int32(1) + Int32(0), "nume de 0"},
      {"huge name length", Int32(1) + Int32(0x7FFFFFFF), "nume de"},
      {"climbs out", named("..\\Data\\x"), "nume nepermis"},
      {"climbs out after Data", named("Data\\..\\..\\x"), "nume nepermis"},
      {"parent as the name", named("Data\\.."), "nume nepermis"},
      {"absolute Windows path", named("C:\\Windows\\x"), "nume nepermis"},
      {"absolute Unix path", named("/etc/passwd"), "nume nepermis"},
      {"rooted path", named("\\Data\\x"), "nume nepermis"},
      {"other folder", named("Tabele\\x.dbf"), "nume nepermis"},
      {"sub-folder", named("Data\\sub\\x.dbf"), "nume nepermis"},
      {"slash inside", named("Data\\a/../../x"), "nume nepermis"},
      {"folder alone", named("Data\\"), "nume nepermis"},
      {"device name", named("Arhiva\\con.txt"), "nume nepermis"},
      {"control character", named(std::string("Data\\a\0b", 8)), "nume nepermis"},
  };
}

TEST(BackupArchive, DamagedArchivesAreRefusedAndWriteNothing) {
  for (const BadArchive& bad : BadArchives()) {
    SCOPED_TRACE(bad.what);
    TempFolder dir;
    WriteFile(dir / "a.rsv", bad.bytes);
    try {
      VerifyArchive(dir / "a.rsv");
      ADD_FAILURE() << "accepted";
    } catch (const ArchiveError& e) {
      EXPECT_NE(std::string(e.what()).find(bad.message), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find("este deteriorata"), std::string::npos) << e.what();
    }
  }
}

TEST(BackupArchive, ExtractStopsAtAFaultWithoutAHalfWrittenFile) {
  // The second member is damaged after the first is complete: the first is in
  // place, nothing of the second exists, and no staging files remain.
  const std::string first = "primul fisier";
  const std::string second = RandomBytes(300000, 9);
  std::string bytes = ArchiveBytes({{"Data\\unu.dbf", first}, {"Data\\doi.dbf", second}});
  bytes.resize(bytes.size() - 1000);
  TempFolder dir;
  WriteFile(dir / "a.rsv", bytes);
  EXPECT_THROW(ExtractArchive(dir / "a.rsv", dir / "root"), ArchiveError);
  EXPECT_EQ(Snapshot(dir / "root"), (std::map<std::string, std::string>{{"Data/unu.dbf", first}}));
}

TEST(BackupArchive, ArhivaFolderIsCreatedWhenMissing) {
  TempFolder dir;
  WriteFile(dir / "a.rsv", ArchiveBytes({{"Arhiva\\luna.txt", "martie"}}));
  ExtractArchive(dir / "a.rsv", dir / "root");
  EXPECT_EQ(ReadFile(dir / "root" / "Arhiva" / "luna.txt"), "martie");
}

TEST(BackupArchive, FailedSaveLeavesNoArchiveAndKeepsTheOldOne) {
  TempFolder root;
  FillShop(root.path());
  auto files = ListSourceFiles(root.path());
  WriteFile(root / "old.rsv", "previous backup");
  fs::remove(files[1].path);  // gone between the listing and the writing
  try {
    WriteArchive(root / "old.rsv", files);
    ADD_FAILURE() << "saved";
  } catch (const ArchiveError& e) {
    EXPECT_NE(std::string(e.what()).find("Nu pot citi fisierul"), std::string::npos) << e.what();
  }
  EXPECT_EQ(ReadFile(root / "old.rsv"), "previous backup");
  EXPECT_FALSE(fs::exists(root / "old.rsv.part"));
}

TEST(BackupArchive, UnreadableArchiveIsReported) {
  TempFolder dir;
  EXPECT_THROW(VerifyArchive(dir / "missing.rsv"), ArchiveError);
}

}  // namespace
}  // namespace lumi::archive
