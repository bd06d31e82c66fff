#pragma once
// Whole pages of read-write memory taken directly from the system, page-aligned
// and zero-filled: the backing store of rings that must sit on page boundaries.
#include <cstddef>

namespace platform {

// Size of one page of the system, in bytes.
size_t PageSize() noexcept;

// Commits `bytes` bytes (rounded up to whole pages) and returns their start, or
// null when the system refuses or `bytes` is 0.
void* CommitPages(size_t bytes) noexcept;

// Gives back memory from CommitPages; `bytes` is the size it was committed with.
// Null does nothing.
void ReleasePages(void* pages, size_t bytes) noexcept;

}  // namespace platform
