#include "CommandSender.h"

#include "SerialLink.h"

#include <QLineEdit>

CommandSender::CommandSender(QLineEdit& display, SerialLink& link)
    : m_display(display)
    , m_link(link)
{
}

void CommandSender::send(const QString& line)
{
    show(line);
    writeShown();
}

void CommandSender::show(const QString& line)
{
    m_display.setText(line);
}

void CommandSender::writeShown()
{
    m_link.output((m_display.text() + u'\r').toLatin1());
}
