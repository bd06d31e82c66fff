// The factor family of drawing another object (201-280).
#include "document/vocabulary/FactorTable.h"

namespace vocabulary {

constinit const FactorFamily kObjectDrawFamily = {nullptr, 0, nullptr, 0};

}  // namespace vocabulary
