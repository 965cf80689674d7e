#pragma once

#include <QHash>
#include <QList>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <cstdlib>
#include <functional>

// The emulated Uno running the firmware, free-running: the pseudo-terminal it offers as the board's
// serial port and the servo pulse widths it measures on the pins.
class EmulatedBoard : public QObject {
public:
    static constexpr int WaitMs = 20000;

    // Starts the emulator and waits for its pseudo-terminal; false when it did not come up.
    bool start()
    {
        connect(&m_emulator, &QProcess::readyReadStandardOutput, this, &EmulatedBoard::readEmulator);
        m_emulator.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_emulator.start(QStringLiteral(BOARD_EMULATOR),
                         {QStringLiteral("--free-run"), QStringLiteral(BOARD_FIRMWARE)});
        return QTest::qWaitFor([this] { return !m_pty.isEmpty(); }, WaitMs);
    }

    ~EmulatedBoard() override
    {
        m_emulator.terminate();
        if (!m_emulator.waitForFinished(5000))
            m_emulator.kill();
    }

    QString devicePath() const { return m_pty; }

    // The last width reported for the pin: 0 once its pulses stop, -1 before it ever had any.
    int width(int pin) const { return m_widths.value(pin, -1); }
    // Every width reported for the pin, in order.
    QList<int> widths(int pin) const { return m_history.value(pin); }

    bool waitWidth(int pin, int microseconds, int tolerance)
    {
        return QTest::qWaitFor([&] { return std::abs(width(pin) - microseconds) <= tolerance; }, WaitMs);
    }

    // Gets each pulse line as the emulator prints it, for a simulated station whose loop turns with it.
    std::function<void(const QByteArray& line)> pulseLineTaker;

private:
    void readEmulator()
    {
        static const QRegularExpression pulse(QStringLiteral("^PULSE pin=(\\d+) width_us=(\\d+(?:\\.5)?) t_us=\\d+$"));
        while (m_emulator.canReadLine()) {
            const QString line = QString::fromLatin1(m_emulator.readLine()).trimmed();
            if (line.startsWith(QLatin1String("PTY ")))
                m_pty = line.mid(4);
            else if (const auto match = pulse.match(line); match.hasMatch()) {
                // Whole microseconds, a half rounded up, are fine enough for every check but the tuning's.
                const int width = qRound(match.captured(2).toDouble());
                m_widths[match.captured(1).toInt()] = width;
                m_history[match.captured(1).toInt()] << width;
                if (pulseLineTaker)
                    pulseLineTaker(line.toLatin1() + '\n');
            } else
                qWarning("unexpected emulator line: %s", qPrintable(line));
        }
    }

    QProcess m_emulator;
    QString m_pty;
    QHash<int, int> m_widths;
    QHash<int, QList<int>> m_history;
};
