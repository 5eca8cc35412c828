// What "Start Taking Test" needs of the test options window, which lives in a higher layer.
#pragma once

#include <QString>

#include <optional>
#include <vector>

class TestOptionsGate
{
public:
    virtual ~TestOptionsGate() = default;
    virtual void setFileNameCaption(const QString &caption) = 0;
    virtual void setEntryCountCaption(const QString &caption) = 0;
    // What the next "Continue >" tests: these entries alone (by their positions in the list, each
    // once), or without them every entry of the list.
    virtual void setTestEntries(std::optional<std::vector<int>> entries) = 0;
    virtual void showOptions() = 0;
};
