#pragma once
// Compositing rows with 256-bit vectors.
//
// Each row here does eight pixels a step with exactly the bytes of the SSE2
// row and the scalar rule it stands beside, and returns how many pixels it did
// (a multiple of 8); the caller finishes the row with its SSE2 or scalar loop.
// The rows live in source files of their own, compiled with -mavx2 and kept
// out of unity batches, and run only where Available() says the processor has
// AVX2. Those files include nothing but this header, Avx2Lanes.h (whose
// helpers have internal linkage) and the standard headers it needs: an inline
// function of a shared header compiled there could be the copy the linker
// keeps, and would then run AVX2 code on any processor.
//
// OC_BLEND_AVX2 is set by the build where those files get -mavx2; elsewhere
// the rows do not exist and Available() is false.
#include <cstdint>

namespace blend::avx2 {

#if defined(OC_BLEND_AVX2)

// Whether the processor and the system run AVX2, found once at start-up. It
// reads false until then, which only means the SSE2 rows run.
extern const bool kAvailable;
inline bool Available() noexcept { return kAvailable; }

// Source over destination, the Alpha kind (SourceOverRowSse2 in KernelFrame.h):
// at full opacity, and with an opacity of 1..254.
int32_t SourceOverRow(uint32_t* d, const uint32_t* s, int32_t n) noexcept;
int32_t SourceOverOpacityRow(uint32_t* d, const uint32_t* s, int32_t n, uint32_t opacity) noexcept;

// The Immediate rows of Add and Sub: every byte min(255, d + s) or
// max(0, d - s); a transparent source pixel keeps its pixel, and the bytes in
// keepAlways always keep theirs (ArithRules.h).
int32_t AddSaturateRow(uint32_t* d, const uint32_t* s, int32_t n, uint32_t keepAlways) noexcept;
int32_t SubClampRow(uint32_t* d, const uint32_t* s, int32_t n, uint32_t keepAlways) noexcept;

// Mul Immediate and Mul Merge (BlendMul.cpp, MulImmediateRowSse2 and
// MulMergeRowSse2 in ArithRules.h), full or colour-only form; the Merge rows at
// full opacity and with an opacity of 1..254.
int32_t MulImmediateRow(uint32_t* d, const uint32_t* s, int32_t n, bool colourOnly) noexcept;
int32_t MulMergeRow(uint32_t* d, const uint32_t* s, int32_t n, bool colourOnly) noexcept;
int32_t MulMergeOpacityRow(uint32_t* d, const uint32_t* s, int32_t n, bool colourOnly, uint32_t opacity) noexcept;

#else

inline bool Available() noexcept { return false; }

#endif

}  // namespace blend::avx2
