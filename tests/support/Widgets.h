#pragma once

#include <QObject>
#include <QString>
#include <QtGlobal>

// The window's control of that object name; a missing one is a broken form, so the test stops.
template <class T> T* widget(const QObject& root, const char* name)
{
    T* found = root.findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qFatal("no control named %s of the expected kind", name);
    return found;
}
