#include "Ser2Net.h"

#include <QFile>
#include <QTest>

Ser2Net::Ser2Net(const QString& device, const QString& scheme, quint16 port)
    : m_device(device)
    , m_scheme(scheme)
    , m_port(port != 0 ? port : freeLoopbackPort())
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.setStandardOutputFile(QProcess::nullDevice());
}

bool Ser2Net::start()
{
    const QString configuration = m_directory.filePath(QStringLiteral("ser2net.yaml"));
    QFile file(configuration);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray accepter = m_scheme == u"rfc2217" ? "telnet(rfc2217),tcp" : "tcp";
    file.write("%YAML 1.1\n---\nconnection: &board\n  accepter: " + accepter + ",127.0.0.1," +
               QByteArray::number(m_port) + "\n  connector: serialdev," + m_device.toLocal8Bit() + ",9600n81,local\n");
    file.close();
    // -n: stay in the foreground, where the test can stop it; -u: no UUCP lock files in /var/lock.
    m_process.start(QStringLiteral("ser2net"),
                    {QStringLiteral("-n"), QStringLiteral("-u"), QStringLiteral("-c"), configuration});
    if (!m_process.waitForStarted(3000))
        return false;
    return QTest::qWaitFor([this] { return listening() || m_process.state() == QProcess::NotRunning; }, 5000) &&
           listening();
}

void Ser2Net::kill()
{
    m_process.kill();
    m_process.waitForFinished(3000);
}

bool Ser2Net::listening() const
{
    // A trial connection would itself be a session; the kernel's table says it without one.
    QFile table(QStringLiteral("/proc/net/tcp"));
    if (!table.open(QIODevice::ReadOnly))
        return false;
    const QByteArray local = "0100007F:" + QByteArray::number(m_port, 16).toUpper().rightJustified(4, '0');
    const QList<QByteArray> lines = table.readAll().split('\n');
    for (const QByteArray& line : lines) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() > 3 && fields[1] == local && fields[3] == "0A") // 0A: listening
            return true;
    }
    return false;
}
