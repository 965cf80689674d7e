#include "ReplyDisplay.h"

#include "SerialLink.h"

#include <QLineEdit>

ReplyDisplay::ReplyDisplay(const Widgets& widgets, SerialLink& link, QObject* parent)
    : QObject(parent)
    , m_ui(widgets)
    , m_link(link)
{
    connect(&m_link, &SerialLink::onComm, this, &ReplyDisplay::onComm);
}

void ReplyDisplay::onComm(int eventCode)
{
    // Line errors and modem-line changes are not the operator's business here.
    if (eventCode == SerialLink::EventReceive)
        HandleInput(m_link.input());
}

void ReplyDisplay::HandleInput(const QByteArray& received)
{
    // The board speaks 8-bit text; every byte is one character.
    const QString text = QString::fromLatin1(received);
    m_ui.COMANDO->setCursorPosition(m_ui.COMANDO->text().size());
    m_ui.RISPOSTA->clear();
    m_ui.RISPOSTA->setText(text);
    m_ui.Text2->setText(text);
}
