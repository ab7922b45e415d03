// TNumericF: a single-line box for decimal numbers. Every typed character is
// filtered so that the text stays a well-formed number with at most MaskInt
// digits before the decimal separator and MaskZec after it.
#pragma once

#include <QLineEdit>
#include <functional>

class TNumericF : public QLineEdit {
  Q_OBJECT
  Q_PROPERTY(int MaskInt MEMBER MaskInt)
  Q_PROPERTY(int MaskZec MEMBER MaskZec)

 public:
  explicit TNumericF(QWidget* parent = nullptr);

  // Digits before the separator: at most |MaskInt|. A positive value forbids
  // the minus sign; 0 or a negative value allows one leading minus. MaskInt 0
  // with MaskZec 0 sets no limit; MaskInt 0 with MaskZec > 0 allows no digit
  // before the separator.
  int MaskInt = 0;
  // Digits after the separator; 0 forbids the separator.
  int MaskZec = 0;

  // The text as a number; 0 for a text that is not one ("", "-").
  double ValoareNumerica() const;
  // Whether a candidate text fits the masks.
  bool TextAcceptat(const QString& text) const;

  // The field's own key-press event, run before the filter. It may change
  // the character or set it to null to drop it.
  std::function<void(QChar& key)> OnKeyPress;

 signals:
  // A typed key was refused; the system beep sounded.
  void Refuzat();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;

 private:
  // One typed character: the field's own key-press, the filter, the edit.
  void Tasteaza(QChar k);
  // The filter for one typed character: true when the box should apply it.
  bool Filtreaza(QChar k);
  void Refuza();
};
