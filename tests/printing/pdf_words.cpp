#include "tests/printing/pdf_words.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <algorithm>

namespace lumi::print::testing {

namespace {

constexpr double kMmPerPoint = 25.4 / 72.0;

QString Run(const QString& program, const QStringList& args) {
  QProcess process;
  process.start(program, args);
  if (!process.waitForFinished(60000) || process.exitCode() != 0) {
    ADD_FAILURE() << program.toStdString()
                  << " failed: " << process.readAllStandardError().toStdString();
    return {};
  }
  return QString::fromUtf8(process.readAllStandardOutput());
}

}  // namespace

std::vector<PdfWord> PdfPage::All(const std::string& text) const {
  std::vector<PdfWord> found;
  for (const PdfWord& w : words)
    if (w.text == text) found.push_back(w);
  std::sort(found.begin(), found.end(), [](const PdfWord& a, const PdfWord& b) {
    return a.yMin != b.yMin ? a.yMin < b.yMin : a.xMin < b.xMin;
  });
  return found;
}

PdfWord PdfPage::One(const std::string& text) const {
  const std::vector<PdfWord> found = All(text);
  EXPECT_EQ(found.size(), 1u) << "word \"" << text << "\"";
  return found.empty() ? PdfWord{} : found.front();
}

std::vector<PdfPage> ReadPdfWords(const std::string& path) {
  const QString xml = Run("pdftotext", {"-bbox", QString::fromStdString(path), "-"});
  static const QRegularExpression pageTag(R"re(<page width="([\d.]+)" height="([\d.]+)">)re");
  static const QRegularExpression wordTag(
      R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re");
  std::vector<PdfPage> pages;
  for (const QString& line : xml.split('\n')) {
    if (const auto m = pageTag.match(line); m.hasMatch()) {
      pages.push_back(PdfPage{
          m.captured(1).toDouble() * kMmPerPoint, m.captured(2).toDouble() * kMmPerPoint, {}});
    } else if (const auto w = wordTag.match(line); w.hasMatch() && !pages.empty()) {
      QString text = w.captured(5);
      text.replace("&lt;", "<").replace("&gt;", ">").replace("&quot;", "\"").replace("&apos;", "'");
      text.replace("&amp;", "&");
      pages.back().words.push_back(
          PdfWord{text.toStdString(), w.captured(1).toDouble() * kMmPerPoint,
                  w.captured(2).toDouble() * kMmPerPoint, w.captured(3).toDouble() * kMmPerPoint,
                  w.captured(4).toDouble() * kMmPerPoint});
    }
  }
  return pages;
}

std::string PdfFonts(const std::string& path) {
  return Run("pdffonts", {QString::fromStdString(path)}).toStdString();
}

}  // namespace lumi::print::testing
