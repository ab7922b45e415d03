#pragma once
// The words of a PDF with their boxes, read back with `pdftotext -bbox`, in
// millimetres from the paper's top-left corner.
#include <string>
#include <vector>

namespace lumi::print::testing {

struct PdfWord {
  std::string text;
  double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
  double Middle() const { return (xMin + xMax) / 2; }
};

struct PdfPage {
  double widthMm = 0, heightMm = 0;
  std::vector<PdfWord> words;
  // The words equal to `text`, top to bottom and left to right.
  std::vector<PdfWord> All(const std::string& text) const;
  // The one word equal to `text`; fails the test when there is not exactly one.
  PdfWord One(const std::string& text) const;
};

// Fails the test (and returns no pages) when pdftotext cannot read the file.
std::vector<PdfPage> ReadPdfWords(const std::string& path);

// The fonts pdffonts lists for the file.
std::string PdfFonts(const std::string& path);

}  // namespace lumi::print::testing
