#include "platform/PageMemory.h"

#include <sys/mman.h>
#include <unistd.h>

namespace platform {

size_t PageSize() noexcept {
    static const size_t size = [] {
        const long s = sysconf(_SC_PAGESIZE);
        return s > 0 ? static_cast<size_t>(s) : size_t(4096);
    }();
    return size;
}

void* CommitPages(size_t bytes) noexcept {
    if (bytes == 0) return nullptr;
    void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return p == MAP_FAILED ? nullptr : p;
}

void ReleasePages(void* pages, size_t bytes) noexcept {
    if (pages != nullptr) munmap(pages, bytes);
}

}  // namespace platform
