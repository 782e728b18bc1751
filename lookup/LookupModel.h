#pragma once

#include "db/CursorModel.h"
#include "db/Dialect.h"
#include "db/ResultCursor.h"
#include "db/ResultTable.h"

#include <memory>

class Connection;

// The rows of a search result as the grid reaches them: the first block is read when the
// search opens, each further block when the view scrolls to the last row it has. A search
// over every product of the hospital shows its first screen as fast as one over a few
// dozen, and rows nobody scrolls to are never read. The values show as the database gives
// them.
class LookupModel : public CursorModel
{
    Q_OBJECT
public:
    // A search as it comes from the database: its first block and, when there may be
    // more, the open cursor that reads on.
    struct Result {
        std::shared_ptr<const ResultTable> first;
        std::unique_ptr<ResultCursor> rest;

        // At least one row.
        bool found() const { return first && first->rowCount() > 0; }
        // Exactly one row, and no other behind it.
        bool single() const { return first && first->rowCount() == 1 && (!rest || rest->atEnd()); }
        // The named column of the first row as text ("" when NULL).
        QString firstValue(QStringView column) const;
    };

    // Runs a search and reads its first block; throws DbError. A statement whose result
    // can only be a few rows (a search by code) is read whole on the connection itself,
    // which costs less than the reading connection a streamed result opens. A streamed
    // one is read by the plan named (see ReadPlan).
    static Result search(Connection &connection, const QString &sql, bool fewRows, const ReadPlan &plan = {});

    using CursorModel::CursorModel;

    // Shows another result from its first row; views are reset. An empty Result clears
    // the model.
    void setResult(Result result);

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
};
