#pragma once
// The generated document of the document benchmarks: objects of 200 factors of
// the usual families (Line, Arc, disabled Box, Diagram with a path of nine
// nodes), one object of 2000 factors and one Diagram factor with a path of
// 10000 nodes, written once by the writer itself so that the text is in the
// writer's own form.
#include <cstdio>
#include <random>
#include <string>

#include "document/model/QDXCtrl.h"

namespace bench {

inline std::string Factor(std::mt19937& rng) {
    auto n = [&rng](int limit) { return std::to_string(int(rng() % uint32_t(limit))); };
    char colour[16];
    std::snprintf(colour, sizeof colour, "%x", unsigned(rng() & 0xFFFFFF));
    switch (rng() % 4) {
        case 0:
            return "Line(" + n(10000) + "," + n(10000) + "," + n(10000) + "," + n(10000) + "," + n(64) + "," + colour +
                   "," + n(256) + ")";
        case 1:
            return "Arc(" + n(10000) + "," + n(10000) + "," + n(10000) + "," + n(10000) + "," + n(10000) + "," +
                   n(10000) + ",0.785398163,3.141592654," + n(64) + ",P4" + n(10) + "010203," + n(256) + ")";
        case 2:
            return "!Box(" + n(10000) + "," + n(10000) + "," + n(10000) + "," + n(10000) + "," + n(64) + "," + colour +
                   "," + n(256) + ")";
        default:
        {
            std::string text = "Diagram(" + n(1000) + "," + n(1000) + "," + colour + ",255,qdxpath(";
            for (int i = 0; i < 4; ++i) {
                text += "Line(" + n(5000) + "," + n(5000) + "),CircleCurve(" + n(5000) + "," + n(5000) + "," +
                        n(5000) + "," + n(5000) + ",t),";
            }
            text += "Line(" + n(5000) + "," + n(5000) + ")))";
            return text;
        }
    }
}

inline std::string Object(std::mt19937& rng, uint32_t factors) {
    std::string text = "Render(640,480,ffffff,1.000000,1.000000,1.000000,0,array(";
    for (uint32_t i = 0; i < factors; ++i) {
        if (i != 0) text += ",";
        text += Factor(rng);
    }
    return text + "))";
}

// The document text with `objects` objects of 200 factors (about 21 kB of text
// each) beside the big object and the long path; empty when it does not load.
inline std::string GeneratedDocument(int objectCount) {
    {
        std::mt19937 rng(7);
        std::string objects;
        for (int i = 0; i < objectCount; ++i) {
            objects += "Object" + std::to_string(i) + "=";
            objects += Object(rng, 200);
            objects += "\n";
        }
        objects += "Big=" + Object(rng, 2000) + "\n";
        std::string path = "Path=Render(64,64,0,1,1,1,0,array(Diagram(0,0,ff,255,qdxpath(";
        for (int i = 0; i < 10000; ++i) {
            if (i != 0) path += ",";
            path += "Line(";
            path += std::to_string(i);
            path += ",";
            path += std::to_string(i * 7 % 1000);
            path += ")";
        }
        objects += path + "))))\n";
        // Written once by the writer itself, so the benchmark reads its own form.
        CQDXCtrl doc;
        const std::string source = "QDXTextFormat1.2\n[Palette]\nPalette1()\nPalette2()\nPalette4()\n[QDXObject]\n" +
                                   objects + "[MetaData]\nbench\n";
        if (doc.LoadString(source.c_str()) != 0) return std::string();
        CStr_base<16384> out;
        doc.SaveString(out);
        return std::string(out.GetText());
    }
}

}  // namespace bench
