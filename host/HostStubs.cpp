// Placeholders until the host services are built; each file that builds one
// removes its part here.
#include "host/InputMgr.h"
#include "host/ShareSprite.h"

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
