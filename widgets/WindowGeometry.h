#pragma once

#include <QList>
#include <QRect>
#include <QString>
#include <QVariant>

#include <memory>

class QSettings;
class QWidget;

// Keeps a window's size and position for the user between runs, and puts it back on a
// screen that is there now (monitors come and go). Kept with QSettings under the
// application's organization (~/.config/Quellar/Windows.conf); an application that names
// no organization, such as a test of a window, keeps nothing.
class WindowGeometry
{
public:
    explicit WindowGeometry(const QString &window);

    // Before the window is shown: the size and position it had when it last closed.
    void restore(QWidget &window) const;
    // When the window closes.
    void save(const QWidget &window) const;

    // Other values kept with the window (the report viewer's zoom); invalid when none.
    QVariant value(const QString &key) const;
    void setValue(const QString &key, const QVariant &value) const;

    // The saved frame rectangle moved, and shrunk when needed, into the available area of
    // the screen it overlaps most, or of the first screen when it overlaps none.
    static QRect fitted(const QRect &saved, const QList<QRect> &availableAreas);

private:
    std::unique_ptr<QSettings> settings() const;

    QString m_group;
};
