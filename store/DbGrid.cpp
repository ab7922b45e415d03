#include "store/DbGrid.h"

#include <QApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPainter>
#include <QStyledItemDelegate>

namespace {

// Draws the tick of a logical column in the middle of its cell.
class CheckBoxDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    const QVariant state = index.data(Qt::CheckStateRole);
    if (!state.isValid()) {
      QStyledItemDelegate::paint(painter, option, index);
      return;
    }
    QStyleOptionViewItem tick(option);
    initStyleOption(&tick, index);
    QStyle* style = tick.widget ? tick.widget->style() : QApplication::style();
    QStyleOptionViewItem panel(tick);
    panel.features &= ~QStyleOptionViewItem::HasCheckIndicator;
    style->drawControl(QStyle::CE_ItemViewItem, &panel, painter, panel.widget);
    const QSize box(style->pixelMetric(QStyle::PM_IndicatorWidth, &tick, tick.widget),
                    style->pixelMetric(QStyle::PM_IndicatorHeight, &tick, tick.widget));
    tick.rect = QStyle::alignedRect(option.direction, Qt::AlignCenter, box, option.rect);
    tick.state = tick.state & ~QStyle::State_HasFocus;
    tick.state |= state.toInt() == Qt::Checked ? QStyle::State_On : QStyle::State_Off;
    style->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &tick, painter, tick.widget);
  }
};

}  // namespace

DbGrid::DbGrid(QWidget* parent) : DbGrid(new QueryModel(nullptr), parent) {}

DbGrid::DbGrid(QueryModel* model, QWidget* parent) : QTableView(parent), model_(model) {
  model_->setParent(this);
  setModel(model_);
  setItemDelegate(new CheckBoxDelegate(this));
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setTabKeyNavigation(false);
  setWordWrap(false);
  setCornerButtonEnabled(false);
  // Every row has the same height, so the view never measures rows it does
  // not show.
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  horizontalHeader()->setSectionsClickable(false);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);

  connect(model_, &QueryModel::CurrentRowChanged, this, &DbGrid::FollowQuery);
  connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current, const QModelIndex&) { FollowGrid(current); });
  connect(horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int section) {
    if (horizontalHeader()->sectionsClickable())
      emit TitleClick(section, model_->ColumnField(section));
  });
  connect(this, &QAbstractItemView::doubleClicked, this,
          [this](const QModelIndex&) { emit DblClick(); });
}

void DbGrid::SetQuery(lumi::TQuery* query) {
  model_->SetQuery(query);
  ApplyWidths();
  FollowQuery(model_->CurrentRow());
}

void DbGrid::SetColumns(std::vector<QueryModel::Column> columns) {
  model_->SetColumns(std::move(columns));
  ApplyWidths();
  FollowQuery(model_->CurrentRow());
}

void DbGrid::SetTitlesVisible(bool on) { horizontalHeader()->setVisible(on); }

void DbGrid::SetTitlesClickable(bool on) { horizontalHeader()->setSectionsClickable(on); }

void DbGrid::ApplyWidths() {
  const auto& columns = model_->Columns();
  for (int c = 0; c < static_cast<int>(columns.size()); ++c) {
    if (columns[c].width > 0) setColumnWidth(c, columns[c].width);
  }
}

void DbGrid::FollowQuery(int row) {
  QItemSelectionModel* selection = selectionModel();
  if (row < 0 || row >= model_->rowCount()) {
    selection->clear();
    return;
  }
  const int column = currentIndex().isValid() ? currentIndex().column() : 0;
  const QModelIndex target = model_->index(row, column);
  if (selection->currentIndex() != target || !selection->isRowSelected(row, QModelIndex())) {
    selection->setCurrentIndex(target,
                               QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  }
  scrollTo(target);
}

void DbGrid::FollowGrid(const QModelIndex& current) {
  if (current.isValid()) model_->MoveTo(current.row());
}
