#include "printing/print_progress.h"

namespace lumi::print {

PrintProgress::PrintProgress(const QString& title, QWidget* parent)
    : dialog_(new QProgressDialog(parent)) {
  dialog_->setObjectName("PrintProgress");
  dialog_->setWindowTitle(title);
  dialog_->setLabelText("Se tipareste...");
  dialog_->setCancelButtonText("Renunt");
  dialog_->setWindowModality(Qt::ApplicationModal);
  dialog_->setMinimumDuration(0);
  dialog_->setAutoClose(false);
  dialog_->setAutoReset(false);
}

PrintProgress::~PrintProgress() { delete dialog_; }

PageProgress PrintProgress::Callback() {
  return [dialog = dialog_](int done, int count) {
    if (!dialog) return false;
    dialog->setMaximum(count);
    dialog->setLabelText(done < count
                             ? QString("Se tipareste pagina %1 din %2").arg(done + 1).arg(count)
                             : QString("Tiparirea s-a terminat"));
    dialog->setValue(done);  // a modal progress window lets pending events run here
    return !dialog->wasCanceled();
  };
}

}  // namespace lumi::print
