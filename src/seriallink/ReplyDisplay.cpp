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
    m_shownLine = latestLine(m_shownLine, piece);
    m_ui.RISPOSTA->clear();
    m_ui.RISPOSTA->setText(m_shownLine);
    m_ui.Text2->setText(m_shownLine);
}

QString ReplyDisplay::latestLine(const QString& shown, const QString& piece)
{
    // A serial line hands a reply over in pieces of a few characters; showing only the last piece
    // would leave the operator looking at "s)" or a bare line end. Pieces join until a line ends.
    const bool shownLineEnded = shown.endsWith(u'\n') || (shown.endsWith(u'\r') && !piece.startsWith(u'\n'));
    QString line = shownLineEnded ? piece : shown + piece;
    // Only the line in progress, or the last complete one, with its own line end.
    qsizetype end = line.size();
    while (end > 0 && (line[end - 1] == u'\r' || line[end - 1] == u'\n'))
        --end;
    const qsizetype start =
        end == 0 ? 0 : std::max(line.lastIndexOf(u'\n', end - 1), line.lastIndexOf(u'\r', end - 1)) + 1;
    line.remove(0, start);
    // A board that never ends a line must not grow the field without bound.
    if (line.size() > MaxShown)
        line.remove(0, line.size() - MaxShown);
    return line;
}
