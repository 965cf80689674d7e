#include "Indicators.h"

#include <QWidget>

QColor colourFromValue(unsigned value)
{
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

void paintIndicator(QWidget* indicator, const QColor& colour)
{
    QPalette palette = indicator->palette();
    palette.setColor(QPalette::Window, colour);
    indicator->setPalette(palette);
    indicator->setAutoFillBackground(true);
    indicator->update();
}

QColor indicatorColour(const QWidget* indicator)
{
    return indicator->palette().color(QPalette::Window);
}
