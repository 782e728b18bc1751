#include "ParameterField.h"

#include "ReportError.h"

ParameterField::ParameterField(const QString &name, const QVariant &defaultValue)
    : m_name(name), m_default(defaultValue)
{
}

QString ParameterField::Name() const
{
    return QStringLiteral("{?") + m_name + QLatin1Char('}');
}

QVariant ParameterField::value() const
{
    if (!m_values.isEmpty())
        return m_values.constFirst();
    if (m_default.isValid())
        return m_default;
    throw ReportError(QStringLiteral("The report parameter %1 has no value.").arg(Name()));
}
