// The busy pointer for as long as a piece of work on a big list may take; gone again on every way out.
#pragma once

#include <QCursor>
#include <QGuiApplication>

class BusyPointer
{
public:
    BusyPointer() { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }

    ~BusyPointer() { QGuiApplication::restoreOverrideCursor(); }

    BusyPointer(const BusyPointer &) = delete;
    BusyPointer &operator=(const BusyPointer &) = delete;
};

// A question or message in the middle of such work shows the ordinary pointer.
class ArrowPointer
{
public:
    ArrowPointer() { QGuiApplication::setOverrideCursor(QCursor(Qt::ArrowCursor)); }

    ~ArrowPointer() { QGuiApplication::restoreOverrideCursor(); }

    ArrowPointer(const ArrowPointer &) = delete;
    ArrowPointer &operator=(const ArrowPointer &) = delete;
};
