#pragma once
// The argument groups shared by the format-1.0 draws of another object (the
// plain, tone and colour-space draws), as field lists for the row tables:
//   head          items 0-4: drawn area x, y, width, height, source name
//   plain tail    items 5-6: source x, y
//   Resize tail   items 5-8: source x, y, width, height
//   Rotate long   items 5-13: origin x, y, angle, scale x, scale y, source
//                 x, y, width, height
//   Rotate short  items 5-8: origin x, y, angle, one scale in 1/65536 (the
//                 row's hook, StoreShortRotate, derives the rest)
// Used inside a family's namespace with `using namespace fields` and the
// vocabulary's field constructors in scope.
#include "document/legacy/LegacyFields.h"
#include "document/legacy/LegacyTable.h"

#define OC_LEGACY_HEAD Int(0, Ints[0]), Int(1, Ints[5]), Int(2, Ints[1]), Int(3, Ints[6]), Name(4, &F::SourceName)
#define OC_LEGACY_PLAIN Int(5, Ints[2]), Int(6, Ints[7])
#define OC_LEGACY_RESIZE Int(5, Ints[2]), Int(6, Ints[7]), Int(7, Ints[3]), Int(8, Ints[8])
#define OC_LEGACY_ROTATE_LONG                                                                                   \
    Int(5, Ints[4]), Int(6, Ints[9]), Real(7, Reals[0]), Real(8, Reals[3]), Real(9, Reals[4]), Int(10, Ints[2]), \
        Int(11, Ints[7]), Int(12, Ints[3]), Int(13, Ints[8])
#define OC_LEGACY_ROTATE_SHORT Int(5, Ints[4]), Int(6, Ints[9]), Real(7, Reals[0]), Real(8, Reals[3])
