// Large fresh allocations filled once (file contents, a big list's text) fault in page by page;
// asking for huge pages there turns thousands of faults into a few.
#pragma once

#include <cstddef>

// Advises the whole 2 MiB pages inside [data, data + bytes); a no-op where the system has none.
void adviseHugePages(void *data, std::size_t bytes);
