#pragma once

#include <QString>

class QWidget;

// Pictures and icons come from files beside the program; a missing or unreadable file leaves the
// window without it rather than stopping anything. Each returns whether the file was shown.
bool showBackgroundPicture(QWidget* window, const QString& path);
bool showWindowIcon(QWidget* window, const QString& path);
