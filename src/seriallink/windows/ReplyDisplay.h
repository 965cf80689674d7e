#pragma once

#include <QObject>
#include <QString>

class QLineEdit;
class SerialLink;

// Shows what the board sends, as it arrives and without interpreting it, in the reply fields.
class ReplyDisplay final : public QObject {
    Q_OBJECT
public:
    struct Widgets {
        QLineEdit* COMANDO;
        QLineEdit* RISPOSTA;
        QLineEdit* Text2; // the servo set-up panel's reply field
    };

    ReplyDisplay(const Widgets& widgets, SerialLink& link, QObject* parent = nullptr);

    void HandleInput(const QByteArray& received);
    // What a reply field shows after a received piece: the piece, after the unfinished line it continues.
    static QString latestLine(const QString& shown, const QString& piece);
    static constexpr qsizetype MaxShown = 1024; // far beyond any reply the board sends

private:
    void takePortEvent(int eventCode);

    Widgets m_ui;
    SerialLink& m_link;
};
