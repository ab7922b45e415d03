#include "store/QueryModel.h"

#include <QDate>
#include <QFont>
#include <QLocale>
#include <algorithm>
#include <cmath>
#include <exception>

#include "shell/Formats.h"

using lumi::FieldKind;
using lumi::QueryEvent;
using lumi::dbf::Value;
using lumi::dbf::ValueKind;

QString DisplayText(const Value& value, const lumi::TField& field, const QString& format) {
  const QString pattern = format.isEmpty() ? QString::fromStdString(field.DisplayFormat()) : format;
  switch (value.kind()) {
    case ValueKind::kNull:
      return {};
    case ValueKind::kText:
      return QString::fromStdString(value.text());
    case ValueKind::kNumber: {
      const double v = value.number();
      if (!pattern.isEmpty()) return Formats::FormatFloat(pattern, v);
      if (field.Kind() == FieldKind::kInteger) return Formats::IntToStr(std::llround(v));
      return Formats::FloatToStr(v);
    }
    case ValueKind::kDate: {
      const lumi::dbf::Date d = value.date();
      const QDate date(d.year, d.month, d.day);
      if (pattern.isEmpty()) return Formats::SqlDate(date);
      if (pattern == "dd.MMM.yyyy") return Formats::DateShown(date);
      return QLocale().toString(date, pattern);
    }
    case ValueKind::kLogical:
      return value.logical() ? "True" : "False";
  }
  return {};
}

namespace {

// Marks the model as busy bringing the view up to date, also when a step throws.
class SyncGuard {
 public:
  explicit SyncGuard(bool& flag) : flag_(flag), was_(flag) { flag_ = true; }
  ~SyncGuard() { flag_ = was_; }
  SyncGuard(const SyncGuard&) = delete;
  SyncGuard& operator=(const SyncGuard&) = delete;

 private:
  bool& flag_;
  bool was_;
};

bool IsNumber(FieldKind kind) { return kind == FieldKind::kFloat || kind == FieldKind::kInteger; }

}  // namespace

QueryModel::QueryModel(lumi::TQuery* query, QObject* parent) : QAbstractTableModel(parent) {
  SetQuery(query);
}

void QueryModel::SetQuery(lumi::TQuery* query) {
  beginResetModel();
  link_.Bind(query, [this](QueryEvent e) { Listen(e); });
  shownFields_ = QueryFieldNames();
  if (!declared_) ColumnsFromFields();
  ResolveFields();
  rows_ = QueryRows();
  endResetModel();
}

void QueryModel::SetColumns(std::vector<Column> columns) {
  beginResetModel();
  columns_ = std::move(columns);
  declared_ = !columns_.empty();
  shownFields_ = QueryFieldNames();
  if (!declared_) ColumnsFromFields();
  ResolveFields();
  rows_ = QueryRows();
  endResetModel();
}

QString QueryModel::ColumnField(int column) const {
  if (column < 0 || column >= static_cast<int>(columns_.size())) return {};
  return columns_[column].field;
}

void QueryModel::Listen(QueryEvent event) {
  // A move within the rows the view knows needs only the current row;
  // anything else (open, close, filter, controls enabled again) a full sync.
  if (event == QueryEvent::kScrolled && QueryRows() == rows_) {
    SyncGuard busy(syncing_);
    emit CurrentRowChanged(CurrentRow());
    return;
  }
  Sync();
}

void QueryModel::Sync() {
  SyncGuard busy(syncing_);
  if (!declared_ && link_.Open() != nullptr) {
    std::vector<QString> names = QueryFieldNames();
    if (names != shownFields_) {
      // Other fields: the columns themselves change.
      beginResetModel();
      shownFields_ = std::move(names);
      ColumnsFromFields();
      ResolveFields();
      rows_ = QueryRows();
      endResetModel();
      emit CurrentRowChanged(CurrentRow());
      return;
    }
  }
  // Field positions can move between two opens, also while controls were off.
  ResolveFields();
  const int before = rows_;
  const int now = QueryRows();
  if (now < before) {
    beginRemoveRows(QModelIndex(), now, before - 1);
    rows_ = now;
    endRemoveRows();
  } else if (now > before) {
    beginInsertRows(QModelIndex(), before, now - 1);
    rows_ = now;
    endInsertRows();
  }
  const int kept = std::min(before, now);
  if (kept > 0 && !columns_.empty()) {
    emit dataChanged(index(0, 0), index(kept - 1, static_cast<int>(columns_.size()) - 1));
  }
  emit CurrentRowChanged(CurrentRow());
}

void QueryModel::ResolveFields() {
  fieldIndex_.assign(columns_.size(), -1);
  lumi::TQuery* query = link_.Open();
  if (query == nullptr) return;
  for (size_t c = 0; c < columns_.size(); ++c) {
    if (lumi::TField* f = query->FindField(columns_[c].field.toStdString())) {
      fieldIndex_[c] = f->Index();
    }
  }
}

std::vector<QString> QueryModel::QueryFieldNames() const {
  std::vector<QString> names;
  lumi::TQuery* query = link_.Open();
  if (query == nullptr) return names;
  for (int i = 0; i < query->FieldCount(); ++i) {
    names.push_back(QString::fromStdString(query->Fields(i).FieldName()));
  }
  return names;
}

void QueryModel::ColumnsFromFields() {
  columns_.clear();
  for (const QString& name : shownFields_) columns_.push_back(Column{.field = name});
}

int QueryModel::QueryRows() const {
  lumi::TQuery* query = link_.Open();
  return query == nullptr ? 0 : query->RecordCount();
}

const lumi::TField* QueryModel::FieldOf(int column) const {
  if (column < 0 || column >= static_cast<int>(fieldIndex_.size())) return nullptr;
  lumi::TQuery* query = link_.Open();
  if (fieldIndex_[column] < 0 || query == nullptr) return nullptr;
  return &query->Fields(fieldIndex_[column]);
}

int QueryModel::CurrentRow() const {
  lumi::TQuery* query = link_.Open();
  if (query == nullptr || query->IsEmpty()) return -1;
  return query->RecNo();
}

void QueryModel::MoveTo(int row) {
  lumi::TQuery* query = link_.Open();
  if (syncing_ || query == nullptr) return;
  if (row < 0 || row >= query->RecordCount() || row == query->RecNo()) return;
  query->MoveTo(row);
}

int QueryModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int QueryModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant QueryModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.model() != this || index.row() >= rows_ ||
      index.column() >= static_cast<int>(columns_.size())) {
    return {};
  }
  const Column& column = columns_[index.column()];
  const lumi::TField* field = FieldOf(index.column());
  if (role == Qt::TextAlignmentRole) {
    if (column.alignment) return QVariant::fromValue(column.alignment);
    const bool right = field != nullptr && IsNumber(field->Kind());
    return QVariant::fromValue(Qt::AlignVCenter | (right ? Qt::AlignRight : Qt::AlignLeft));
  }
  if (role == Qt::FontRole) {
    if (!column.bold) return {};
    QFont bold;
    bold.setBold(true);
    return bold;
  }
  if (role != Qt::DisplayRole && role != Qt::CheckStateRole && role != Qt::ToolTipRole) return {};
  lumi::TQuery* query = link_.Open();
  if (field == nullptr || query == nullptr || index.row() >= query->RecordCount()) return {};
  if (column.checkBox != (role == Qt::CheckStateRole)) return {};
  try {
    const Value v = query->Cell(index.row(), field->Index());
    if (role == Qt::CheckStateRole) {
      const bool on = v.kind() == ValueKind::kLogical && v.logical();
      return on ? Qt::Checked : Qt::Unchecked;
    }
    return DisplayText(v, *field, column.format);
  } catch (const std::exception&) {
    // A value the grid cannot read shows as empty; the engine reports the
    // fault where the window reads the field itself.
    return {};
  }
}

QVariant QueryModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 ||
      section >= static_cast<int>(columns_.size())) {
    return QAbstractTableModel::headerData(section, orientation, role);
  }
  const Column& column = columns_[section];
  switch (role) {
    case Qt::DisplayRole:
      return column.title.isEmpty() ? column.field : column.title;
    case Qt::FontRole:
      if (column.boldTitle) {
        QFont bold;
        bold.setBold(true);
        return bold;
      }
      return {};
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(Qt::AlignVCenter |
                                 (column.centredTitle ? Qt::AlignHCenter : Qt::AlignLeft));
    default:
      return {};
  }
}

Qt::ItemFlags QueryModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}
