#include "LineModel.h"

#include "app/NumberHandling.h"
#include "app/modInventory.h"
#include "db/ResultTable.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

namespace {

const QString headerFormat = QStringLiteral(
    "Code |< Product Name & Description | Quantity | Unit Cost| Total Cost| Retail?|");

// Far beyond any money amount; a line total past it counts as this much, so that the
// sum of the most lines a request holds still cannot overflow.
constexpr LineModel::Money countedLimit = LineModel::Money(1'000'000'000'000'000'000LL) * 100'000'000'000'000LL;

QStringList titles()
{
    static const QStringList parsed = headerFormat.split(QLatin1Char('|'));
    return parsed;
}

// A value of at most four decimals (a stored quantity or cost nearly always is) as a
// whole number n of ten-thousandths; nothing for any other value. The value must be the
// double nearest to n / 10000: below 1e11 its fifteen significant digits, which the
// texts show, are then exactly those of n / 10000, so this is the number the general
// conversions give, found without them.
std::optional<qint64> tenThousandths(double value)
{
    if (!(std::fabs(value) < 1e11) || (value == 0 && std::signbit(value)))
        return std::nullopt;
    const qint64 units = std::llround(value * 10000.0);
    if (double(units) / 10000.0 != value)
        return std::nullopt;
    return units;
}

} // namespace

LineModel::LineModel(QObject *parent) : QAbstractTableModel(parent)
{
    m_lines.resize(1);
}

int LineModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_lines.size());
}

int LineModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : columns;
}

QString LineModel::plainText(double value)
{
    // The shortest text, no grouping, no padded decimals.
    if (const auto units = tenThousandths(value)) {
        // Written from the right into one buffer: a long request has thousands of these.
        std::array<QChar, 32> buffer;
        size_t at = buffer.size();
        qint64 whole = (*units < 0 ? -*units : *units) / 10000;
        qint64 part = (*units < 0 ? -*units : *units) % 10000;
        if (part != 0) {
            int decimals = 4;
            while (part % 10 == 0) {
                part /= 10;
                --decimals;
            }
            for (; decimals > 0; --decimals, part /= 10)
                buffer[--at] = QChar(char16_t(u'0' + part % 10));
            buffer[--at] = QLatin1Char('.');
        }
        do {
            buffer[--at] = QChar(char16_t(u'0' + whole % 10));
            whole /= 10;
        } while (whole != 0);
        if (*units < 0)
            buffer[--at] = QLatin1Char('-');
        return QString(buffer.data() + at, qsizetype(buffer.size() - at));
    }
    return QString::number(value, 'g', 15);
}

QString LineModel::text(int row, int column) const
{
    if (row < 0 || row >= rowCount())
        return {};
    const Line &line = m_lines[size_t(row)];
    switch (column) {
    case 0: return line.code;
    case 1: return line.name;
    case 2: return line.stored ? plainText(line.storedQuantity) : line.quantity;
    case 3: return line.stored ? plainText(line.storedUnitCost) : line.unitCost;
    case 4: return line.stored ? plainText(line.storedQuantity * line.storedUnitCost) : line.total;
    case 5: return line.retail;
    case 6: return line.ads;
    default: return {};
    }
}

void LineModel::putIntoWords(Line &line)
{
    if (!line.stored)
        return;
    line.quantity = plainText(line.storedQuantity);
    line.unitCost = plainText(line.storedUnitCost);
    line.total = plainText(line.storedQuantity * line.storedUnitCost);
    line.stored = false;
}

void LineModel::setText(int row, int column, const QString &text)
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= columns)
        return;
    Line &line = m_lines[size_t(row)];
    switch (column) {
    case 0: line.code = text; break;
    case 1: line.name = text; break;
    case 2: putIntoWords(line); line.quantity = text; break;
    case 3: putIntoWords(line); line.unitCost = text; break;
    case 4: {
        putIntoWords(line);
        line.total = text;
        const Money counted = countedTotal(text);
        m_grandTotal += counted - line.counted;
        line.counted = counted;
        break;
    }
    case 5: line.retail = text; break;
    case 6: line.ads = text; break;
    }
    emit dataChanged(index(row, column), index(row, column));
}

void LineModel::resize(int rows)
{
    rows = std::max(rows, 0);
    const int now = rowCount();
    if (rows > now) {
        beginInsertRows({}, now, rows - 1);
        m_lines.resize(size_t(rows));
        endInsertRows();
    } else if (rows < now) {
        beginRemoveRows({}, rows, now - 1);
        for (int row = rows; row < now; ++row)
            m_grandTotal -= m_lines[size_t(row)].counted;
        m_lines.resize(size_t(rows));
        endRemoveRows();
    }
}

void LineModel::removeLine(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    beginRemoveRows({}, row, row);
    m_grandTotal -= m_lines[size_t(row)].counted;
    m_lines.erase(m_lines.begin() + row);
    endRemoveRows();
}

void LineModel::fill(const ResultTable &table, int lines)
{
    beginResetModel();
    m_lines.clear();
    m_lines.resize(size_t(lines) + 1); // the lines and the blank entry row
    m_grandTotal = 0;
    const int item = table.columnIndex(u"ItemID");
    const int description = table.columnIndex(u"Description");
    const int quantity = table.columnIndex(u"Quantity");
    const int unitCost = table.columnIndex(u"UnitCost");
    const int forRetail = table.columnIndex(u"ForRetail");
    const int ads = table.columnIndex(u"isADS");
    auto number = [&table](int row, int column) { return IfNull(table.value(row, column), 0.0).toDouble(); };
    auto text = [&table](int row, int column) { return IfNull(table.value(row, column), QString()).toString(); };
    const QString yes = QStringLiteral("Y");
    const QString no = QStringLiteral("N");
    for (int k = 0; k < lines; ++k) {
        Line &line = m_lines[size_t(k)];
        line.code = text(k, item);
        line.name = text(k, description);
        line.retail = text(k, forRetail);
        line.ads = IfNull(table.value(k, ads), false).toBool() ? yes : no;
        line.storedQuantity = number(k, quantity);
        line.storedUnitCost = number(k, unitCost);
        line.stored = true;
        line.counted = countedTotal(line.storedQuantity * line.storedUnitCost);
        m_grandTotal += line.counted;
    }
    endResetModel();
}

bool LineModel::hasCodes() const
{
    return std::any_of(m_lines.cbegin(), m_lines.cend(), [](const Line &line) { return !line.code.trimmed().isEmpty(); });
}

QVariant LineModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole)
        return text(index.row(), index.column());
    if (role == Qt::TextAlignmentRole) {
        if (index.column() >= 2 && index.column() <= 4)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        if (index.column() == 5)
            return QVariant::fromValue(Qt::AlignCenter);
    }
    return {};
}

QVariant LineModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columns)
        return QAbstractTableModel::headerData(section, orientation, role);
    const QString title = titles().value(section);
    // "<" makes a title left-aligned.
    if (role == Qt::DisplayRole)
        return title.startsWith(QLatin1Char('<')) ? title.mid(1) : title;
    if (role == Qt::TextAlignmentRole && title.startsWith(QLatin1Char('<')))
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

LineModel::Money LineModel::countedTotal(const QString &total)
{
    return NumberHandling::isNumeric(total) ? countedTotal(NumberHandling::numericValue(total)) : 0;
}

LineModel::Money LineModel::countedTotal(double total)
{
    if (!std::isfinite(total))
        return 0; // no number: shown as such and never counted
    if (std::fabs(total) >= 1e28)
        return total < 0 ? -countedLimit : countedLimit;
    // Rounded at four decimals as the line total is shown ("########0.0000").
    if (const auto units = tenThousandths(total))
        return *units;
    const QString digits = NumberHandling::roundedDigits(total, 4, false);
    Money amount = 0;
    for (const QChar c : digits) {
        if (c.isDigit())
            amount = amount * 10 + (c.unicode() - '0');
    }
    return total < 0 ? -amount : amount;
}

QString LineModel::moneyText(Money amount)
{
    const bool negative = amount < 0;
    if (negative)
        amount = -amount;
    QString digits;
    do {
        digits.prepend(QChar(u'0' + int(amount % 10)));
        amount /= 10;
    } while (amount > 0);
    while (digits.size() < 5)
        digits.prepend(QLatin1Char('0'));
    QString integer = digits.left(digits.size() - 4);
    for (qsizetype at = integer.size() - 3; at > 0; at -= 3)
        integer.insert(at, QLatin1Char(','));
    const QString text = integer + QLatin1Char('.') + digits.right(4);
    return negative ? QLatin1Char('-') + text : text;
}

QString LineModel::grandTotalText() const
{
    return moneyText(m_grandTotal);
}
