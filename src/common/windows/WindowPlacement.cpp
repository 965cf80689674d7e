#include "WindowPlacement.h"

#include <QDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

QPoint secondaryWindowPosition(QSize screenPixels, int divisor)
{
    const float left = (float(screenPixels.width() * TwipsPerPixel) - 40.0f) / float(divisor);
    const float top = (float(screenPixels.height() * TwipsPerPixel) - 25.0f) / float(divisor);
    return QPoint(int(std::lround(left / TwipsPerPixel)), int(std::lround(top / TwipsPerPixel)));
}

void placeSecondaryWindow(QWidget* window, int divisor)
{
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    window->move(area.topLeft() + secondaryWindowPosition(area.size(), divisor));
}

bool isSecondaryWindow(const QWidget* topLevel)
{
    return topLevel && topLevel->windowType() == Qt::Window && !qobject_cast<const QDialog*>(topLevel);
}
