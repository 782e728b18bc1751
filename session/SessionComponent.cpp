#include "SessionComponent.h"

#include <QHash>

#include <stdexcept>

namespace {

QHash<QString, SessionComponent::Factory> &factories()
{
    static QHash<QString, SessionComponent::Factory> registered;
    return registered;
}

} // namespace

std::unique_ptr<SessionComponent> SessionComponent::create(const QString &progId)
{
    const auto found = factories().constFind(progId.toLower());
    if (found == factories().constEnd() || !*found)
        throw std::runtime_error(QStringLiteral("ActiveX component can't create object: %1").arg(progId).toStdString());
    return (*found)();
}

void SessionComponent::registerFactory(const QString &progId, Factory factory)
{
    if (factory)
        factories().insert(progId.toLower(), std::move(factory));
    else
        factories().remove(progId.toLower());
}
