// Reports, for a benchmark started by `launch`, the moment a widget has been painted and the event loop
// then has nothing left to do: the monotonic clock in nanoseconds on standard output, then a quick exit
// (the launcher takes the peak memory from the ended process).
#pragma once

#include <QAbstractEventDispatcher>
#include <QEvent>
#include <QObject>
#include <QWidget>

#include <cstdio>
#include <ctime>
#include <functional>
#include <unistd.h>

class ReadyProbe : public QObject
{
public:
    // `painted` decides whether a paint of `widget` shows what the benchmark waits for.
    ReadyProbe(
        QWidget *widget, std::function<bool()> painted = [] { return true; })
        : m_painted(std::move(painted))
    {
        widget->installEventFilter(this);
        connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this, [this] {
            if (m_seen)
                report();
        });
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && m_painted())
            m_seen = true;
        return false;
    }

private:
    [[noreturn]] static void report()
    {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        std::printf("%lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
        std::fflush(stdout);
        _exit(0);
    }

    std::function<bool()> m_painted;
    bool m_seen = false;
};
