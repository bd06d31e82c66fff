// Placeholders until the host services are built; each file that builds one
// removes its part here.
#include "host/InputMgr.h"

CQRKInputMgr::CQRKInputMgr() = default;
CQRKInputMgr::~CQRKInputMgr() = default;
void CQRKInputMgr::SetHostTables(QRKHostInputTables*) {}
