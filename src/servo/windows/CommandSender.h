#pragma once

#include <QString>

class QLineEdit;
class SerialLink;

// Every line for the board goes through here, so the command display always shows what went out
// last and the line and its carriage return leave in one write (a board reading a half line would
// answer it). A closed port writes nothing.
class CommandSender {
public:
    CommandSender(QLineEdit& display, SerialLink& link);

    void send(const QString& line);
    // The two halves, for the one sender that shows its line but writes only while the port is open.
    void show(const QString& line);
    void writeShown();

private:
    QLineEdit& m_display;
    SerialLink& m_link;
};
