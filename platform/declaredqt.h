// Which Qt the hand-made declarations of waylanddecoration.h fit: the one they are built against,
// unless a build says otherwise (the tests build a copy declared for another Qt).
#pragma once

#include <QtGlobal>

#include <cstring>

#ifndef GLOSSMERE_DECLARED_FOR_QT
#define GLOSSMERE_DECLARED_FOR_QT QT_VERSION_STR
#endif

// Private classes change between any two releases, so only that very version will do.
inline bool declarationsFit(const char *runningQt)
{
    return std::strcmp(runningQt, GLOSSMERE_DECLARED_FOR_QT) == 0;
}
