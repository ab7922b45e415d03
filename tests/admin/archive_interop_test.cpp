// Archives exchanged with an independent implementation: Python's zlib module
// writes one for the reader, and reads back one from the writer.
#include <gtest/gtest.h>

#include "admin/backup_archive.h"
#include "tests/admin/archive_fixture.h"

namespace lumi::archive {
namespace {

using namespace lumi::testing;

constexpr const char* kPython = "/usr/bin/python3";

// write ARCHIVE ROOT: archives ROOT/Data then ROOT/Arhiva, sorted, at level 9.
// read ARCHIVE ROOT: checks every member against the file under ROOT, that
// each stream is the one zlib.compress gives at level 9, and that nothing is
// left over; prints "ok N".
constexpr const char* kScript = R"PY(
import os, struct, sys, zlib

def write(archive, root):
    members = []
    for folder in ("Data", "Arhiva"):
        d = os.path.join(root, folder)
        if os.path.isdir(d):
            for name in sorted(os.listdir(d)):
                with open(os.path.join(d, name), "rb") as f:
                    members.append(((folder + "\\" + name).encode("cp1250"), f.read()))
    with open(archive, "wb") as out:
        out.write(struct.pack("<i", len(members)))
        for name, data in members:
            out.write(struct.pack("<i", len(name)) + name + struct.pack("<i", len(data)))
            out.write(zlib.compress(data, 9))

def read(archive, root):
    blob = open(archive, "rb").read()
    (n,), pos = struct.unpack_from("<i", blob, 0), 4
    for _ in range(n):
        (l,) = struct.unpack_from("<i", blob, pos); pos += 4
        name = blob[pos:pos + l].decode("cp1250"); pos += l
        (s,) = struct.unpack_from("<i", blob, pos); pos += 4
        d = zlib.decompressobj()
        data = d.decompress(blob[pos:])
        assert d.eof, name + ": stream does not end"
        assert len(data) == s, name + ": size"
        stream = blob[pos:len(blob) - len(d.unused_data)]
        assert stream == zlib.compress(data, 9), name + ": not a level-9 stream"
        pos += len(stream)
        folder, file = name.split("\\")
        with open(os.path.join(root, folder, file), "rb") as f:
            assert f.read() == data, name + ": contents"
    assert pos == len(blob), "bytes left over"
    print("ok", n)

{"write": write, "read": read}[sys.argv[1]](sys.argv[2], sys.argv[3])
)PY";

class PythonInterop : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(kPython)) GTEST_SKIP() << "no " << kPython;
    WriteFile(dir_ / "archive.py", kScript);
    WriteFile(dir_ / "shop" / "Data" / "Gol.dbf", "");
    WriteFile(dir_ / "shop" / "Data" / "Magazie.dbf", RandomBytes(150000, 4));
    WriteFile(dir_ / "shop" / "Data" / "Lumicraft.ini", std::string(90000, 'q') + "\r\n");
    // A name that is not ASCII: "Ştefan.txt", stored as 0xAA "tefan.txt".
    WriteFile(dir_ / "shop" / "Arhiva" /
                  "\xC5\x9E"
                  "tefan.txt",
              "\xC5\x9E");
  }

  // Runs the script and returns what it printed, or "exit N: ..." when it failed.
  std::string Python(const std::string& args) {
    const fs::path out = dir_ / "python.out";
    const std::string cmd = std::string(kPython) + " " + (dir_ / "archive.py").string() + " " +
                            args + " > " + out.string() + " 2>&1";
    const int rc = std::system(cmd.c_str());
    return rc == 0 ? ReadFile(out) : "exit " + std::to_string(rc) + ": " + ReadFile(out);
  }

  TempFolder dir_;
};

TEST_F(PythonInterop, ArchiveWrittenByPythonRestores) {
  ASSERT_EQ(Python("write " + (dir_ / "py.rsv").string() + " " + (dir_ / "shop").string()), "");
  EXPECT_EQ(VerifyArchive(dir_ / "py.rsv").size(), 4u);
  ExtractArchive(dir_ / "py.rsv", dir_ / "restored");
  EXPECT_EQ(Snapshot(dir_ / "restored"), Snapshot(dir_ / "shop"));
}

TEST_F(PythonInterop, ArchiveWrittenByTheProgramReadsInPython) {
  WriteArchive(dir_ / "ours.rsv", ListSourceFiles(dir_ / "shop"));
  EXPECT_EQ(Python("read " + (dir_ / "ours.rsv").string() + " " + (dir_ / "shop").string()),
            "ok 4\n");
}

}  // namespace
}  // namespace lumi::archive
