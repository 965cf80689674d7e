#pragma once

#include "GuardProtocol.h"

#include <QObject>
#include <QString>

#include <chrono>

// What keys the radio needs of the guard that unkeys it should the program die: whether it can act,
// and to be told around each key-up. A run with a guard never keys the radio while it is not ready.
class KeyingGuard : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual bool isReady() const = 0;
    // Why keying is refused; empty while ready.
    virtual QString notReadyReason() const = 0;
    // Before a key-up: what to give the radio back, and by when to unkey it whatever the program is
    // doing. False when not ready: the radio must not be keyed then.
    virtual bool onAir(std::chrono::milliseconds untilDeadline, const guard::RadioSettings& restore) = 0;
    // After the unkey and the restore.
    virtual void offAir() = 0;

signals:
    void readinessChanged(bool ready);
};
