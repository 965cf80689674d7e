#include "Pictures.h"

#include <QIcon>
#include <QPixmap>
#include <QWidget>

bool showBackgroundPicture(QWidget* window, const QString& path)
{
    const QPixmap picture(path);
    if (picture.isNull())
        return false;
    QPalette background = window->palette();
    background.setBrush(QPalette::Window, picture);
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
