#pragma once
// Member tables of the compositing kernel families.
//
// Each family's .cpp file lists its members once, one line each, as
//   X(how, shape, name, form, plainTwin, fullTwin, operation)
// and expands that list twice: into the member definitions (how = Table; a
// member written by hand says Hand and is only listed) and into the family's
// KernelEntry table, which the tests walk. The columns:
//   shape      argument shape (Shape below);
//   form       Full, C or A;
//   plainTwin  the member whose pixels this one reproduces one-to-one: for a
//              stretched member drawn at scale 1 its plain twin, for a masked or
//              indexed member the unmasked plain member; _ for none;
//   fullTwin   for opacity and level members the member run at full opacity
//              (255 or, for levels, 255 and above); _ when handled inside;
//   operation  the pixel operation (KernelFrame.h), parenthesised; it may use
//              the member's arguments (opacity, level, tone, rp, gp, bp, am).
#include <cstdint>
#include <span>
#include <variant>

#include "raster/blend/KernelFrame.h"

namespace blend {

enum class Shape : uint8_t {
    Plain,             // dx, dy, source, sx, sy, w, h
    PlainOpacity,      // ... and an 8-bit opacity
    PlainLevel,        // ... and a 32-bit level
    PlainTone,         // ... and tone colour, rp, gp, bp, am
    Stretched,         // dx, dy, dw, dh, source, sx, sy, sw, sh
    StretchedOpacity,  // ... and an 8-bit opacity
    StretchedLevel,    // ... and a 32-bit level
    StretchedTone,     // ... and tone colour, rp, gp, bp, am
    Masked,            // plain arguments, through the source's block opacity mask
    FromIndexed,       // plain arguments, indexed source
};

using PlainFn = void (CSprite::*)(int32_t, int32_t, const CSprite&, int32_t, int32_t, int32_t, int32_t);
using PlainOpacityFn = void (CSprite::*)(int32_t, int32_t, const CSprite&, int32_t, int32_t, int32_t, int32_t,
                                         uint8_t);
using PlainLevelFn = void (CSprite::*)(int32_t, int32_t, const CSprite&, int32_t, int32_t, int32_t, int32_t,
                                       uint32_t);
using PlainToneFn = void (CSprite::*)(int32_t, int32_t, const CSprite&, int32_t, int32_t, int32_t, int32_t,
                                      uint32_t, uint32_t, uint32_t, uint32_t, uint32_t);
using StretchedFn = void (CSprite::*)(int32_t, int32_t, int32_t, int32_t, const CSprite&, int32_t, int32_t, int32_t,
                                      int32_t);
using StretchedOpacityFn = void (CSprite::*)(int32_t, int32_t, int32_t, int32_t, const CSprite&, int32_t, int32_t,
                                             int32_t, int32_t, uint8_t);
using StretchedLevelFn = void (CSprite::*)(int32_t, int32_t, int32_t, int32_t, const CSprite&, int32_t, int32_t,
                                           int32_t, int32_t, uint32_t);
using StretchedToneFn = void (CSprite::*)(int32_t, int32_t, int32_t, int32_t, const CSprite&, int32_t, int32_t,
                                          int32_t, int32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t);
using MaskedFn = PlainFn;
using FromIndexedFn = PlainFn;

using KernelFn = std::variant<PlainFn, PlainOpacityFn, PlainLevelFn, PlainToneFn, StretchedFn, StretchedOpacityFn,
                              StretchedLevelFn, StretchedToneFn>;

struct KernelEntry {
    const char* name;
    Shape shape;
    Form form;
    KernelFn fn;
    const char* plainTwin;  // null: none
    const char* fullTwin;   // null: none, or full opacity handled inside
};

constexpr const char* TwinName(const char* name) { return name[0] == '_' && name[1] == 0 ? nullptr : name; }

// The members of each family.
std::span<const KernelEntry> CopyKernels();
std::span<const KernelEntry> AlphaKernels();
std::span<const KernelEntry> BlendKernels();
std::span<const KernelEntry> LayerKernels();
std::span<const KernelEntry> BackKernels();
std::span<const KernelEntry> AddKernels();
std::span<const KernelEntry> SubKernels();
std::span<const KernelEntry> RevMulKernels();
std::span<const KernelEntry> XorKernels();
std::span<const KernelEntry> MulKernels();
std::span<const KernelEntry> DivKernels();

}  // namespace blend

// ---------------------------------------------------------------------------
// Expanding a family list (used by the family .cpp files only)

#define OC_KERNEL_PLAIN_PARAMS \
    int32_t dx, int32_t dy, const CSprite &source, int32_t sx, int32_t sy, int32_t w, int32_t h
#define OC_KERNEL_PLAIN_ARGS dx, dy, source, sx, sy, w, h
#define OC_KERNEL_STRETCHED_PARAMS                                                                              \
    int32_t dx, int32_t dy, int32_t dw, int32_t dh, const CSprite &source, int32_t sx, int32_t sy, int32_t sw, \
        int32_t sh
#define OC_KERNEL_STRETCHED_ARGS dx, dy, dw, dh, source, sx, sy, sw, sh
#define OC_KERNEL_TONE_PARAMS uint32_t tone, uint32_t rp, uint32_t gp, uint32_t bp, uint32_t am

#define OC_KERNEL_ENTRY(how, shape, name, form, plainTwin, fullTwin, op)                                  \
    {#name,                                                                                               \
     ::blend::Shape::shape,                                                                               \
     ::blend::Form::form,                                                                                 \
     ::blend::KernelFn{static_cast<::blend::shape##Fn>(&CSprite::name)},                                 \
     ::blend::TwinName(#plainTwin),                                                                       \
     ::blend::TwinName(#fullTwin)},

#define OC_KERNEL_DEFINE(how, shape, name, form, plainTwin, fullTwin, op) \
    OC_KERNEL_DEFINE_##how(shape, name, form, fullTwin, op)
#define OC_KERNEL_DEFINE_Hand(shape, name, form, fullTwin, op)
#define OC_KERNEL_DEFINE_Table(shape, name, form, fullTwin, op) OC_KERNEL_DEFINE_##shape(name, form, fullTwin, op)

#define OC_KERNEL_DEFINE_Plain(name, form, fullTwin, op) \
    void CSprite::name(OC_KERNEL_PLAIN_PARAMS) { ::blend::DrawPlain(*this, OC_KERNEL_PLAIN_ARGS, op); }

#define OC_KERNEL_DEFINE_PlainOpacity(name, form, fullTwin, op)            \
    void CSprite::name(OC_KERNEL_PLAIN_PARAMS, uint8_t opacity) {          \
        if (opacity == 255) return fullTwin(OC_KERNEL_PLAIN_ARGS);         \
        if (opacity == 0) return;                                          \
        ::blend::DrawPlain(*this, OC_KERNEL_PLAIN_ARGS, op);                \
    }

#define OC_KERNEL_DEFINE_PlainLevel(name, form, fullTwin, op)             \
    void CSprite::name(OC_KERNEL_PLAIN_PARAMS, uint32_t level) {          \
        if (level >= 255) {                                                \
            if (RasterPixelMode == 1) fullTwin(OC_KERNEL_PLAIN_ARGS);      \
            return;                                                        \
        }                                                                  \
        if (level == 0) return;                                            \
        ::blend::DrawPlain(*this, OC_KERNEL_PLAIN_ARGS, op);               \
    }

#define OC_KERNEL_DEFINE_PlainTone(name, form, fullTwin, op)                                                 \
    void CSprite::name(OC_KERNEL_PLAIN_PARAMS, OC_KERNEL_TONE_PARAMS) {                                      \
        ::blend::DrawPlain(*this, OC_KERNEL_PLAIN_ARGS, op);                                                  \
    }

#define OC_KERNEL_DEFINE_Stretched(name, form, fullTwin, op) \
    void CSprite::name(OC_KERNEL_STRETCHED_PARAMS) { ::blend::DrawStretched(*this, OC_KERNEL_STRETCHED_ARGS, op); }

#define OC_KERNEL_DEFINE_StretchedOpacity(name, form, fullTwin, op)        \
    void CSprite::name(OC_KERNEL_STRETCHED_PARAMS, uint8_t opacity) {      \
        if (opacity == 255) return fullTwin(OC_KERNEL_STRETCHED_ARGS);     \
        if (opacity == 0) return;                                          \
        ::blend::DrawStretched(*this, OC_KERNEL_STRETCHED_ARGS, op);        \
    }

#define OC_KERNEL_DEFINE_StretchedLevel(name, form, fullTwin, op)         \
    void CSprite::name(OC_KERNEL_STRETCHED_PARAMS, uint32_t level) {      \
        if (level >= 255) {                                                \
            if (RasterPixelMode == 1) fullTwin(OC_KERNEL_STRETCHED_ARGS);  \
            return;                                                        \
        }                                                                  \
        if (level == 0) return;                                            \
        ::blend::DrawStretched(*this, OC_KERNEL_STRETCHED_ARGS, op);       \
    }

#define OC_KERNEL_DEFINE_StretchedTone(name, form, fullTwin, op)                                             \
    void CSprite::name(OC_KERNEL_STRETCHED_PARAMS, OC_KERNEL_TONE_PARAMS) {                                  \
        ::blend::DrawStretched(*this, OC_KERNEL_STRETCHED_ARGS, op);                                          \
    }

#define OC_KERNEL_DEFINE_Masked(name, form, fullTwin, op)                                      \
    void CSprite::name(OC_KERNEL_PLAIN_PARAMS) {                                               \
        ::blend::DrawMasked<::blend::Form::form>(*this, OC_KERNEL_PLAIN_ARGS, op);            \
    }

#define OC_KERNEL_DEFINE_FromIndexed(name, form, fullTwin, op) \
    void CSprite::name(OC_KERNEL_PLAIN_PARAMS) { ::blend::DrawFromIndexed(*this, OC_KERNEL_PLAIN_ARGS, op); }

// Defines the members of a family list and its table accessor.
#define OC_KERNEL_FAMILY(LIST, accessor)                                  \
    LIST(OC_KERNEL_DEFINE)                                                \
    namespace blend {                                                     \
    namespace {                                                           \
    const KernelEntry k##accessor##Table[] = {LIST(OC_KERNEL_ENTRY)};     \
    }                                                                     \
    std::span<const KernelEntry> accessor() { return k##accessor##Table; } \
    }
