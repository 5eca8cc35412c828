// The busy pointer for as long as a piece of work on a big list may take; gone again on every way out.
#pragma once

#include <QCursor>
#include <QGuiApplication>

template <Qt::CursorShape Shape> class OverridePointer
{
public:
    OverridePointer() { QGuiApplication::setOverrideCursor(QCursor(Shape)); }

    ~OverridePointer() { QGuiApplication::restoreOverrideCursor(); }

    OverridePointer(const OverridePointer &) = delete;
    OverridePointer &operator=(const OverridePointer &) = delete;
};

using BusyPointer = OverridePointer<Qt::WaitCursor>;
// A question or message in the middle of such work shows the ordinary pointer.
using ArrowPointer = OverridePointer<Qt::ArrowCursor>;
