#pragma once

#include <QColor>
#include <QString>

class QWidget;

// The colour values of the main window, kept as decimal text of a 24-bit number whose low byte is
// red (so "255" is pure red), the form the rest of the program passes them around in.
struct ColourValues {
    QString grey = QStringLiteral("8421504");
    QString red = QStringLiteral("255");
    QString green = QStringLiteral("49152");
    QString yellow = QStringLiteral("65535");
    QString orange = QStringLiteral("33023");
    QString white = QStringLiteral("16777215");
};

QColor colourFromValue(const QString& decimal);

// Small square indicators are plain widgets filled with one colour.
void paintIndicator(QWidget* indicator, const QColor& colour);
void paintIndicator(QWidget* indicator, const QString& colourValue);
QColor indicatorColour(const QWidget* indicator);
