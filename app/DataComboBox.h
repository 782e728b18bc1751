#pragma once

#include "db/ResultTable.h"

#include <QComboBox>

#include <memory>

class ResultModel;

// A drop-down that lists one column of a result set and keeps a free text tag: the
// location drop-downs keep the selected location's id there.
class DataComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit DataComboBox(QWidget *parent = nullptr);

    QString Tag() const { return m_tag; }
    void setTag(const QString &tag) { m_tag = tag; }

    // Lists the values of the named column of the rows; the drop-down keeps the rows for
    // as long as it lists them. The current text stays as it was.
    void setRowSource(std::shared_ptr<const ResultTable> rows, const QString &listField);
    const std::shared_ptr<const ResultTable> &rowSource() const;

    // The shown text, typed or picked.
    QString Text() const { return currentText(); }
    void setText(const QString &text);

private:
    ResultModel *m_model; // owned through Qt's parent
    QString m_tag;
};
