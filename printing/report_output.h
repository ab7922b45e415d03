#pragma once
// Where a laid-out report goes: straight to the default printer, through the
// print dialog, or to a PDF file the user names. Every way shows a progress
// window (or calls the caller's own PageProgress) and can be stopped.
//
// With no printer installed the user is told so and may save a PDF instead;
// nothing is written unless the user asks for it.
#include <QString>

#include "printing/page_painter.h"
#include "printing/report_layout.h"

class QWidget;

namespace lumi::print {

enum class PrintOutcome { Printed, SavedAsPdf, Cancelled, Failed };

// The texts the user sees.
inline constexpr const char* kPrintTitle = "Tiparire";
inline constexpr const char* kNoPrinterText =
    "Nu este instalata nici o imprimanta.\nDoriti sa salvati documentul ca fisier PDF?";

// Sends every page to the default printer, without a dialog.
PrintOutcome PrintToDefaultPrinter(const LaidOutReport& report, QWidget* parent,
                                   const PageProgress& progress = {});

// Lets the user pick the printer, the pages and the copies, then prints.
PrintOutcome PrintWithDialog(const LaidOutReport& report, QWidget* parent,
                             const PageProgress& progress = {});

// Asks for a file name (".pdf" is added when missing) and writes the PDF.
PrintOutcome SavePdfAs(const LaidOutReport& report, QWidget* parent,
                       const PageProgress& progress = {});

// Lays the report out from `rows` and sends it to the default printer.
PrintOutcome PrintToDefaultPrinter(const Report& report, RowCursor& rows, QWidget* parent,
                                   const PageProgress& progress = {});

// True when the system has a printer to print on.
bool HasPrinter();

}  // namespace lumi::print
