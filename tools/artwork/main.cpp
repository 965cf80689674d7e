// Paints the program's own pictures: the main window's background, the about window's picture and the
// window icon. Run at build time so the artwork lives in the repository as code, not as binary files.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cstdio>

namespace {

// A magnetic loop on its mast with the tuning capacitor box at the bottom of the loop.
void paintLoop(QPainter& painter, QPointF centre, qreal radius, qreal width)
{
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(205, 127, 50), width)); // copper
    painter.drawEllipse(centre, radius, radius);
    painter.setPen(QPen(QColor(90, 90, 90), width * 0.8));
    painter.drawLine(centre + QPointF(0, radius), centre + QPointF(0, radius * 1.9));
    const QRectF capacitor(centre.x() - radius * 0.22, centre.y() + radius * 0.78, radius * 0.44, radius * 0.36);
    painter.setPen(QPen(Qt::black, width * 0.3));
    painter.setBrush(QColor(40, 60, 110));
    painter.drawRoundedRect(capacitor, width, width);
    painter.setPen(QPen(QColor(230, 230, 230), width * 0.3));
    painter.drawLine(capacitor.center() - QPointF(radius * 0.1, 0), capacitor.center() + QPointF(radius * 0.1, 0));
}

QImage background(QSize size, QColor top, QColor bottom)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 0, size.height());
    gradient.setColorAt(0, top);
    gradient.setColorAt(1, bottom);
    painter.fillRect(image.rect(), gradient);
    return image;
}

QImage mainPicture()
{
    QImage image = background({811, 535}, QColor(24, 44, 84), QColor(150, 170, 200));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // Radio waves leaving the loop.
    for (int ring = 1; ring <= 4; ++ring) {
        painter.setPen(QPen(QColor(255, 255, 255, 70 - ring * 12), 3));
        painter.drawArc(QRectF(620 - ring * 45, 170 - ring * 45, ring * 90, ring * 90), 30 * 16, 120 * 16);
    }
    paintLoop(painter, {620, 170}, 80, 9);
    QFont font(QStringLiteral("Sans Serif"), 34, QFont::Bold);
    painter.setFont(font);
    painter.setPen(QColor(255, 255, 255, 210));
    painter.drawText(QRectF(430, 300, 370, 50), Qt::AlignCenter, QStringLiteral("VELTRANO"));
    font.setPointSize(11);
    font.setBold(false);
    painter.setFont(font);
    painter.drawText(QRectF(430, 345, 370, 20), Qt::AlignCenter, QStringLiteral("magnetic loop antenna control"));
    return image;
}

QImage infoPicture()
{
    QImage image = background({373, 338}, QColor(250, 246, 232), QColor(196, 210, 228));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // Keep clear the band where the window lays the release text (y 112 to 127).
    paintLoop(painter, {186, 45}, 30, 5);
    QFont font(QStringLiteral("Sans Serif"), 20, QFont::Bold);
    painter.setFont(font);
    painter.setPen(QColor(24, 44, 84));
    painter.drawText(QRectF(0, 170, 373, 30), Qt::AlignCenter, QStringLiteral("VELTRANO"));
    font.setPointSize(9);
    font.setBold(false);
    painter.setFont(font);
    painter.drawText(QRectF(0, 240, 373, 60), Qt::AlignCenter,
                     QStringLiteral("Remote tuning of a magnetic loop\nthrough an Arduino and a servo"));
    return image;
}

QImage icon()
{
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    paintLoop(painter, {16, 13}, 10, 2.5);
    return image;
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIRECTORY\n", argv[0]);
        return 2;
    }
    const QDir directory(QString::fromLocal8Bit(argv[1]));
    if (!directory.mkpath(QStringLiteral(".")))
        return 1;
    const bool written = mainPicture().save(directory.filePath(QStringLiteral("veltrano.bmp")), "BMP") &&
                         infoPicture().save(directory.filePath(QStringLiteral("info.bmp")), "BMP") &&
                         icon().save(directory.filePath(QStringLiteral("iconvel.ico")), "ICO");
    if (!written)
        std::fprintf(stderr, "could not write the pictures into %s\n", argv[1]);
    return written ? 0 : 1;
}
