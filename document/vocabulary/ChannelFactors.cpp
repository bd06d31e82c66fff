// The factor family of channel and alpha arithmetic (901-967).
#include "document/vocabulary/FactorTable.h"

namespace vocabulary {

constinit const FactorFamily kChannelFamily = {nullptr, 0, nullptr, 0};

}  // namespace vocabulary
