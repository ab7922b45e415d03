// The backup window driven through the toolbar: saving (also over an older
// archive), restoring with the restart asked for, and the archives it refuses.
#include <signal.h>
#include <sys/resource.h>

#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>

#include "admin/Unit6.h"
#include "shell/Unit7.h"
#include "tests/admin/window_fixture.h"

namespace lumi::testing {
namespace {

using drive::child;

constexpr const char* kSaved = "Salvare incheiata cu succes !";
constexpr const char* kRestored =
    "Restaurare incheiata cu succes !\r\nVa rog sa porniti programul din nou !";

class Backup : public ShopWindows {
 protected:
  void SetUp() override {
    ShopWindows::SetUp();
    WriteFile(Data() / "Magazie.dbf", RandomBytes(90000, 11));
    WriteFile(Data() / "Gol.dbt", "");
    WriteFile(Data() / "Lumicraft.ini", "[SETARI]\r\nDENUMIRE=SC ACTUAL SRL\r\n");
    Form3()->SeteazaDeblocare(true);
  }

  // The "Salvare" button, with the dialogs it opens answered in order.
  std::unique_ptr<Dialogs> Open(std::vector<Act> steps) {
    auto seen = std::make_unique<Dialogs>(std::move(steps));
    drive::clickOn(Form3(), "ToolButton4");
    return seen;
  }

  // In the backup window: press a button, with the dialogs it opens answered by `then`.
  static Act Click(const char* button) {
    return [button](QWidget* d) { drive::clickOn(d, button); };
  }

  QString Path(const fs::path& p) { return QString::fromStdString(p.string()); }
};

TEST_F(Backup, SaveWritesEveryFileOfDataAndArhiva) {
  WriteFile(Root() / "Arhiva" / "2023.txt", "anul trecut");
  bool counterShown = false;
  const auto seen = Open({Click("ConvexBtn1"),
                          [&](QWidget* d) {
                            EXPECT_EQ(d->windowTitle(), "Unde salvam arhiva ?");
                            auto* fd = qobject_cast<QFileDialog*>(d);
                            ASSERT_NE(fd, nullptr);
                            EXPECT_EQ(fd->nameFilters(), QStringList{"Arhiva Lumicraft (*.rsv)"});
                            EXPECT_EQ(fd->defaultSuffix(), "rsv");
                            ChooseFile("copie")(d);  // the extension comes by itself
                          },
                          [&](QWidget* d) {
                            counterShown = !Contor()->isVisible();  // hidden again by now
                            Press("Bo")(d);
                          }});
  EXPECT_EQ((*seen)[0].objectName, "Form21");
  EXPECT_EQ((*seen)[2].title, "INFORMARE");
  EXPECT_EQ((*seen)[2].text, kSaved);
  EXPECT_TRUE(counterShown);
  EXPECT_FALSE(Form21()->isVisible());
  EXPECT_TRUE(Form21()->isEnabled());
  EXPECT_EQ(Contor()->Label1->text(), "Salvez starea actuala...");
  EXPECT_EQ(ContorMax, 4);

  const auto members = archive::VerifyArchive(Root() / "copie.rsv");
  ASSERT_EQ(members.size(), 4u);
  EXPECT_EQ(members[3].storedName, "Arhiva\\2023.txt");
  TempFolder out;
  archive::ExtractArchive(Root() / "copie.rsv", out.path());
  EXPECT_EQ(Snapshot(out.path() / "Data"), Snapshot(Data()));
  EXPECT_EQ(Form21()->NumeFisiere.size(), 4);
  EXPECT_EQ(QDir::currentPath(), CaleProgram);
}

TEST_F(Backup, SavingOverAnOlderArchiveAsksFirst) {
  const fs::path old = Root() / "Arhiva" / "vechi.rsv";  // kept in the folder that is saved too
  WriteFile(old, "older backup");
  const QString name = QDir::toNativeSeparators(Path(old));

  bool stillOpen = false;
  auto seen = Open({Click("ConvexBtn1"), ChooseFile(Path(old)), Then(Press("Nu"), [&] {
                      stillOpen = Form21()->isVisible();
                      EscapeLater(Form21())();
                    })});
  EXPECT_EQ((*seen)[2].title, "ATENTIONARE !");
  EXPECT_EQ((*seen)[2].text, "Vreti sa inlocuiti salvarea " + name + "?");
  EXPECT_TRUE(stillOpen);  // NU: nothing saved, the window stays
  EXPECT_EQ(ReadFile(old), "older backup");

  seen = Open({Click("ConvexBtn1"), ChooseFile(Path(old)), Press("Da"), Press("Bo")});
  EXPECT_EQ((*seen)[3].text, kSaved);
  const auto members = archive::VerifyArchive(old);
  // The replaced archive is not carried inside the new one.
  ASSERT_EQ(members.size(), 3u);
  for (const auto& m : members) EXPECT_TRUE(m.storedName.starts_with("Data\\")) << m.storedName;
}

TEST_F(Backup, RestoreReplacesDataAndAsksForTheRestart) {
  // An archive made in another installation, with an Arhiva member although
  // this one has no Arhiva folder.
  TempFolder other;
  WriteFile(other / "Data" / "Magazie.dbf", RandomBytes(70000, 12));
  WriteFile(other / "Data" / "Gol.dbt", "");
  WriteFile(other / "Arhiva" / "nota.txt", "din alta parte");
  archive::WriteArchive(other / "alta.rsv", archive::ListSourceFiles(other.path()));
  WriteFile(Data() / "Plati.dbf", "a table the archive lacks");
  QDir::setCurrent(QString::fromStdString(other.path().string()));  // as if the dialogs browsed

  const auto seen = Open({Click("ConvexBtn2"),
                          [&](QWidget* d) {
                            EXPECT_EQ(d->windowTitle(), "Indicati salvarea precedenta");
                            EXPECT_EQ(qobject_cast<QFileDialog*>(d)->nameFilters(),
                                      QStringList{"Salvari Lumicraft (*.rsv)"});
                            ChooseFile(Path(other / "alta.rsv"))(d);
                          },
                          Press("Bo")});
  EXPECT_EQ((*seen)[2].title, "INFORMARE");
  EXPECT_EQ((*seen)[2].text, Lines(kRestored));
  EXPECT_EQ(Snapshot(Data()), Snapshot(other / "Data"));
  EXPECT_EQ(ReadFile(Root() / "Arhiva" / "nota.txt"), "din alta parte");
  EXPECT_EQ(Contor()->Label1->text(), "Restaurez baza de date...");
  EXPECT_EQ(reporniri_, 1);
  EXPECT_EQ(titluLaRepornire_, "Restart");
  EXPECT_EQ(folderLaRepornire_, CaleProgram);
}

TEST_F(Backup, ArchiveKeptInsideDataRestoresAndStays) {
  TempFolder other;
  WriteFile(other / "Data" / "CapCom.dbf", RandomBytes(20000, 16));
  archive::WriteArchive(Data() / "aici.rsv", archive::ListSourceFiles(other.path()));
  const std::string archiveBytes = ReadFile(Data() / "aici.rsv");
  const auto seen = Open({Click("ConvexBtn2"), ChooseFile(Path(Data() / "aici.rsv")), Press("Bo")});
  EXPECT_EQ((*seen)[2].text, Lines(kRestored));
  auto expected = Snapshot(other / "Data");
  expected["aici.rsv"] = archiveBytes;
  EXPECT_EQ(Snapshot(Data()), expected);
}

TEST_F(Backup, DamagedArchivesLeaveDataExactlyAsItWas) {
  const std::string good = ArchiveBytes(
      {{"Data\\Magazie.dbf", RandomBytes(5000, 13)}, {"Data\\Plati.dbf", std::string(3000, 'p')}});
  std::string corrupted = good;
  corrupted[good.size() - 1500] = static_cast<char>(corrupted[good.size() - 1500] ^ 0x40);
  struct Case {
    const char* what;
    std::string bytes;
  };
  const std::vector<Case> cases = {
      {"truncated", good.substr(0, good.size() - 10)},
      {"corrupted", corrupted},
      {"wrong size", ArchiveBytes({{"Data\\Magazie.dbf", "abc", 4}})},
      {"climbs out", ArchiveBytes({{"Data\\Magazie.dbf", "ok"}, {"..\\afara.txt", "x"}})},
      {"empty file", ""},
  };
  const auto before = Snapshot(Data());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path file = Root() / "rea.rsv";
    WriteFile(file, c.bytes);
    bool stillOpen = false;
    const auto seen = Open({Click("ConvexBtn2"), ChooseFile(Path(file)), Then(Press("Bo"), [&] {
                              stillOpen = Form21()->isVisible();
                              EscapeLater(Form21())();
                            })});
    EXPECT_EQ((*seen)[2].title, "DEFECTIUNE !");
    EXPECT_TRUE((*seen)[2].text.contains("este deteriorata")) << (*seen)[2].text.toStdString();
    EXPECT_TRUE((*seen)[2].text.contains("Datele programului au ramas neschimbate."));
    EXPECT_TRUE(stillOpen);  // nothing happened: the window stays
    EXPECT_EQ(Snapshot(Data()), before);
    EXPECT_FALSE(fs::exists(Root().parent_path() / "afara.txt"));
    EXPECT_EQ(reporniri_, 0);
  }
}

TEST_F(Backup, MissingArchiveIsReported) {
  const auto before = Snapshot(Data());
  const QString name = QDir::toNativeSeparators(Path(Root() / "nu-e.rsv"));
  const auto seen = Open({Click("ConvexBtn2"), ChooseFile(Path(Root() / "nu-e.rsv")),
                          Then(Press("Bo"), EscapeLater(Form21()))});
  EXPECT_EQ((*seen)[2].text, "Salvarea " + name + " nu exista !");
  EXPECT_EQ(Snapshot(Data()), before);
  EXPECT_EQ(reporniri_, 0);
}

TEST_F(Backup, CancelledDialogsAndEscapeChangeNothing) {
  QDir::setCurrent(QDir::tempPath());
  Open({[](QWidget* d) {
    Dialogs cancel({Escape()});
    drive::clickOn(d, "ConvexBtn1");
    Dialogs cancelToo({Escape()});
    drive::clickOn(d, "ConvexBtn2");
    EXPECT_EQ(child<QStatusBar>(d, "StatusBar1")->currentMessage(), "ESC - Iesire");
    EXPECT_EQ(child<QPushButton>(d, "ConvexBtn1")->toolTip(), "Salveaza toate datele programului.");
    EXPECT_EQ(child<QPushButton>(d, "ConvexBtn2")->toolTip(),
              "Sterge toate datele programului si le inlocuieste cu o salvare anterioara.");
    Escape()(d);
  }});
  EXPECT_FALSE(Form21()->isVisible());
  EXPECT_EQ(QDir::currentPath(), CaleProgram);
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(Root()))
    names.push_back(e.path().filename().string());
  EXPECT_EQ(names, std::vector<std::string>{"Data"});  // no archive, no scratch file
}

// Files may grow only this far while it is alive: the disk seems full past it.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &saved_);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved_); }

 private:
  rlimit saved_{};
};

TEST_F(Backup, SaveFailingPartWayLeavesNoArchiveAndSaysSo) {
  WriteFile(Data() / "Mare.dbf", RandomBytes(400000, 14));
  std::unique_ptr<Dialogs> seen;
  {
    const FileSizeLimit limit(200000);
    seen = Open({Click("ConvexBtn1"), ChooseFile("plina"), Press("Bo")});
  }
  EXPECT_EQ((*seen)[2].title, "DEFECTIUNE !");
  EXPECT_TRUE((*seen)[2].text.startsWith("Salvarea nu a fost facuta !"));
  EXPECT_FALSE(fs::exists(Root() / "plina.rsv"));
  EXPECT_FALSE(fs::exists(Root() / "plina.rsv.part"));
  EXPECT_TRUE(Form21()->isEnabled());
}

TEST_F(Backup, RestoreFailingPartWayKeepsWholeFilesAndStillRestarts) {
  TempFolder other;
  WriteFile(other / "Data" / "Clienti.dbf", "mic");
  WriteFile(other / "Data" / "Comenzi.dbf", RandomBytes(400000, 15));
  archive::WriteArchive(other / "mare.rsv", archive::ListSourceFiles(other.path()));
  std::unique_ptr<Dialogs> seen;
  {
    const FileSizeLimit limit(200000);
    seen = Open({Click("ConvexBtn2"), ChooseFile(Path(other / "mare.rsv")), Press("Bo")});
  }
  EXPECT_EQ((*seen)[2].title, "DEFECTIUNE !");
  EXPECT_TRUE((*seen)[2].text.startsWith("Restaurarea nu s-a terminat !"));
  // Only what was written whole is there; the old tables are gone, as the restore began.
  const auto now = Snapshot(Data());
  EXPECT_FALSE(now.contains("Comenzi.dbf"));
  EXPECT_FALSE(now.contains("Magazie.dbf"));
  EXPECT_FALSE(fs::exists(Root() / ".lumi-restore"));
  EXPECT_EQ(reporniri_, 1);
}

}  // namespace
}  // namespace lumi::testing
