// The factor family of conditional replacement draws (1301-1387).
#include "document/vocabulary/FactorTable.h"

namespace vocabulary {

constinit const FactorFamily kConditionalFamily = {nullptr, 0, nullptr, 0};

}  // namespace vocabulary
