#include "common/readerthread.h"

std::jthread (*startReaderThread)(std::function<void()> work) = [](std::function<void()> work) {
    return std::jthread(std::move(work));
};
