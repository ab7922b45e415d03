#include "store/DbMemo.h"

#include <exception>

#include "store/QueryModel.h"

DbMemo::DbMemo(QWidget* parent) : QPlainTextEdit(parent) {
  setReadOnly(true);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

void DbMemo::SetDataSource(lumi::TQuery* query, const QString& field) {
  field_ = field;
  link_.Bind(query, [this](lumi::QueryEvent) { Refresh(); });
  Refresh();
}

void DbMemo::Refresh() {
  QString text;
  lumi::TQuery* query = link_.Open();
  if (query != nullptr && !query->IsEmpty()) {
    if (lumi::TField* f = query->FindField(field_.toStdString())) {
      try {
        text = DisplayText(query->Cell(query->RecNo(), f->Index()), *f);
      } catch (const std::exception&) {
        text.clear();
      }
    }
  }
  // Notes are stored with CR LF line ends.
  text.replace("\r\n", "\n");
  if (text != toPlainText()) setPlainText(text);
}
