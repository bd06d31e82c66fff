// The factor family of colour-space object drawing (301-394).
#include "document/vocabulary/FactorTable.h"

namespace vocabulary {

constinit const FactorFamily kColourSpaceFamily = {nullptr, 0, nullptr, 0};

}  // namespace vocabulary
