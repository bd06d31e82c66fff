// Placeholders until the host services are built; each file that builds one
// removes its part here.
#include "host/ErrorQueue.h"
#include "host/HostContext.h"
#include "host/InputMgr.h"
#include "host/ShareSprite.h"

namespace {
QRKHostContext* g_host = nullptr;
}
QRKHostContext* QRKCurrentHost() noexcept { return g_host; }
void QRKPublishHost(QRKHostContext* host) noexcept { g_host = host; }

struct CQRKErrorQueue::State {};
CQRKErrorQueue::CQRKErrorQueue() : m_state(nullptr) {}
CQRKErrorQueue::~CQRKErrorQueue() = default;
void CQRKErrorQueue::ClearFatal() {}
bool CQRKErrorQueue::IsFatal() const { return false; }
void CQRKErrorQueue::ReportError(const char*, bool) {}
bool CQRKErrorQueue::HasPending() const { return false; }
bool CQRKErrorQueue::Display(void*) { return false; }

CAsyncLoader::CAsyncLoader() = default;
CAsyncLoader::~CAsyncLoader() = default;
void CAsyncLoader::Stop() {}
CQRKShareSpriteMgr::CQRKShareSpriteMgr() = default;
CQRKShareSpriteMgr::~CQRKShareSpriteMgr() = default;
bool CQRKShareSpriteMgr::HasLoader() const { return false; }
void CQRKShareSpriteMgr::SetLoader(CAsyncLoader*) {}
void CQRKShareSpriteMgr::Sweep(uint32_t) {}

CQRKInputMgr::CQRKInputMgr() = default;
CQRKInputMgr::~CQRKInputMgr() = default;
void CQRKInputMgr::SetHostTables(QRKHostInputTables*) {}
