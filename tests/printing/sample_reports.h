#pragma once
// Reports shaped like the workshop's documents, and rows to fill them: the
// two-column stock list and the one-column work list.
#include <string>

#include "printing/report.h"
#include "printing/row_table.h"

namespace lumi::print::testing {

// Two columns 2 mm apart: a title with the date at the right edge and a
// centred heading, column headers with a double line, a name and a stock
// figure per row, and "Pag. " with the page number in the footer.
Report StockListReport();

// One column: a centred title, column headers, numbered detail rows with a
// line under each, and a summary with a signature line.
Report WorkListReport();

// Rows for StockListReport: DENUMIRE and STOC; every seventh stock is empty.
RowTable StockRows(int count);

// Rows for WorkListReport: DENUMIRE, UM, CANT, LUNG, LAT, BUC.
RowTable WorkRows(int count);

// Where a test writes `fileName`: in $LUMI_PRINT_SAMPLES when set (to keep
// the files for looking at), else in a temporary folder of this process.
std::string OutputPath(const std::string& fileName);

}  // namespace lumi::print::testing
