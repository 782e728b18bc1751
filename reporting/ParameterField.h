#pragma once

#include <QString>
#include <QVariant>
#include <QVariantList>

// A value the report asks for, named in braces as "{?Name}".
class ParameterField
{
public:
    // A default that is not valid means the report has none.
    ParameterField(const QString &name, const QVariant &defaultValue);

    // "{?Name}"
    QString Name() const;
    // "Name", as the report's texts and query write it after "{?".
    const QString &ParameterFieldName() const { return m_name; }

    void AddCurrentValue(const QVariant &value) { m_values.append(value); }
    const QVariantList &CurrentValues() const { return m_values; }
    void ClearCurrentValues() { m_values.clear(); }

    // The first current value, else the report's default. Throws ReportError when the
    // parameter has neither.
    QVariant value() const;

private:
    QString m_name;
    QVariant m_default;
    QVariantList m_values;
};
