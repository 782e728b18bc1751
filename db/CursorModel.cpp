#include "CursorModel.h"

#include "DbError.h"

#include <algorithm>

namespace {

// An amount a procedure sends as text so that it keeps all its digits ("-12.5000"): it
// is aligned as the numbers are.
bool isAmountText(const QVariant &value)
{
    if (value.typeId() != QMetaType::QString)
        return false;
    const QString text = value.toString();
    const qsizetype point = text.size() - 5;
    const qsizetype first = text.startsWith(QLatin1Char('-')) ? 1 : 0;
    if (point <= first || text[point] != QLatin1Char('.'))
        return false;
    for (qsizetype i = first; i < text.size(); ++i) {
        if (i != point && !text[i].isDigit())
            return false;
    }
    return true;
}

} // namespace

CursorModel::CursorModel(QObject *parent) : QAbstractTableModel(parent) { }

CursorModel::~CursorModel() = default;

void CursorModel::setCursor(std::unique_ptr<ResultCursor> cursor)
{
    std::shared_ptr<const ResultTable> first = cursor ? cursor->fetch(firstBlockRows) : nullptr;
    setRows(std::move(first), std::move(cursor));
}

void CursorModel::setRows(std::shared_ptr<const ResultTable> first, std::unique_ptr<ResultCursor> rest)
{
    beginResetModel();
    m_cursor = std::move(rest); // the former read is let go here
    if (m_cursor && m_cursor->atEnd())
        m_cursor.reset();
    m_blocks.clear();
    m_rows = 0;
    m_columns = first ? first->columnCount() : 0;
    m_names = first ? first->columnNames() : QStringList();
    if (first && first->rowCount() > 0) {
        m_blocks.push_back({0, first});
        m_rows = first->rowCount();
    }
    endResetModel();
}

void CursorModel::releaseCursor()
{
    m_cursor.reset();
}

void CursorModel::setHeaderLabels(const QStringList &labels)
{
    beginResetModel();
    m_labels = labels;
    endResetModel();
}

std::pair<const ResultTable *, int> CursorModel::locate(int row) const
{
    auto after = std::upper_bound(m_blocks.begin(), m_blocks.end(), row,
                                  [](int r, const Block &block) { return r < block.firstRow; });
    const Block &block = *(after - 1);
    return {block.rows.get(), row - block.firstRow};
}

QVariant CursorModel::value(int row, int column) const
{
    if (row < 0 || row >= m_rows || column < 0 || column >= m_columns)
        return {};
    const auto [rows, at] = locate(row);
    return rows->value(at, column);
}

QString CursorModel::text(int row, int column) const
{
    const QVariant value = this->value(row, column);
    if (!value.isValid() || value.isNull())
        return {};
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float)
        return QString::number(value.toDouble(), 'f', 4);
    return value.toString();
}

int CursorModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int CursorModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : std::max(int(m_labels.size()), m_columns);
}

QVariant CursorModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows || index.column() >= m_columns)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return text(index.row(), index.column());
    case Qt::EditRole:
        return value(index.row(), index.column());
    case Qt::TextAlignmentRole: {
        const QVariant value = this->value(index.row(), index.column());
        const bool number = value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float
            || value.typeId() == QMetaType::Int || value.typeId() == QMetaType::LongLong
            || isAmountText(value);
        return QVariant::fromValue(Qt::Alignment((number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter));
    }
    default:
        return {};
    }
}

QVariant CursorModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal) {
        if (section < m_labels.size())
            return m_labels[section];
        return section < m_names.size() ? m_names[section] : QString();
    }
    return section + 1;
}

bool CursorModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && m_cursor && !m_cursor->atEnd();
}

void CursorModel::fetchMore(const QModelIndex &parent)
{
    if (!canFetchMore(parent))
        return;
    try {
        append(m_cursor->fetch(blockRows));
    } catch (const DbError &error) {
        m_cursor.reset();
        emit fetchFailed(error.description());
        return;
    }
    if (m_cursor->atEnd())
        m_cursor.reset(); // its reading connection goes back at once
}

void CursorModel::fetchAll()
{
    if (!canFetchMore())
        return;
    try {
        append(m_cursor->fetchRest());
    } catch (const DbError &error) {
        m_cursor.reset();
        emit fetchFailed(error.description());
        return;
    }
    m_cursor.reset(); // at its end; its reading connection goes back at once
}

void CursorModel::append(std::shared_ptr<const ResultTable> rows)
{
    if (!rows || rows->rowCount() == 0)
        return;
    beginInsertRows({}, m_rows, m_rows + rows->rowCount() - 1);
    m_blocks.push_back({m_rows, std::move(rows)});
    m_rows += m_blocks.back().rows->rowCount();
    endInsertRows();
}
