#include "LookupModel.h"

#include "db/Connection.h"
#include "db/Recordset.h"

QString LookupModel::Result::firstValue(QStringView column) const
{
    const int at = first ? first->columnIndex(column) : -1;
    if (at < 0 || first->rowCount() == 0)
        return {};
    const QVariant value = first->value(0, at);
    return value.isNull() ? QString() : value.toString();
}

LookupModel::Result LookupModel::search(Connection &connection, const QString &sql, bool fewRows, const ReadPlan &plan)
{
    Result result;
    if (fewRows) {
        result.first = connection.Execute(sql).table();
        return result;
    }
    result.rest = connection.openCursor(sql, plan);
    result.first = result.rest->fetch(firstBlockRows);
    if (result.rest->atEnd())
        result.rest.reset();
    return result;
}

void LookupModel::setResult(Result result)
{
    setRows(std::move(result.first), std::move(result.rest));
}

QVariant LookupModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return value(index.row(), index.column());
}
