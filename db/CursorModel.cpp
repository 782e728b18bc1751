#include "CursorModel.h"

#include "DbError.h"

#include <QHash>
#include <QSet>

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

CursorModel::CursorModel(QObject *parent) : QAbstractTableModel(parent)
{
    m_idle.setSingleShot(true);
    m_idle.setInterval(idleMs);
    connect(&m_idle, &QTimer::timeout, this, [this] {
        if (m_cursor)
            m_cursor->pause();
    });
}

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
    afterRead();
}

void CursorModel::releaseCursor()
{
    m_cursor.reset();
    m_idle.stop();
}

void CursorModel::afterRead()
{
    if (m_cursor && m_cursor->atEnd())
        m_cursor.reset(); // its reading connection goes back at once
    if (m_cursor)
        m_idle.start();
    else
        m_idle.stop();
}

void CursorModel::readFailed(const DbError &error)
{
    releaseCursor();
    emit fetchFailed(error.description());
}

bool CursorModel::resumeCursor()
{
    if (m_cursor->resume())
        return true;
    showAgain();
    return false;
}

void CursorModel::showAgain()
{
    // The rows the view keeps (current, selected) are looked for a little past the rows
    // shown, so that a request pushed down by new ones stays current.
    QSet<QString> wanted;
    for (const QModelIndex &index : persistentIndexList())
        wanted.insert(value(index.row(), 0).toString());
    const int shown = m_rows;
    std::vector<Block> blocks;
    QHash<QString, int> rowOf;
    int now = 0;
    const auto take = [&](std::shared_ptr<const ResultTable> rows) {
        if (!rows)
            return;
        for (int row = 0; row < rows->rowCount(); ++row) {
            const QString key = rows->value(row, 0).toString();
            if (!rowOf.contains(key))
                rowOf.insert(key, now + row);
            wanted.remove(key);
        }
        if (rows->rowCount() > 0)
            blocks.push_back({now, rows});
        now += rows->rowCount();
    };
    take(m_cursor->fetch(std::max(shown, 1)));
    constexpr int furthestBlocks = 16;
    for (int block = 0; block < furthestBlocks && !wanted.isEmpty() && !m_cursor->atEnd(); ++block)
        take(m_cursor->fetch(blockRows));

    if (now > shown) { // empty until the rows are laid out again below
        beginInsertRows({}, shown, now - 1);
        m_rows = now;
        endInsertRows();
    }
    emit layoutAboutToBeChanged();
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex &index : before) {
        const int row = rowOf.value(value(index.row(), 0).toString(), std::min(index.row(), now - 1));
        after << (row >= 0 ? createIndex(row, index.column()) : QModelIndex());
    }
    m_blocks = std::move(blocks);
    changePersistentIndexList(before, after);
    emit layoutChanged();
    if (now < shown) { // the rows past the new end show nothing until they go
        beginRemoveRows({}, now, shown - 1);
        m_rows = now;
        endRemoveRows();
    }
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
    if (after == m_blocks.begin())
        return {nullptr, 0};
    const Block &block = *(after - 1);
    return {block.rows.get(), row - block.firstRow};
}

QVariant CursorModel::value(int row, int column) const
{
    if (row < 0 || row >= m_rows || column < 0 || column >= m_columns)
        return {};
    const auto [rows, at] = locate(row);
    return rows && at < rows->rowCount() ? rows->value(at, column) : QVariant();
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
        if (resumeCursor())
            append(m_cursor->fetch(blockRows));
    } catch (const DbError &error) {
        readFailed(error);
        return;
    }
    afterRead();
}

void CursorModel::fetchAll()
{
    if (!canFetchMore())
        return;
    try {
        resumeCursor();
        if (m_cursor && !m_cursor->atEnd())
            append(m_cursor->fetchRest());
    } catch (const DbError &error) {
        readFailed(error);
        return;
    }
    releaseCursor(); // at its end; its reading connection goes back at once
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
