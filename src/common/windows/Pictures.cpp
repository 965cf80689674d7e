#include "Pictures.h"

#include <QIcon>
#include <QPixmap>
#include <QWidget>

bool showBackgroundPicture(QWidget* window, const QString& path)
{
    return showBackgroundPicture(window, QImage(path));
}

bool showBackgroundPicture(QWidget* window, QImage picture)
{
    if (picture.isNull())
        return false;
    QPalette background = window->palette();
    background.setBrush(QPalette::Window, QPixmap::fromImage(std::move(picture)));
    window->setPalette(background);
    window->setAutoFillBackground(true);
    return true;
}

bool showWindowIcon(QWidget* window, const QString& path)
{
    const QIcon icon(path);
    if (icon.availableSizes().isEmpty())
        return false;
    window->setWindowIcon(icon);
    return true;
}

std::future<QImage> readPictureInBackground(const QString& path)
{
    return std::async(std::launch::async, [path] { return QImage(path); });
}
