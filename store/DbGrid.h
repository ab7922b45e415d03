// The read-only data grid of the list windows: shows a query through a
// QueryModel, selects whole rows, and keeps its current row and the query's
// current row together in both directions (a Locate in the window moves the
// grid; a click or a key in the grid moves the query and runs its
// after-scroll). Column titles can report clicks to the window, which then
// orders its list itself.
#pragma once

#include <QTableView>
#include <vector>

#include "store/QueryModel.h"

class DbGrid : public QTableView {
  Q_OBJECT

 public:
  explicit DbGrid(QWidget* parent = nullptr);
  // A grid on a model of the caller's (a QueryModel subclass), which it takes over.
  DbGrid(QueryModel* model, QWidget* parent);

  // The query shown (none: an empty grid). The grid does not own it.
  void SetQuery(lumi::TQuery* query);
  lumi::TQuery* Query() const { return model_->Query(); }
  QueryModel* Model() const { return model_; }

  // The columns, in order; their widths are applied at once.
  void SetColumns(std::vector<QueryModel::Column> columns);
  // Whether the row of column titles is shown.
  void SetTitlesVisible(bool on);
  // Whether a click on a column title is reported with TitleClick.
  void SetTitlesClickable(bool on);

 signals:
  void TitleClick(int column, const QString& field);
  // A double click on a row, after the query has moved to it.
  void DblClick();

 private:
  void FollowQuery(int row);
  void FollowGrid(const QModelIndex& current);
  void ApplyWidths();

  QueryModel* model_;
};
