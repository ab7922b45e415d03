// The item model that grids show an open query through: one row per row the
// query's filter lets through, one column per grid column. Cells are read on
// demand with TQuery::Cell, so a screen of a large result converts only the
// rows on that screen.
//
// The query's current row and the grid's current row follow each other: the
// model reports every move of the query with CurrentRowChanged, and MoveTo
// moves the query (running its after-scroll) when the user picks a row.
// Reopening or refiltering the query keeps the columns and tells the view
// which rows went or came and that the rest changed, so the view keeps its
// column widths and scroll position; only a new set of fields in a model
// without declared columns resets it.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <vector>

#include "engine/query.h"
#include "store/QueryLink.h"

// Text of one field value as grids and bound labels show it: numbers by the
// display format ("0.000", "0.00") or in their shortest form, dates by the
// format ("dd.MMM.yyyy") or in the short date form, logicals as True/False.
QString DisplayText(const lumi::dbf::Value& value, const lumi::TField& field,
                    const QString& format = {});

class QueryModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // One column of the grid.
  struct Column {
    QString field = {};  // name of the query's field
    QString title = {};  // the column title; empty: the field's name
    // How the cells sit; empty: numbers to the right, everything else to the left.
    Qt::Alignment alignment = {};
    bool boldTitle = false;
    bool bold = false;  // the cells in bold
    bool centredTitle = false;
    bool checkBox = false;  // a logical shown as a tick
    QString format = {};    // empty: the field's own display format
    int width = 0;          // in pixels; 0: the grid's default
  };

  explicit QueryModel(lumi::TQuery* query, QObject* parent = nullptr);

  lumi::TQuery* Query() const { return link_.Query(); }
  // Binds another query (or none); the view is reset.
  void SetQuery(lumi::TQuery* query);

  // Declares the columns. With none declared, every field of the query is a
  // column titled with its name.
  void SetColumns(std::vector<Column> columns);
  const std::vector<Column>& Columns() const { return columns_; }
  // The field shown in `column`, empty when out of range.
  QString ColumnField(int column) const;

  // The row the query stands on, -1 when it has none.
  int CurrentRow() const;
  // Moves the query to `row` as the user's choice, running its after-scroll.
  // Ignored while the model is bringing the view up to date, so that the
  // view's own reactions to row changes never move the query.
  void MoveTo(int row);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 signals:
  // The query's current row moved (or the rows changed); -1 when it has none.
  void CurrentRowChanged(int row);

 private:
  void Listen(lumi::QueryEvent event);
  // Brings rows, fields and current row in line with the query.
  void Sync();
  void ResolveFields();
  std::vector<QString> QueryFieldNames() const;
  // One plain column per field, when no columns are declared.
  void ColumnsFromFields();
  int QueryRows() const;
  const lumi::TField* FieldOf(int column) const;

  QueryLink link_;
  std::vector<Column> columns_;
  bool declared_ = false;             // columns given by SetColumns
  std::vector<int> fieldIndex_;       // per column; -1 when the query lacks the field
  std::vector<QString> shownFields_;  // the field names of the columns last shown
  int rows_ = 0;                      // rows the view knows about
  bool syncing_ = false;
};
