// Linked files: placeholders until the resolver and the two loaders are built.
#include "document/model/QDXCtrl.h"

bool CQDXCtrl::ResolveExternalPath(const char*, CStr_base<64>&, CStr_base<64>*) { return true; }
bool CQDXCtrl::LoadExternalImage(const char*, CSprite&, CStr_base<64>*) { return false; }
bool CQDXCtrl::RenderExternalObject(const char*, CSprite&, CStr_base<64>*) { return false; }
