#pragma once
// Paints laid-out pages on a printer: the real one, a PDF file or the preview.
#include <QFont>
#include <QString>
#include <functional>

#include "printing/report_layout.h"

class QPainter;
class QPrinter;

namespace lumi::print {

// The font to draw a report font with. Where Arial is not installed it is
// drawn with Liberation Sans, which has the same metrics.
QFont ToQFont(const ReportFont& font);

// Paper, orientation, margins and job name of the report.
void SetUpPrinter(QPrinter& printer, const LaidOutReport& report);

// Called with the pages done so far and the page count: before each page and
// once at the end. Returning false stops the printing.
using PageProgress = std::function<bool(int page, int pageCount)>;

// Paints pages `first` to `last` (0-based; -1: to the end) on `painter`, open
// on `printer` set up by SetUpPrinter. Returns false when `progress` stopped it.
bool PaintPages(QPainter& painter, QPrinter& printer, const LaidOutReport& report,
                const PageProgress& progress = {}, int first = 0, int last = -1);

// Writes the report to a PDF file. Throws ReportError when it cannot.
void WritePdf(const LaidOutReport& report, const QString& path);

}  // namespace lumi::print
