#pragma once
// Paths seen as lists of vectors, the form in which prediction compares them.
//
// FactorVector is one step of a path: its direction and length, where it
// starts relative to the list's origin, the kind of path node that made it and,
// for curves, where the node's control point lies. FactorVectorList is a whole
// path as such steps plus a closed flag, a separator flag, total and mean
// length and a colour. The same list is the prediction input (PredictInput.h)
// and every stored model (PredictDataBase.h).
//
// One text line holds one list:
//   FactorVectorList(<colour %x>,<c|o>,(<angle>,<length>,<kind>,<control angle>,<control distance>,<true|false>),...)
// with the reals written as "%.9f" independently of the locale. The starts,
// the lengths' sum and mean and the separator flag are not written: the reader
// recomputes them (the separator flag always reads back as 0).
#include <cstdint>

#include "foundation/containers/ArrayAuto.h"
#include "foundation/containers/StrArray.h"
#include "foundation/strings/Str.h"

struct FactorVector {
    double Angle = 0.0;            // atan2(dy, dx) of the step, radians
    double Length = 0.0;           // length of the step
    double StartX = 0.0;           // start of the step relative to the list's origin
    double StartY = 0.0;
    int32_t Kind = 0;              // node type that made the step: 1 Line .. 5 Return
    double ControlAngle = 0.0;     // CircleCurve and Arc: direction from the start to the control point
    double ControlDistance = 0.0;  // CircleCurve and Arc: distance from the start to the control point
    uint8_t Flag = 0;              // CircleCurve: its t/f flag (nonzero = t)

    // Reads one bracketed item of a list line ("(a,l,k,ca,cd,true)"); the
    // first byte is skipped unchecked. False unless there are exactly six
    // values and the first five convert; fields read before a failing one keep
    // their new values. The starts are set to 0 (the list reader places them).
    static bool Parse(FactorVector& vector, const char* text, CStrArray_base<64>& items);
};

class FactorVectorList : public CArrayAuto<FactorVector> {
public:
    FactorVectorList() noexcept = default;

    uint8_t Closed = 0;        // 1 when the path ends where it started
    uint8_t HasSeparator = 0;  // prediction input only: the path holds a Separator anywhere
    double TotalLength = 0.0;  // sum of the vectors' lengths
    double MeanLength = 0.0;
    uint32_t Color = 0;        // colour code of the factor the list was made from

    // Replaces out with the list's line (no line break). Always true.
    bool Write(CStr_base<1024>& out) const;

    // Reads one line into the list. False with the list untouched when the line
    // does not start with "FactorVectorList(" or has fewer than two items; false
    // when the colour does not convert or a vector item is bad (the vectors read
    // before the bad one stay). The scratch arrays are the caller's, reused from
    // line to line.
    bool Parse(const char* line, CStrArray_base<1024>& items, CStrArray_base<64>& vectorItems);

    // Makes this list a field-for-field copy of other (vectors and all fields).
    void CopyFrom(const FactorVectorList& other);
};
