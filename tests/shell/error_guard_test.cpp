// The error guard: an error thrown by an event handler is reported with its
// text and the program goes on.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <stdexcept>

#include "engine/error.h"
#include "shell/ErrorGuard.h"
#include "tests/support/Drive.h"

namespace {

TEST(ErrorGuard, HandlerErrorsAreReportedAndTheLoopGoesOn) {
  drive::ErrorReports erori;
  QPushButton b("x");
  int dupa = 0;
  QObject::connect(&b, &QPushButton::clicked,
                   [] { throw lumi::EngineError("Tabela \"Magazie.dbf\" nu poate fi deschisa"); });
  QTimer::singleShot(0, [] { throw std::runtime_error("a doua"); });
  QTimer::singleShot(5, [&] { ++dupa; });
  QTest::mouseClick(&b, Qt::LeftButton);
  QTest::qWait(30);
  EXPECT_EQ(erori.texts(), (QStringList{"Tabela \"Magazie.dbf\" nu poate fi deschisa", "a doua"}));
  EXPECT_EQ(dupa, 1);
}

TEST(ErrorGuard, ReportIsAMessageBoxWithTheText) {
  auto* salvat = RaportorErori();
  RaportorErori() = nullptr;
  auto vazut = drive::pressInNextModal("OK");
  ArataEroarea(std::make_exception_ptr(std::runtime_error("Disc plin")));
  RaportorErori() = salvat;
  EXPECT_EQ(vazut->objectName, "EroareAplicatie");
  EXPECT_EQ(vazut->text, "Disc plin");
}

}  // namespace
