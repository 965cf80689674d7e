#pragma once

#include <QPointer>
#include <QWidget>

// Secondary windows are single instances, closed by deleting them: asking for one that is open
// only brings it to the front, without running its opening steps again. A window that could not be
// made (null) is not shown.
template <class Window, class Create> Window* showSingleInstance(QPointer<Window>& window, Create create)
{
    if (!window) {
        window = create();
        if (!window)
            return nullptr;
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}
