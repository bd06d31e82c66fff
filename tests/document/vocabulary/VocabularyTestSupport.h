#pragma once
// Helpers shared by the factor vocabulary tests.
#include <string>

#include "document/model/QDXFactor.h"

namespace vocabulary_test {

// The factor's written text, or a marker that cannot be a factor text.
inline std::string Write(const QDXFactor& f) {
    CStr_base<1024> out;
    if (!f.WriteText(out)) return "<write failed>";
    return out.GetText();
}

}  // namespace vocabulary_test
