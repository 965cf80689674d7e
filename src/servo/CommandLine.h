#pragma once

#include <QString>

#include <optional>

struct GlobalSettings;

// The lines the board understands, without their terminating carriage return, and the number
// rules that decide what goes into them. Nothing here touches a window or the port.

// "IS,pin,minimum,maximum," for the servo start.
QString servoStartLine(double pin, double minimum, double maximum);
// The same with the stored pin and limits.
QString servoStartLine(const GlobalSettings& settings);
// The same from the texts of the set-up fields, each as enteredValueText gives it.
QString servoStartLine(const QString& pinText, const QString& minimumText, const QString& maximumText);
// "A,angle," with the angle text as typed, only the blanks around it removed ("090" stays 090).
QString positionLine(const QString& angleText);

// The number a set-up or angle field holds, as every check reads it.
double fieldValue(const QString& text);
// A set-up field's number written back plainly: "09" gives 9, an empty field 0.
QString enteredValueText(const QString& text);

// The pins of the board that can drive a servo.
bool isPwmPin(double pin);

// An angle may be sent when the field is not empty and its value lies within the limits.
bool angleWithinLimits(const QString& angleText, double minimum, double maximum);

// One degree up (step 1) or down (step -1) within 0..180 whatever the configured limits;
// nothing when the angle already stands at that end.
std::optional<QString> steppedAngle(const QString& angleText, int step);
