#include "ReplyDisplay.h"

#include "SerialLink.h"

#include <QLineEdit>

#include <algorithm>

ReplyDisplay::ReplyDisplay(const Widgets& widgets, SerialLink& link, QObject* parent)
    : QObject(parent)
    , m_ui(widgets)
    , m_link(link)
{
    connect(&m_link, &SerialLink::onComm, this, &ReplyDisplay::takePortEvent);
}

void ReplyDisplay::takePortEvent(int eventCode)
{
    // Line errors and modem-line changes are not the operator's business here.
    if (eventCode == SerialLink::EventReceive)
        HandleInput(m_link.input());
}

void ReplyDisplay::HandleInput(const QByteArray& received)
{
    // The board speaks 8-bit text; every byte is one character.
    const QString piece = QString::fromLatin1(received);
    m_ui.COMANDO->setCursorPosition(m_ui.COMANDO->text().size());
    // Each field holds its own line in progress, so whatever empties a field also ends the line it held.
    const QString reply = latestLine(m_ui.RISPOSTA->text(), piece);
    m_ui.RISPOSTA->clear();
    m_ui.RISPOSTA->setText(reply);
    m_ui.Text2->setText(latestLine(m_ui.Text2->text(), piece));
}

QString ReplyDisplay::latestLine(const QString& shown, const QString& piece)
{
    // A serial line hands a reply over in pieces of a few characters; showing only the last piece
    // would leave the operator looking at "s)" or a bare line end. So the unfinished last line shown
    // is joined to the piece, and every line the piece brings shows as it came, line ends included.
    // A line end split between pieces (CR, then LF) still belongs to the line it ends.
    const bool lineEndSplit = shown.endsWith(u'\r') && piece.startsWith(u'\n');
    const qsizetype end = shown.size() - (lineEndSplit ? 1 : 0);
    const qsizetype start =
        end == 0 ? 0 : std::max(shown.lastIndexOf(u'\n', end - 1), shown.lastIndexOf(u'\r', end - 1)) + 1;
    QString line = shown.mid(start) + piece;
    // A board that never ends a line must not grow the field without bound.
    if (line.size() > MaxShown)
        line.remove(0, line.size() - MaxShown);
    return line;
}
