#include "host/HostContext.h"

#include <atomic>

namespace {
// The one published host. Any thread may ask (a report from another thread
// reaches the queue through it), so the pointer itself is atomic.
std::atomic<QRKHostContext*> g_host{nullptr};
}  // namespace

QRKHostContext* QRKCurrentHost() noexcept { return g_host.load(std::memory_order_acquire); }

void QRKPublishHost(QRKHostContext* host) noexcept { g_host.store(host, std::memory_order_release); }
