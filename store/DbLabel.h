// A label showing one field of a query's current row, formatted as the grid
// shows it; empty while the query is closed or has no row.
#pragma once

#include <QLabel>

#include "store/QueryLink.h"

class DbLabel : public QLabel {
  Q_OBJECT

 public:
  explicit DbLabel(QWidget* parent = nullptr);

  // Shows `field` of `query` (none: nothing), with `format` or else the
  // field's own display format.
  void SetDataSource(lumi::TQuery* query, const QString& field, const QString& format = {});
  const QString& DataField() const { return field_; }

 private:
  void Refresh();

  QueryLink link_;
  QString field_;
  QString format_;
};
