#include "ClassError.h"

#include <QHash>

QString GetErrorText(qint32 number)
{
    // The message table is empty: every record error describes itself the same way.
    static const QHash<qint32, QString> messages;
    return messages.value(number, QStringLiteral("An unknown error has occurred!"));
}

void RaiseClassError(qint32 number, const QString &source)
{
    throw ClassError(qint32(quint32(vbObjectError) + quint32(number)), source, GetErrorText(number));
}
