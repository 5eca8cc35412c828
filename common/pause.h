// The pauses after an answer: window events keep running while a pause lasts.
#pragma once

class Pause
{
public:
    virtual ~Pause() = default;
    // Returns after `seconds`, or earlier when the program quits; 0 or less returns at once.
    virtual void Wait(double seconds) = 0;
};

// Waits in a nested event loop with a timer: clicks and keys are handled inside the wait, and the
// CPU stays idle.
class EventLoopPause : public Pause
{
public:
    void Wait(double seconds) override;
};
