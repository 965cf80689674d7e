#include "AccessibleWindow.h"

#include <QAccessibleWidget>
#include <QVariant>
#include <QWidget>

namespace {

const char* const WindowProperty = "veltranoAccessibleWindow";

QAccessibleInterface* windowInterface(const QString&, QObject* object)
{
    auto* widget = qobject_cast<QWidget*>(object);
    if (widget && widget->isWindow() && widget->property(WindowProperty).toBool())
        return new QAccessibleWidget(widget, QAccessible::Window);
    return nullptr;
}

} // namespace

void presentAsWindow(QWidget* window)
{
    static const bool installed = [] {
        QAccessible::installFactory(windowInterface);
        return true;
    }();
    (void)installed;
    window->setProperty(WindowProperty, true);
}
