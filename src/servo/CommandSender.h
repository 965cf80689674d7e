#pragma once

#include <QString>

class QLineEdit;
class SerialLink;

// The one way a line reaches the board: it is first shown in the command display, then what the
// display holds goes out with a carriage return in a single write. A closed port writes nothing.
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
