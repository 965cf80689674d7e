#pragma once

#include <QAbstractItemModel>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QWidget>
#include <QtGlobal>

// The window's control of that object name; a missing one is a broken form, so the test stops.
template <class T> T* widget(const QObject& root, const char* name)
{
    T* found = root.findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qFatal("no control named %s of the expected kind", name);
    return found;
}

// What each named control shows (its text, its list's text or its frame's title), joined by "|".
inline QString texts(const QObject& root, std::initializer_list<const char*> names)
{
    QStringList shown;
    for (const char* name : names) {
        const QWidget* control = widget<QWidget>(root, name);
        QVariant text = control->property("text");
        for (const char* other : {"currentText", "title"})
            text = text.isValid() ? text : control->property(other);
        shown << text.toString();
    }
    return shown.join(u'|');
}

// "+" for each named control in that state (enabled, visible), "-" for each that is not.
inline QString flags(const QObject& root, bool (QWidget::*state)() const, std::initializer_list<const char*> names)
{
    QString shown;
    for (const char* name : names)
        shown += (widget<QWidget>(root, name)->*state)() ? u'+' : u'-';
    return shown;
}

// Each row of the model, as its cells in these columns joined by ":".
inline QStringList rowTexts(const QAbstractItemModel& model, std::initializer_list<int> columns)
{
    QStringList rows;
    for (int row = 0; row < model.rowCount(); ++row) {
        QStringList cells;
        for (int column : columns)
            cells << model.index(row, column).data().toString();
        rows << cells.join(u':');
    }
    return rows;
}
