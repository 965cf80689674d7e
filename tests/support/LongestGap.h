#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>

// The longest the event loop went without serving a 5 ms timer: how long a window would not answer.
struct LongestGap {
    QElapsedTimer sinceTick;
    QTimer ticker;
    qint64 longest = 0;
    LongestGap()
    {
        QObject::connect(&ticker, &QTimer::timeout, &ticker,
                         [this] { longest = std::max(longest, sinceTick.restart()); });
        sinceTick.start();
        ticker.start(5);
    }
};
