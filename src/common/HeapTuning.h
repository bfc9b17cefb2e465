#pragma once

#include <cstddef>

namespace heaptuning {

// A large feed fills tens of megabytes with small strings and a few big buffers. Every first
// touch of a fresh 4 KiB page is a page fault, and in a virtual machine the faults cost more
// than the parsing. This grows the heap once by `bytes` in memory that the kernel may back with
// large pages, and keeps freed blocks there for the next ones instead of mapping every large
// buffer anew. Harmless where the system offers no large pages; call it early, once.
void preferLargePages(std::size_t bytes);

} // namespace heaptuning
