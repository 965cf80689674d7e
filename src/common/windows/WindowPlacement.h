#pragma once

#include <QPoint>
#include <QSize>

class QWidget;

// Secondary windows are measured in twips (1/1440 inch): 15 twips are one pixel at 96 dots per inch.
constexpr int TwipsPerPixel = 15;
constexpr int twipsToPixels(int twips)
{
    return (twips + TwipsPerPixel / 2) / TwipsPerPixel;
}

// A secondary window's top-left corner: ((screen width - 40) / divisor, (screen height - 25) / divisor)
// with the screen measured in twips, computed in single precision and brought back to pixels.
QPoint secondaryWindowPosition(QSize screenPixels, int divisor);

// Places a secondary window on the screen that holds it, by the rule above.
void placeSecondaryWindow(QWidget* window, int divisor);

// Whether focus moving to this top-level widget means the operator went to another window of the
// program: message boxes, other dialogs and menus hand the focus back without that.
bool isSecondaryWindow(const QWidget* topLevel);
