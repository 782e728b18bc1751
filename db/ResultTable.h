#pragma once

#include <QCryptographicHash>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <cstdint>
#include <memory>
#include <vector>

// A whole query result held in memory, column by column: whole numbers, floating-point
// numbers, Booleans and date-times in plain arrays, texts in one character pool. A
// listing of 100,000 documents stays a few megabytes and any cell is reached directly.
class ResultTable
{
public:
    enum class Kind : std::uint8_t { Empty, Bool, Int, Double, Text, DateTime, Variant };

    int rowCount() const { return m_rows; }
    int columnCount() const { return int(m_columns.size()); }
    QString columnName(int column) const { return m_columns[size_t(column)].name; }
    QStringList columnNames() const;
    Kind columnKind(int column) const { return m_columns[size_t(column)].kind; }

    // The column of that name, compared without regard to case; -1 when there is none.
    int columnIndex(QStringView name) const;

    bool isNull(int row, int column) const;
    // The cell's value; an invalid QVariant stands for the database NULL.
    QVariant value(int row, int column) const;

    // Adds the cell as it is held, NULL told apart from every value, to a fingerprint;
    // cheaper than reading the value out (a date-time then needs no time zone).
    void addToFingerprint(int row, int column, QCryptographicHash &hash) const;

    // Bytes held by the cells, for the benchmarks.
    std::size_t memoryBytes() const;

private:
    friend class ResultTableBuilder;

    struct Column {
        QString name;
        Kind kind = Kind::Empty;
        std::vector<bool> nulls;
        std::vector<std::int64_t> ints;   // Int, Bool, DateTime (milliseconds, see .cpp)
        std::vector<double> doubles;      // Double
        std::vector<std::uint32_t> ends;  // Text: end offset of each row in pool
        QString pool;                     // Text
        std::vector<QVariant> variants;   // Variant: columns whose types are mixed
    };

    std::vector<Column> m_columns;
    int m_rows = 0;
};

// Fills a ResultTable row by row. A column takes the type of its first non-NULL value;
// whole numbers are widened to floating point when both occur, and any other mixture
// keeps the values as they came.
class ResultTableBuilder
{
public:
    explicit ResultTableBuilder(const QStringList &columnNames);

    void append(int column, const QVariant &value);
    void appendNull(int column);
    void endRow();

    std::shared_ptr<ResultTable> finish();

private:
    void setKind(ResultTable::Column &column, ResultTable::Kind kind);
    void toVariants(ResultTable::Column &column);
    void promoteToDouble(ResultTable::Column &column);

    std::shared_ptr<ResultTable> m_table;
};
