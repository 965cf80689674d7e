#include "GuardProtocol.h"

#include <QList>

#include <cmath>

namespace guard {

namespace {

constexpr char OnAirWord[] = "ONAIR";

bool isModeName(const QByteArray& word)
{
    if (word.isEmpty() || word.size() > 16)
        return false;
    for (char c : word) {
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

} // namespace

QByteArray onAirLine(const OnAir& onAir)
{
    QByteArray line = QByteArray(OnAirWord) + ' ' + QByteArray::number(qint64(onAir.untilDeadline.count())) + ' ' +
                      onAir.restore.mode + ' ' + QByteArray::number(onAir.restore.passbandHz) + ' ' +
                      QByteArray::number(onAir.restore.power, 'f', 6);
    if (onAir.restore.frequencyHz)
        line += ' ' + QByteArray::number(*onAir.restore.frequencyHz);
    return line;
}

std::optional<OnAir> parseOnAir(const QByteArray& line)
{
    const QList<QByteArray> words = line.simplified().split(' ');
    if ((words.size() != 5 && words.size() != 6) || words[0] != OnAirWord)
        return std::nullopt;
    bool deadlineOk = false, passbandOk = false, powerOk = false, frequencyOk = true;
    OnAir onAir;
    const qint64 deadline = words[1].toLongLong(&deadlineOk);
    onAir.untilDeadline = std::chrono::milliseconds(deadline);
    onAir.restore.mode = words[2];
    onAir.restore.passbandHz = words[3].toInt(&passbandOk);
    onAir.restore.power = words[4].toDouble(&powerOk);
    if (words.size() == 6) {
        const qint64 hertz = words[5].toLongLong(&frequencyOk);
        frequencyOk = frequencyOk && hertz > 0;
        onAir.restore.frequencyHz = hertz;
    }
    // A deadline beyond a day is a mistake, not a run.
    if (!deadlineOk || deadline < 0 || deadline > 24 * 3600 * 1000 || !isModeName(onAir.restore.mode) || !passbandOk ||
        onAir.restore.passbandHz < 0 || !powerOk || !std::isfinite(onAir.restore.power) || onAir.restore.power < 0 ||
        onAir.restore.power > 1 || !frequencyOk)
        return std::nullopt;
    return onAir;
}

QList<QByteArray> unkeyAndRestoreCommands(const RadioSettings& restore)
{
    QList<QByteArray> commands{
        "\\set_ptt 0",
        "\\set_mode " + restore.mode + ' ' + QByteArray::number(restore.passbandHz),
        "\\set_level RFPOWER " + QByteArray::number(restore.power, 'f', 6),
    };
    if (restore.frequencyHz)
        commands << "\\set_freq " + QByteArray::number(*restore.frequencyHz);
    return commands;
}

} // namespace guard
