#include "DataComboBox.h"

#include "db/ResultModel.h"

#include <QLineEdit>

DataComboBox::DataComboBox(QWidget *parent) : QComboBox(parent), m_model(new ResultModel(this))
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setModel(m_model);
}

void DataComboBox::setRowSource(std::shared_ptr<const ResultTable> rows, const QString &listField)
{
    const QString text = currentText();
    const int column = rows ? rows->columnIndex(listField) : -1;
    m_model->setTable(std::move(rows));
    setModelColumn(column < 0 ? 0 : column);
    setText(text);
}

const std::shared_ptr<const ResultTable> &DataComboBox::rowSource() const
{
    return m_model->table();
}

void DataComboBox::setText(const QString &text)
{
    const int index = findText(text, Qt::MatchFixedString);
    setCurrentIndex(index);
    if (lineEdit())
        lineEdit()->setText(text);
}
