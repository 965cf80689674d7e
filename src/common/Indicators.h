#pragma once

#include <QColor>
#include <QString>

class QWidget;

// The colour values of the main window, kept as decimal text of a 24-bit number whose low byte is
// red (so "255" is pure red), the form the rest of the program passes them around in.
// The indicators' colours, as the platform's colour numbers (red in the low byte, blue in the high).
QColor colourFromValue(unsigned value);
namespace IndicatorColour {
inline const QColor Grey = colourFromValue(8421504);
inline const QColor Red = colourFromValue(255);
inline const QColor Green = colourFromValue(49152);
inline const QColor Yellow = colourFromValue(65535);
inline const QColor Orange = colourFromValue(33023);
inline const QColor White = colourFromValue(16777215);
} // namespace IndicatorColour

// Small square indicators are plain widgets filled with one colour.
void paintIndicator(QWidget* indicator, const QColor& colour);
QColor indicatorColour(const QWidget* indicator);
