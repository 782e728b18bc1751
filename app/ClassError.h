#pragma once

#include <QString>

#include <stdexcept>

// The error a record object raises to its caller: a number, the source (class, member
// and kind, such as "clsLocation:Update Method") and a description.
class ClassError : public std::runtime_error
{
public:
    ClassError(qint32 number, const QString &source, const QString &description)
        : std::runtime_error(description.toStdString()), m_number(number), m_source(source),
          m_description(description)
    {
    }

    qint32 number() const { return m_number; }
    const QString &source() const { return m_source; }
    const QString &description() const { return m_description; }

private:
    qint32 m_number;
    QString m_source;
    QString m_description;
};

// The automation object-error base that record error numbers are added to.
constexpr qint32 vbObjectError = qint32(0x80040000u);

// The program's message text for a number; "An unknown error has occurred!" when the
// program has none (it ships no message table).
QString GetErrorText(qint32 number);

// Raises a ClassError numbered vbObjectError + number, with GetErrorText(number).
[[noreturn]] void RaiseClassError(qint32 number, const QString &source);
