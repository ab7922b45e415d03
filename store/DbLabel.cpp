#include "store/DbLabel.h"

#include <exception>

#include "store/QueryModel.h"

DbLabel::DbLabel(QWidget* parent) : QLabel(parent) {}

void DbLabel::SetDataSource(lumi::TQuery* query, const QString& field, const QString& format) {
  field_ = field;
  format_ = format;
  link_.Bind(query, [this](lumi::QueryEvent) { Refresh(); });
  Refresh();
}

void DbLabel::Refresh() {
  QString shown;
  lumi::TQuery* query = link_.Open();
  if (query != nullptr && !query->IsEmpty()) {
    if (lumi::TField* f = query->FindField(field_.toStdString())) {
      try {
        shown = DisplayText(query->Cell(query->RecNo(), f->Index()), *f, format_);
      } catch (const std::exception&) {
        shown.clear();  // an unreadable value shows as nothing
      }
    }
  }
  setText(shown);
}
