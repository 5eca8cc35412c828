// What "Start Taking Test" needs of the test options window, which lives in a higher layer.
#pragma once

#include <QString>

class TestOptionsGate
{
public:
    virtual ~TestOptionsGate() = default;
    virtual void setFileNameCaption(const QString &caption) = 0;
    virtual void setEntryCountCaption(const QString &caption) = 0;
    virtual void showOptions() = 0;
};
