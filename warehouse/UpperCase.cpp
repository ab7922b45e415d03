#include "warehouse/UpperCase.h"

#include <QLineEdit>

QValidator::State UpperCaseValidator::validate(QString& input, int&) const {
  input = input.toUpper();
  return Acceptable;
}

void MakeUpperCase(QLineEdit* edit) { edit->setValidator(new UpperCaseValidator(edit)); }
