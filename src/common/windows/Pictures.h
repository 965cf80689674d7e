#pragma once

#include <QImage>
#include <QString>

#include <future>

class QWidget;

// Pictures and icons come from files beside the program; a missing or unreadable file leaves the
// window without it rather than stopping anything. Each show function returns whether it showed one.
bool showBackgroundPicture(QWidget* window, const QString& path);
bool showBackgroundPicture(QWidget* window, QImage picture);
bool showWindowIcon(QWidget* window, const QString& path);

// Starts reading a picture on a worker thread, so that decoding it (and loading Qt's image format
// plugins on the way) overlaps building the window; a null image when the file cannot be read.
std::future<QImage> readPictureInBackground(const QString& path);
