#include "document/model/QDXFactor.h"

#include <cstring>

QDXFactor::QDXFactor() { ResetValues(); }

void QDXFactor::Reset() noexcept {
    Path.RemoveAll();
    Targets.RemoveAll();
    Diagram.Reset();
    GradationPoints.Free();
    ResetValues();
}

void QDXFactor::ResetValues() noexcept {
    GradationCount = 0;
    Options = 0;
    Kind = 0;
    SpaceParam1 = SpaceParam2 = SpaceParam3 = 0;
    RangeParam1 = 360;
    RangeParam2 = 256;
    RangeParam3 = 256;
    Alpha = ByteParam1 = ByteParam2 = ByteParam3 = 255;
    Color1 = Color2 = Color3 = Color4 = 0;
    ColorRef1 = ColorRef2 = ColorRef3 = ColorRef4 = 0;
    X1 = X2 = X3 = X5 = 0;
    Y1 = Y2 = Y3 = Y5 = 0;
    X4 = Y4 = 1;
    Width = 16;
    RefNumber1 = RefNumber2 = 0;
    ForeachFirst = 0;
    ForeachLast = -1;
    CurveFlag = false;
    Enabled = true;
    Real1 = Real2 = Real3 = 0.0;
    Real4 = Real5 = Real6 = Real7 = Real8 = 1.0;
    Real9 = Real10 = Real11 = 0.0;
    Real12 = 10000.0;
    IntParam1 = 0x01010101u;
    IntParam2 = 0x7777u;
    IntParam3 = IntParam4 = IntParam5 = 0;
    IntParam6 = 256;

    // Identities in 16.16: the colour matrix maps each of its four channels onto
    // itself; the mapping matrices carry their constant term in entry 20.
    std::memset(ColorExMatrix, 0, sizeof ColorExMatrix);
    ColorExMatrix[0] = ColorExMatrix[11] = ColorExMatrix[22] = ColorExMatrix[33] = 0x10000;
    std::memset(XYMatrix, 0, sizeof XYMatrix);
    XYMatrix[0] = XYMatrix[8] = 0x10000;
    XYMatrix[20] = 0x1000000;
    std::memset(RAMatrix, 0, sizeof RAMatrix);
    RAMatrix[9] = 0x10000;
    RAMatrix[20] = 0x1000000;

    // Emptied, buffers kept: the next parse usually fills them again.
    SourceName.SetLength(0);
    Name.SetLength(0);
    FontSpec.SetLength(0);
    Text.SetLength(0);
    for (CStr_base<64>& name : TemplateNames) name.SetLength(0);
}

void QDXFactor::AssignName(const char* objectName, int32_t index) { Name.Format("%s?%d", objectName, index); }
