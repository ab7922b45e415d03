// The preview window, and what happens when there is no printer: driven as a
// user would, through the named actions, buttons and file dialog.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintPreviewWidget>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "printing/report_output.h"
#include "printing/report_preview.h"
#include "tests/printing/pdf_words.h"
#include "tests/printing/sample_reports.h"
#include "tests/support/Drive.h"

namespace lumi::print::testing {
namespace {

void Trigger(QWidget* window, const char* action) {
  QAction* a = window->findChild<QAction*>(action);
  ASSERT_NE(a, nullptr) << action;
  a->trigger();
}

// Types a name into the save dialog and accepts it.
void SaveAs(QWidget* dialog, const QString& name) {
  ASSERT_NE(qobject_cast<QFileDialog*>(dialog), nullptr);
  auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
  ASSERT_NE(edit, nullptr);
  edit->setText(name);
  QTest::keyClick(edit, Qt::Key_Return);
}

class Preview : public ::testing::Test {
 protected:
  void SetUp() override {
    // The PDF goes to the user's documents folder: make it an empty one.
    ASSERT_TRUE(home_.isValid());
    qputenv("HOME", home_.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home_.path() + "/.config").toUtf8());
    documents_ = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    ASSERT_TRUE(documents_.startsWith(home_.path())) << documents_.toStdString();
    QDir().mkpath(documents_);
    RowTable rows = StockRows(500);
    report_ = LayOut(StockListReport(), rows);
    ASSERT_EQ(report_.pages.size(), 6u);
  }

  QStringList Documents() const { return QDir(documents_).entryList(QDir::Files); }

  QTemporaryDir home_;
  QString documents_;
  LaidOutReport report_;
};

TEST_F(Preview, OpensMaximisedPagesThroughAndZoomsThenCloses) {
  bool seen = false;
  drive::onNextModal([&](QWidget* modal) {
    auto* preview = qobject_cast<ReportPreview*>(modal);
    ASSERT_NE(preview, nullptr);
    seen = true;
    EXPECT_TRUE(preview->windowState() & Qt::WindowMaximized);
    EXPECT_EQ(preview->windowTitle(), "Previzualizare - INVENTAR");
    EXPECT_EQ(preview->PageCount(), 6);
    EXPECT_EQ(preview->CurrentPage(), 1);

    struct Step {
      const char* action;
      int page;
    };
    for (const Step& s : {Step{"NextPage", 2}, Step{"LastPage", 6}, Step{"NextPage", 6},
                          Step{"PreviousPage", 5}, Step{"FirstPage", 1}, Step{"PreviousPage", 1}}) {
      Trigger(preview, s.action);
      EXPECT_EQ(preview->CurrentPage(), s.page) << s.action;
      EXPECT_EQ(preview->findChild<QSpinBox*>("PageNumber")->value(), s.page) << s.action;
    }
    preview->findChild<QSpinBox*>("PageNumber")->setValue(4);
    EXPECT_EQ(preview->CurrentPage(), 4);

    const qreal fitted = preview->View()->zoomFactor();
    Trigger(preview, "ZoomIn");
    EXPECT_GT(preview->View()->zoomFactor(), fitted);
    Trigger(preview, "ZoomOut");
    Trigger(preview, "ZoomOut");
    EXPECT_LT(preview->View()->zoomFactor(), fitted);
    Trigger(preview, "FitWidth");
    EXPECT_EQ(preview->View()->zoomMode(), QPrintPreviewWidget::FitToWidth);

    if (!qEnvironmentVariableIsEmpty("LUMI_PRINT_SAMPLES"))  // a picture to look at
      preview->grab().save(QString::fromStdString(OutputPath("preview.png")));
    Trigger(preview, "ClosePreview");
  });
  ShowPreview(report_);
  EXPECT_TRUE(seen);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_TRUE(Documents().isEmpty());
}

TEST_F(Preview, WithNoPrinterTheUserIsToldAndNothingIsWrittenUnlessAsked) {
  if (HasPrinter()) GTEST_SKIP() << "this machine has a printer";

  // Straight to the printer, answered "NU": nothing written.
  auto asked = drive::pressInNextModal("NU");
  EXPECT_EQ(PrintToDefaultPrinter(report_, nullptr), PrintOutcome::Cancelled);
  EXPECT_EQ(asked->objectName, "NoPrinterBox");
  EXPECT_EQ(asked->text, kNoPrinterText);
  EXPECT_TRUE(Documents().isEmpty());

  // From the preview's print button, "NU" returns to the preview.
  drive::onNextModal([&](QWidget* preview) {
    auto again = drive::pressInNextModal("NU");
    Trigger(preview, "Print");
    EXPECT_EQ(again->objectName, "NoPrinterBox");
    EXPECT_EQ(QApplication::activeModalWidget(), preview);
    Trigger(preview, "ClosePreview");
  });
  ShowPreview(report_);
  EXPECT_TRUE(Documents().isEmpty());

  // Answered "DA": the save dialog, then the whole document as a PDF; the
  // ".pdf" the user left out is added.
  drive::onNextModal([&](QWidget* box) {
    drive::onNextModal([](QWidget* dialog) { SaveAs(dialog, "inventar"); });
    drive::clickOn(box, "DA");
  });
  EXPECT_EQ(PrintToDefaultPrinter(report_, nullptr), PrintOutcome::SavedAsPdf);
  EXPECT_EQ(Documents(), QStringList{"inventar.pdf"});
  const auto pages = ReadPdfWords((documents_ + "/inventar.pdf").toStdString());
  EXPECT_EQ(pages.size(), 6u);
}

TEST_F(Preview, SavesAPdfFromThePreviewAndCancelsCleanly) {
  drive::onNextModal([&](QWidget* preview) {
    // The save dialog cancelled: nothing written, back in the preview.
    auto cancelled = drive::escapeNextModal();
    Trigger(preview, "SavePdf");
    EXPECT_EQ(cancelled->objectName, "SavePdfDialog");
    EXPECT_TRUE(Documents().isEmpty());
    EXPECT_EQ(QApplication::activeModalWidget(), preview);

    drive::onNextModal([](QWidget* dialog) { SaveAs(dialog, "lista.pdf"); });
    Trigger(preview, "SavePdf");
    Trigger(preview, "ClosePreview");
  });
  ShowPreview(report_);
  EXPECT_EQ(Documents(), QStringList{"lista.pdf"});
}

// Answers the save dialog with an existing file's name, and "Yes" to
// replacing it.
void ReplaceExisting(QWidget* dialog, const QString& name) {
  drive::onNextModal([](QWidget* ask) {
    auto* box = qobject_cast<QMessageBox*>(ask);
    ASSERT_NE(box, nullptr);
    box->button(QMessageBox::Yes)->click();
  });
  SaveAs(dialog, name);
}

TEST_F(Preview, StoppedPrintingKeepsTheFileItWasToReplace) {
  const QString path = documents_ + "/lista.pdf";
  {
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
  }
  std::vector<std::pair<int, int>> calls;
  auto stopAtThird = [&](int done, int count) {
    calls.emplace_back(done, count);
    return done < 2;
  };
  drive::onNextModal([](QWidget* dialog) { ReplaceExisting(dialog, "lista.pdf"); });
  EXPECT_EQ(SavePdfAs(report_, nullptr, stopAtThird), PrintOutcome::Cancelled);
  EXPECT_EQ(calls, (std::vector<std::pair<int, int>>{{0, 6}, {1, 6}, {2, 6}}));
  EXPECT_EQ(Documents(), QStringList{"lista.pdf"});  // no part file left either
  {
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), "old");
  }

  // Let through to the end, the new document replaces the old file.
  calls.clear();
  auto all = [&](int done, int count) {
    calls.emplace_back(done, count);
    return true;
  };
  drive::onNextModal([](QWidget* dialog) { ReplaceExisting(dialog, "lista.pdf"); });
  EXPECT_EQ(SavePdfAs(report_, nullptr, all), PrintOutcome::SavedAsPdf);
  ASSERT_EQ(calls.size(), 7u);  // before each page and once at the end
  EXPECT_EQ(calls.back(), std::make_pair(6, 6));
  EXPECT_EQ(Documents(), QStringList{"lista.pdf"});
  EXPECT_EQ(ReadPdfWords(path.toStdString()).size(), 6u);
}

}  // namespace
}  // namespace lumi::print::testing
