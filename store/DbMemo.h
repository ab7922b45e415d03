// A read-only, scrollable box showing a memo field of a query's current row;
// empty while the query is closed or has no row.
#pragma once

#include <QPlainTextEdit>

#include "store/QueryLink.h"

class DbMemo : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit DbMemo(QWidget* parent = nullptr);

  void SetDataSource(lumi::TQuery* query, const QString& field);
  const QString& DataField() const { return field_; }

 private:
  void Refresh();

  QueryLink link_;
  QString field_;
};
