// Makes an edit box turn every letter typed or pasted into it to upper case
// before the text changes, so its change handlers only ever see upper case.
#pragma once

#include <QValidator>

class QLineEdit;

class UpperCaseValidator : public QValidator {
  Q_OBJECT

 public:
  using QValidator::QValidator;
  State validate(QString& input, int& pos) const override;
};

// Gives `edit` an UpperCaseValidator owned by it.
void MakeUpperCase(QLineEdit* edit);
