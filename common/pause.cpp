#include "common/pause.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

void EventLoopPause::Wait(double seconds)
{
    if (seconds <= 0)
        return;
    const QDeadlineTimer deadline(qint64(seconds * 1000.0), Qt::PreciseTimer);
    // A timer may fire a moment early; wait again for what is left.
    while (!deadline.hasExpired()) {
        QEventLoop loop;
        bool timedOut = false;
        QTimer::singleShot(std::max<qint64>(1, deadline.remainingTime()), Qt::PreciseTimer, &loop, [&] {
            timedOut = true;
            loop.quit();
        });
        loop.exec();
        // Ended by something else than its timer: the program is quitting, and nothing waits for it.
        if (!timedOut)
            return;
    }
}
