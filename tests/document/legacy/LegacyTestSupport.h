#pragma once
// Helpers of the format-1.0 vocabulary tests: every slot of a factor as one
// text (so two records compare in one assertion that shows the difference),
// and the round trip that ties a legacy text to the current vocabulary: the
// legacy record written in format 1.2 and read back by the current parser
// must give the same record.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "document/legacy/LegacyTable.h"
#include "document/model/QDXFactor.h"

namespace legacy_test {

// Every slot of the record but its name and outline, one "field=value" per line.
inline std::string Describe(const QDXFactor& f) {
    std::string out;
    char buffer[128];
    auto add = [&](const char* name, long long value) {
        std::snprintf(buffer, sizeof buffer, "%s=%lld\n", name, value);
        out += buffer;
    };
    auto addReal = [&](const char* name, double value) {
        std::snprintf(buffer, sizeof buffer, "%s=%.17g\n", name, value);
        out += buffer;
    };
    auto addText = [&](const char* name, const CStr_base<64>& text) { out += std::string(name) + "=[" + text.GetText() + "]\n"; };
    add("Kind", f.Kind);
    add("Enabled", f.Enabled);
    add("Options", f.Options);
    const int32_t space[6] = {f.SpaceParam1, f.SpaceParam2, f.SpaceParam3, f.RangeParam1, f.RangeParam2, f.RangeParam3};
    for (int i = 0; i < 6; ++i) add(("ColorSpaceParams" + std::to_string(i)).c_str(), space[i]);
    const uint8_t alphas[4] = {f.Alpha, f.ByteParam1, f.ByteParam2, f.ByteParam3};
    for (int i = 0; i < 4; ++i) add(("Alphas" + std::to_string(i)).c_str(), alphas[i]);
    const uint32_t colours[8] = {f.Color1, f.Color2, f.Color3, f.Color4, f.ColorRef1, f.ColorRef2, f.ColorRef3, f.ColorRef4};
    for (int i = 0; i < 8; ++i) add(((i < 4 ? "Colors" : "ColorRefs") + std::to_string(i % 4)).c_str(), colours[i]);
    const int32_t ints[10] = {f.X1, f.X2, f.X3, f.X4, f.X5, f.Y1, f.Y2, f.Y3, f.Y4, f.Y5};
    for (int i = 0; i < 10; ++i) add(("Ints" + std::to_string(i)).c_str(), ints[i]);
    add("Width", f.Width);
    add("RefNumbers0", f.RefNumber1);
    add("RefNumbers1", f.RefNumber2);
    add("ForeachFirst", f.ForeachFirst);
    add("ForeachLast", f.ForeachLast);
    add("CurveFlag", f.CurveFlag);
    const double reals[12] = {f.Real1, f.Real2, f.Real3, f.Real4, f.Real5, f.Real6,
                              f.Real7, f.Real8, f.Real9, f.Real10, f.Real11, f.Real12};
    for (int i = 0; i < 12; ++i) addReal(("Reals" + std::to_string(i)).c_str(), reals[i]);
    const long long maps[6] = {f.IntParam1, f.IntParam2, f.IntParam3, f.IntParam4, f.IntParam5, f.IntParam6};
    for (int i = 0; i < 6; ++i) add(("MapParams" + std::to_string(i)).c_str(), maps[i]);
    for (uint32_t i = 0; i < QDXFactor::kColorExMatrixSize; ++i) add("ColorExMatrix", f.ColorExMatrix[i]);
    for (uint32_t i = 0; i < QDXFactor::kMappingMatrixSize; ++i) add("XYMatrix", f.XYMatrix[i]);
    for (uint32_t i = 0; i < QDXFactor::kMappingMatrixSize; ++i) add("RAMatrix", f.RAMatrix[i]);
    addText("SourceName", f.SourceName);
    addText("FontSpec", f.FontSpec);
    addText("Text", f.Text);
    for (uint32_t i = 0; i < 4; ++i) addText("TemplateNames", f.TemplateNames[i]);
    add("PathNodes", f.Path.GetCount());
    for (const QDXPath* node : f.Path) {
        std::snprintf(buffer, sizeof buffer, "node %d %d,%d %d,%d %d %d\n", node->Type, node->X, node->Y, node->X2,
                      node->Y2, node->CurveFlag, node->Enabled);
        out += buffer;
    }
    add("Targets", f.Targets.GetCount());
    add("GradationPointCount", f.GradationCount);
    for (uint32_t i = 0; i < f.GradationCount; ++i) {
        add("Values", i < f.GradationColors.GetCount() ? *f.GradationColors.GetAt(i) : -1);
        const MixGradationPoint& p = f.GradationPoints.GetBuffer()[i];
        const double v[13] = {p.x, p.y, p.zeroRadius, p.fullRadius, p.scaleUp, p.scaleDown, p.scaleLeft,
                              p.scaleRight, p.alpha, p.red, p.green, p.blue, p.strength};
        for (double d : v) addReal("point", d);
        add("mode", p.mode);
    }
    return out;
}

// A reset factor named as the object reader names it.
inline void ResetNamed(QDXFactor& f) {
    f.Reset();
    f.AssignName("Obj", 0);
}

// Reads text with the legacy vocabulary into f: true when it is accepted with
// the kind expected (a message otherwise).
inline ::testing::AssertionResult LegacyParsesAs(QDXFactor& f, const std::string& text, uint32_t kind) {
    ResetNamed(f);
    if (!f.ParseLegacyText(text.c_str())) return ::testing::AssertionFailure() << "refused: " << text;
    if (f.Kind != kind) return ::testing::AssertionFailure() << "kind " << f.Kind << ", not " << kind << ": " << text;
    return ::testing::AssertionSuccess();
}

// The legacy record of text written in format 1.2 reads back, with the
// current vocabulary, as the same record; the written text is returned (empty
// when it could not be written).
inline std::string ExpectSameThroughWriter(const QDXFactor& legacy, const std::string& what) {
    SCOPED_TRACE(what);
    CStr_base<1024> written;
    EXPECT_TRUE(legacy.WriteText(written));
    QDXFactor current;
    ResetNamed(current);
    EXPECT_TRUE(current.ParseText(written.GetText())) << written.GetText();
    EXPECT_EQ(Describe(current), Describe(legacy)) << written.GetText();
    return written.GetText();
}

// ---- texts for every row of the tables ----

// An acceptable item for a field at a position: distinct numbers, whole reals
// (so that the short Rotate scale, divided by 65536, stays exact when written).
// An item no field reads is ignored, or read by the row's hook as a number or
// a delimited text: "0a0" is both (0, and "a" between two delimiters "0").
inline std::string ItemFor(const vocabulary::FactorField* field, uint32_t position, const std::string& name) {
    if (field == nullptr) return "0a0";
    switch (field->type) {
    case vocabulary::ArgType::kInt:
        return std::to_string(10 + position);
    case vocabulary::ArgType::kReal:
        return std::to_string(65536 * (position + 1));
    case vocabulary::ArgType::kHex:
        return "1f";
    case vocabulary::ArgType::kULong:
    case vocabulary::ArgType::kULongInt:
        return "2";
    case vocabulary::ArgType::kColour:
        return position % 2 == 0 ? "ff00" : "P40010000";
    case vocabulary::ArgType::kAColour:
        return "P40010000#80";
    case vocabulary::ArgType::kAlpha:
        return "100";
    case vocabulary::ArgType::kName:
        return name;
    case vocabulary::ArgType::kFlag:
        return "t";
    case vocabulary::ArgType::kList:
        return std::string(field->slot.list->opening) + ")";
    }
    return "?";
}

// The text of a row with count items for the given fields (the long or the
// short form); name is the item of every name field.
inline std::string TextFor(const legacy::LegacyRow& row, const vocabulary::FieldList& fields, uint32_t count,
                           const std::string& name = "\"src\"") {
    std::string text = row.keyword;
    for (uint32_t i = 0; i < count; ++i) {
        const vocabulary::FactorField* field = nullptr;
        for (uint32_t k = 0; k < fields.count; ++k)
            if (fields.data[k].position == i) field = &fields.data[k];
        if (i != 0) text += ',';
        text += ItemFor(field, i, name);
    }
    return text + ")";
}

}  // namespace legacy_test
