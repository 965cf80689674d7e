#include "RigReply.h"

#include <optional>

namespace {

bool isNameCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// "get_freq:" or "set_level: RFPOWER 0.5": the daemon's echo of a long command name. Keys of value
// lines ("Frequency: ...", "TX VFO: ...") start with a capital, so they never read as one.
bool splitEcho(QByteArrayView line, QByteArray& name, QByteArray& arguments)
{
    const qsizetype colon = line.indexOf(':');
    if (colon <= 0)
        return false;
    for (char c : line.first(colon)) {
        if (!isNameCharacter(c))
            return false;
    }
    const QByteArrayView rest = line.sliced(colon + 1);
    if (!rest.isEmpty() && rest.front() != ' ')
        return false;
    name = line.first(colon).toByteArray();
    arguments = rest.isEmpty() ? QByteArray() : rest.sliced(1).toByteArray();
    return true;
}

// "RPRT 0", "RPRT -11"; nothing else, so a value that merely starts with RPRT is not taken for one.
std::optional<int> statusOf(QByteArrayView line)
{
    if (!line.startsWith("RPRT "))
        return std::nullopt;
    QByteArrayView number = line.sliced(5);
    const bool negative = number.startsWith('-');
    if (negative)
        number = number.sliced(1);
    if (number.isEmpty() || number.size() > 6)
        return std::nullopt;
    int value = 0;
    for (char c : number) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

bool isStatusLine(QByteArrayView line)
{
    return line.startsWith("RPRT");
}

} // namespace

std::optional<QByteArray> RigReply::value(QByteArrayView key) const
{
    for (const QByteArray& line : lines) {
        if (line.size() > key.size() + 1 && line.startsWith(key) && line[key.size()] == ':')
            return line.sliced(key.size() + 1).trimmed();
    }
    return std::nullopt;
}

QByteArray RigReply::toWire() const
{
    QByteArray wire;
    if (!command.isEmpty())
        wire += command + ':' + (arguments.isEmpty() ? QByteArray() : ' ' + arguments) + '\n';
    for (const QByteArray& line : lines)
        wire += line + '\n';
    return wire + "RPRT " + QByteArray::number(status) + '\n';
}

QList<RigReply> RigReplyParser::feed(QByteArrayView bytes)
{
    QList<RigReply> completed;
    while (!bytes.isEmpty()) {
        const qsizetype end = bytes.indexOf('\n');
        const QByteArrayView piece = end < 0 ? bytes : bytes.first(end);
        if (!m_skippingLongLine) {
            if (m_partialLine.size() + piece.size() > LongestLine) {
                ++m_ignoredLines;
                dropReply();
                m_partialLine.clear();
                m_skippingLongLine = true;
            } else {
                m_partialLine += piece;
            }
        }
        if (end < 0)
            break;
        if (m_skippingLongLine)
            m_skippingLongLine = false;
        else
            takeLine(m_partialLine, completed);
        m_partialLine.clear();
        bytes = bytes.sliced(end + 1);
    }
    return completed;
}

void RigReplyParser::takeLine(QByteArrayView line, QList<RigReply>& completed)
{
    while (line.endsWith('\r'))
        line.chop(1);

    if (isStatusLine(line)) {
        const auto status = statusOf(line);
        if (!status) {
            ++m_ignoredLines;
            dropReply();
            return;
        }
        RigReply reply = m_reply.value_or(RigReply());
        reply.status = *status;
        m_reply.reset();
        completed.append(std::move(reply));
        return;
    }
    if (m_reply) {
        if (m_reply->lines.size() == MostLines) {
            ++m_ignoredLines;
            dropReply();
            return;
        }
        m_reply->lines.append(line.toByteArray());
        return;
    }
    RigReply reply;
    if (splitEcho(line, reply.command, reply.arguments))
        m_reply = std::move(reply);
    else
        ++m_ignoredLines;
}

void RigReplyParser::dropReply()
{
    if (m_reply)
        m_ignoredLines += 1 + m_reply->lines.size();
    m_reply.reset();
}

bool RigReplyParser::reset()
{
    const bool dropped = !m_partialLine.isEmpty() || m_skippingLongLine || m_reply;
    if (!m_partialLine.isEmpty() || m_skippingLongLine)
        ++m_ignoredLines;
    dropReply();
    m_partialLine.clear();
    m_skippingLongLine = false;
    return dropped;
}
