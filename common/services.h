// What every window needs from outside: dialogs, randomness, pauses, settings and the folder of
// shipped content.
#pragma once

#include <QString>

class Pause;
class Prompts;
class RandomSource;
class Settings;

struct Services
{
    Prompts &prompts;
    RandomSource &random;
    Pause &pause;
    Settings &settings;
    // The folder of the running program, where Sample/, Sounds/, HAND-M.CUR and x/o.cjs live.
    QString programFolder;

    // The program folder followed by a name such as "/Sounds/right.wav", joined unchanged.
    QString programFile(const QString &name) const { return programFolder + name; }
};
