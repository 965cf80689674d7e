#pragma once

#include <QObject>

class QSocketNotifier;

// The requests to end the program that come from outside it (SIGTERM at logout or from kill, SIGINT
// from Ctrl+C in a terminal, SIGHUP when the terminal goes; on Windows the console's Ctrl+C, Ctrl+Break
// and close), taken out of the signal handler and announced from the event loop, so that the program
// can end as its own exit does. While one of these lives, those signals no longer kill the process.
class EndingSignals final : public QObject {
    Q_OBJECT
public:
    explicit EndingSignals(QObject* parent = nullptr);
    ~EndingSignals() override;
    EndingSignals(const EndingSignals&) = delete;
    EndingSignals& operator=(const EndingSignals&) = delete;

signals:
    void endRequested();

private:
    void takeRequests();

    QSocketNotifier* m_notifier = nullptr;
};
