#pragma once

#include <cstddef>

// Reads the first `bytes` bytes of the open file `fd` into `data`, each half on its own core: filling
// fresh memory costs its page faults as much as the copy, and the second core takes half of both.
// False on an error or where the file ends early; the caller then reads it the plain way.
bool readInHalves(int fd, char *data, std::size_t bytes);
