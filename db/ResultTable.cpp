#include "ResultTable.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

namespace {

constexpr std::int64_t msPerDay = 86'400'000;

// Date-times are kept as naive wall-clock values: milliseconds counted from the start of
// Julian day 0, so that no time zone or daylight-saving rule can shift a stored value.
std::int64_t packDateTime(const QDateTime &value)
{
    return value.date().toJulianDay() * msPerDay + value.time().msecsSinceStartOfDay();
}

QDateTime unpackDateTime(std::int64_t packed)
{
    const std::int64_t day = packed / msPerDay;
    const int ms = int(packed % msPerDay);
    return QDateTime(QDate::fromJulianDay(day), QTime::fromMSecsSinceStartOfDay(ms));
}

ResultTable::Kind kindOf(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return ResultTable::Kind::Bool;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return ResultTable::Kind::Int;
    case QMetaType::ULongLong:
        return value.toULongLong() > quint64(INT64_MAX) ? ResultTable::Kind::Variant
                                                        : ResultTable::Kind::Int;
    case QMetaType::Double:
    case QMetaType::Float:
        return ResultTable::Kind::Double;
    case QMetaType::QString:
        return ResultTable::Kind::Text;
    case QMetaType::QDateTime:
        return ResultTable::Kind::DateTime;
    default:
        return ResultTable::Kind::Variant;
    }
}

} // namespace

QStringList ResultTable::columnNames() const
{
    QStringList names;
    for (const Column &column : m_columns)
        names << column.name;
    return names;
}

int ResultTable::columnIndex(QStringView name) const
{
    for (size_t i = 0; i < m_columns.size(); ++i) {
        if (m_columns[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

bool ResultTable::isNull(int row, int column) const
{
    return m_columns[size_t(column)].nulls[size_t(row)];
}

QVariant ResultTable::value(int row, int column) const
{
    const Column &c = m_columns[size_t(column)];
    const auto r = size_t(row);
    if (c.nulls[r])
        return {};
    switch (c.kind) {
    case Kind::Empty:
        return {};
    case Kind::Bool:
        return QVariant(c.ints[r] != 0);
    case Kind::Int:
        return QVariant(qlonglong(c.ints[r]));
    case Kind::Double:
        return QVariant(c.doubles[r]);
    case Kind::Text: {
        const std::uint32_t begin = r == 0 ? 0 : c.ends[r - 1];
        return QVariant(c.pool.mid(qsizetype(begin), qsizetype(c.ends[r] - begin)));
    }
    case Kind::DateTime:
        return QVariant(unpackDateTime(c.ints[r]));
    case Kind::Variant:
        return c.variants[r];
    }
    return {};
}

void ResultTable::addToFingerprint(int row, int column, QCryptographicHash &hash) const
{
    const Column &c = m_columns[size_t(column)];
    const auto r = size_t(row);
    const char kind = c.nulls[r] ? '\0' : char(int(c.kind) + 1);
    hash.addData(QByteArrayView(&kind, 1));
    if (c.nulls[r])
        return;
    switch (c.kind) {
    case Kind::Empty:
        break;
    case Kind::Bool:
    case Kind::Int:
    case Kind::DateTime:
        hash.addData(QByteArrayView(reinterpret_cast<const char *>(&c.ints[r]), sizeof c.ints[r]));
        break;
    case Kind::Double:
        hash.addData(QByteArrayView(reinterpret_cast<const char *>(&c.doubles[r]), sizeof c.doubles[r]));
        break;
    case Kind::Text: {
        const std::uint32_t begin = r == 0 ? 0 : c.ends[r - 1];
        const std::uint32_t length = c.ends[r] - begin;
        hash.addData(QByteArrayView(reinterpret_cast<const char *>(&length), sizeof length));
        hash.addData(QByteArrayView(reinterpret_cast<const char *>(c.pool.constData() + begin),
                                    qsizetype(length * sizeof(QChar))));
        break;
    }
    case Kind::Variant:
        hash.addData(c.variants[r].toString().toUtf8());
        hash.addData(QByteArrayView("\x1f", 1));
        break;
    }
}

std::size_t ResultTable::memoryBytes() const
{
    std::size_t bytes = 0;
    for (const Column &c : m_columns) {
        bytes += c.nulls.capacity() / 8 + c.ints.capacity() * sizeof(std::int64_t)
            + c.doubles.capacity() * sizeof(double)
            + c.ends.capacity() * sizeof(std::uint32_t)
            + size_t(c.pool.capacity()) * sizeof(QChar)
            + c.variants.capacity() * sizeof(QVariant);
    }
    return bytes;
}

ResultTableBuilder::ResultTableBuilder(const QStringList &columnNames)
    : m_table(std::make_shared<ResultTable>())
{
    m_table->m_columns.resize(size_t(columnNames.size()));
    for (qsizetype i = 0; i < columnNames.size(); ++i)
        m_table->m_columns[size_t(i)].name = columnNames[i];
}

void ResultTableBuilder::setKind(ResultTable::Column &column, ResultTable::Kind kind)
{
    // Earlier rows of a column that had only NULLs so far get placeholder slots.
    const size_t rows = column.nulls.size();
    column.kind = kind;
    switch (kind) {
    case ResultTable::Kind::Bool:
    case ResultTable::Kind::Int:
    case ResultTable::Kind::DateTime:
        column.ints.assign(rows, 0);
        break;
    case ResultTable::Kind::Double:
        column.doubles.assign(rows, 0.0);
        break;
    case ResultTable::Kind::Text:
        column.ends.assign(rows, 0);
        break;
    case ResultTable::Kind::Variant:
        column.variants.assign(rows, QVariant());
        break;
    case ResultTable::Kind::Empty:
        break;
    }
}

void ResultTableBuilder::promoteToDouble(ResultTable::Column &column)
{
    column.doubles.reserve(column.ints.capacity());
    for (std::int64_t v : column.ints)
        column.doubles.push_back(double(v));
    column.ints = {};
    column.kind = ResultTable::Kind::Double;
}

void ResultTableBuilder::toVariants(ResultTable::Column &column)
{
    // Read the existing cells back through the table itself, then switch storage.
    const int row = int(column.nulls.size());
    std::vector<QVariant> values;
    values.reserve(size_t(row) + 1);
    const int index = int(&column - m_table->m_columns.data());
    const int savedRows = m_table->m_rows;
    m_table->m_rows = row;
    for (int r = 0; r < row; ++r)
        values.push_back(m_table->value(r, index));
    m_table->m_rows = savedRows;
    column.ints = {};
    column.doubles = {};
    column.ends = {};
    column.pool = QString();
    column.variants = std::move(values);
    column.kind = ResultTable::Kind::Variant;
}

void ResultTableBuilder::appendNull(int index)
{
    ResultTable::Column &column = m_table->m_columns[size_t(index)];
    column.nulls.push_back(true);
    switch (column.kind) {
    case ResultTable::Kind::Empty:
        break;
    case ResultTable::Kind::Bool:
    case ResultTable::Kind::Int:
    case ResultTable::Kind::DateTime:
        column.ints.push_back(0);
        break;
    case ResultTable::Kind::Double:
        column.doubles.push_back(0.0);
        break;
    case ResultTable::Kind::Text:
        column.ends.push_back(std::uint32_t(column.pool.size()));
        break;
    case ResultTable::Kind::Variant:
        column.variants.emplace_back();
        break;
    }
}

void ResultTableBuilder::append(int index, const QVariant &value)
{
    if (!value.isValid() || value.isNull()) {
        appendNull(index);
        return;
    }
    ResultTable::Column &column = m_table->m_columns[size_t(index)];
    ResultTable::Kind kind = kindOf(value);
    if (column.kind == ResultTable::Kind::Empty) {
        setKind(column, kind);
    } else if (kind != column.kind) {
        if (column.kind == ResultTable::Kind::Int && kind == ResultTable::Kind::Double)
            promoteToDouble(column);
        else if (column.kind == ResultTable::Kind::Double && kind == ResultTable::Kind::Int)
            kind = ResultTable::Kind::Double;
        else if (column.kind != ResultTable::Kind::Variant)
            toVariants(column);
    }
    if (column.kind == ResultTable::Kind::Text
        && quint64(column.pool.size()) + quint64(value.toString().size()) > UINT32_MAX)
        toVariants(column); // the pool's offsets are 32-bit

    column.nulls.push_back(false);
    switch (column.kind) {
    case ResultTable::Kind::Bool:
        column.ints.push_back(value.toBool() ? 1 : 0);
        break;
    case ResultTable::Kind::Int:
        column.ints.push_back(value.toLongLong());
        break;
    case ResultTable::Kind::DateTime:
        column.ints.push_back(packDateTime(value.toDateTime()));
        break;
    case ResultTable::Kind::Double:
        column.doubles.push_back(value.toDouble());
        break;
    case ResultTable::Kind::Text:
        column.pool.append(value.toString());
        column.ends.push_back(std::uint32_t(column.pool.size()));
        break;
    case ResultTable::Kind::Variant:
        column.variants.push_back(value);
        break;
    case ResultTable::Kind::Empty:
        break;
    }
}

void ResultTableBuilder::endRow()
{
    ++m_table->m_rows;
}

std::shared_ptr<ResultTable> ResultTableBuilder::finish()
{
    auto table = std::move(m_table);
    m_table = std::make_shared<ResultTable>();
    return table;
}
