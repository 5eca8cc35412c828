// The thread that reads a big file's second half, or reads a file ahead.
#pragma once

#include <functional>
#include <thread>

// Starts it; throws std::system_error when there is none to be had, and the work is then done on the
// calling thread. Tests put in one that fails.
extern std::jthread (*startReaderThread)(std::function<void()> work);
