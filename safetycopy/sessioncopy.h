// This session's copy of unsaved work: written a moment after each change and removed once the list
// is saved; the copies that earlier sessions left are offered back at start.
#pragma once

#include "safetycopy/safetycopy.h"

#include <QElapsedTimer>
#include <QTimer>

#include <functional>

class DefManager;
class Prompts;

class SessionSafetyCopy
{
public:
    // What the window's boxes for a new entry hold.
    using TypedSource = std::function<TypedTexts()>;

    // Copies go to `folder`; each holds the list and file name that `defs` stands for, and what
    // `typed` says the boxes hold.
    SessionSafetyCopy(const QString &folder, const DefManager &defs, TypedSource typed = {});

    // Whether the folder can hold copies at all; when not, nothing is ever written.
    bool usable() const { return m_files.usable(); }

    // The list or the typed texts changed: a copy follows, or the copy goes once the list is up to
    // date again and nothing is typed.
    void listChanged();
    // Offers each copy that no running session owns, newest first, until one is restored through
    // `restore`; one that cannot be read is kept aside, and the user told where.
    void offerCopies(Prompts &prompts, const std::function<void(SafetyCopyContent)> &restore);
    // A normal end: no copy is left to be offered.
    void end();

private:
    void followSchedule();
    TypedTexts typed() const;

    const DefManager &m_defs;
    TypedSource m_typed;
    SafetyCopyFiles m_files;
    SafetyCopyWriter m_writer;
    SafetyCopySchedule m_schedule;
    QElapsedTimer m_clock;
    QTimer m_timer;
};
