#pragma once
// Numbers through a display format: "0", "0.00", "0.000", and the same with a
// thousands separator ("#,##0.00"). Rounds half away from zero on the decimal
// value as written ("2.675" gives "2.68"), not on its binary approximation.
#include <QString>

namespace lumi::print {

class NumberFormat {
 public:
  // Throws ReportError for a format it does not know.
  explicit NumberFormat(const QString& pattern);

  QString Apply(double value) const;

 private:
  int decimals_ = 0;
  int minIntegerDigits_ = 1;
  bool grouped_ = false;
};

}  // namespace lumi::print
