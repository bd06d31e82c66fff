// QDXFactor::BuildDiagram: a factor's shape outline, for the path kinds, the
// reference masks and the warps.
#include "document/model/QDXFactor.h"

bool QDXFactor::BuildDiagram(double, double, double, CStr_base<64>*) { return false; }
