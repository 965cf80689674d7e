#include "GuardClient.h"

#include <QCoreApplication>
#include <QDir>

namespace {

// Time for a guard that has been told the program is going to unkey the radio and end.
constexpr int EndingMs = 3000;

} // namespace

QString GuardClient::programBesideThisOne()
{
    // Programs that are not installed beside it, the tests, name it.
    if (const QString named = qEnvironmentVariable("VELTRANO_GUARD"); !named.isEmpty())
        return named;
#ifdef _WIN32
    const QString name = QStringLiteral("veltrano-guard.exe");
#else
    const QString name = QStringLiteral("veltrano-guard");
#endif
    return QDir(QCoreApplication::applicationDirPath()).filePath(name);
}

GuardClient::GuardClient(QString program, QObject* parent)
    : KeyingGuard(parent)
    , m_program(std::move(program))
{
    // Whatever the guard logs reaches the program's own standard error.
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_restart.setSingleShot(true);
    m_restart.setInterval(RestartMs);
    connect(&m_restart, &QTimer::timeout, this, [this] {
        if (m_wanted && m_process.state() == QProcess::NotRunning)
            launch();
    });
    connect(&m_process, &QProcess::readyReadStandardOutput, this, &GuardClient::readStatus);
    connect(&m_process, &QProcess::finished, this, &GuardClient::ended);
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            ended();
    });
}

GuardClient::~GuardClient()
{
    m_process.disconnect(this);
    stop();
    // QProcess kills what is still running when it goes.
    m_process.waitForFinished(EndingMs);
}

void GuardClient::start(const QString& host, quint16 port)
{
    if (m_process.state() != QProcess::NotRunning && host == m_host && port == m_port)
        return;
    stop();
    m_process.waitForFinished(EndingMs);
    m_host = host;
    m_port = port;
    launch();
}

void GuardClient::launch()
{
    m_wanted = true;
    m_running = false;
    setConnected(false);
    m_process.start(m_program, {m_host, QString::number(m_port)});
}

void GuardClient::stop()
{
    m_wanted = false;
    m_restart.stop();
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.closeWriteChannel();
    m_running = false;
    setConnected(false);
}

QString GuardClient::notReadyReason() const
{
    if (!m_running)
        return tr("The guard that unkeys the radio if this program dies is not running.");
    if (!m_connected)
        return tr("The guard that unkeys the radio if this program dies is not connected to rigctld.");
    return {};
}

bool GuardClient::onAir(std::chrono::milliseconds untilDeadline, const guard::RadioSettings& restore)
{
    if (!isReady()) {
        if (m_process.state() == QProcess::NotRunning && !m_host.isEmpty()) {
            m_restart.stop();
            launch();
        }
        return false;
    }
    m_process.write(guard::onAirLine({untilDeadline, restore}) + '\n');
    return true;
}

void GuardClient::offAir()
{
    if (m_running)
        m_process.write(QByteArray(guard::OffAirLine) + '\n');
}

void GuardClient::readStatus()
{
    while (m_process.canReadLine()) {
        const QByteArray line = m_process.readLine().trimmed();
        if (line == guard::Ready) {
            m_running = true;
            emit readinessChanged(isReady());
        } else if (line == guard::Connected) {
            setConnected(true);
        } else if (line == guard::Lost) {
            setConnected(false);
        } else {
            qWarning("veltrano-guard: %s", line.constData());
        }
    }
}

void GuardClient::ended()
{
    const bool wasReady = isReady();
    m_running = false;
    m_connected = false;
    if (wasReady)
        emit readinessChanged(false);
    if (m_wanted)
        m_restart.start();
}

void GuardClient::setConnected(bool connected)
{
    const bool wasReady = isReady();
    m_connected = connected;
    if (isReady() != wasReady)
        emit readinessChanged(isReady());
}
