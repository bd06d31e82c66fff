// Which vector rows the processor runs. Compiled as every other file (the
// AVX2 rows themselves are in the *Avx2.cpp files), so the check runs anywhere.
#include "raster/blend/Avx2Rows.h"

#if defined(OC_BLEND_AVX2)
namespace blend::avx2 {

// __builtin_cpu_supports also asks whether the system saves the 256-bit
// registers; __builtin_cpu_init makes it safe during static initialisation.
const bool kAvailable = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
}();

}  // namespace blend::avx2
#endif
