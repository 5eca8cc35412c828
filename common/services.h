// What every window needs from outside: dialogs, randomness and the folder of shipped content.
#pragma once

#include <QString>

class Prompts;
class RandomSource;

struct Services
{
    Prompts &prompts;
    RandomSource &random;
    // The folder of the running program, where Sample/, Sounds/, HAND-M.CUR and x/o.cjs live.
    QString programFolder;

    // The program folder followed by a name such as "/Sounds/right.wav", joined unchanged.
    QString programFile(const QString &name) const { return programFolder + name; }
};
