// Large fresh allocations filled once (file contents, a big list's text) fault in page by page;
// asking for huge pages there turns thousands of faults into a few.
#pragma once

#include <cstddef>

// Advises the whole 2 MiB pages inside [data, data + bytes); a no-op where the system has none.
void adviseHugePages(void *data, std::size_t bytes);

// Reads the first `bytes` bytes of the open file `fd` into `data`, each half on its own core: filling
// fresh memory costs its page faults as much as the copy, and the second core takes half of both.
// False on an error or where the file ends early; the caller then reads it the plain way.
bool readInHalves(int fd, char *data, std::size_t bytes);
