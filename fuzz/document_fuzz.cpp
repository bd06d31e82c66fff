// libFuzzer target for document text: the reader (with everything it reaches:
// palette, object forms, factor parser, codec), the factor parser alone, the
// palette parser alone and the codec's decoder.
//
// The input (up to its first NUL) is read as a document in a fresh CQDXCtrl;
// when it loads, the document is written and read again, and the second
// writing must equal the first (the writer's output is always readable). The
// same text goes to QDXFactor::ParseText, whose accepted texts must write a
// text that reads back and writes again unchanged, to QDXPalette::ParseText
// and to DecodeText128. A mismatch aborts; AddressSanitizer catches memory
// faults.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "document/model/QDXCtrl.h"
#include "document/text/Text128Codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) return 0;
    std::string text(reinterpret_cast<const char*>(data), size);
    text.resize(std::strlen(text.c_str()));

    {
        CQDXCtrl doc;
        std::vector<char> buffer(text.begin(), text.end());
        buffer.push_back(0);
        if (doc.LoadText(buffer.data()) == 0) {
            CStr_base<16384> first;
            if (doc.SaveString(first)) {
                CQDXCtrl again;
                // Names sharing a bucket come back in reverse chain order, so
                // the fixed point is reached from the second load on.
                if (again.LoadString(first.GetText()) != 0) std::abort();
                CStr_base<16384> second;
                if (!again.SaveString(second)) std::abort();
                CQDXCtrl third;
                if (third.LoadString(second.GetText()) != 0) std::abort();
                CStr_base<16384> thirdText;
                if (!third.SaveString(thirdText)) std::abort();
                CQDXCtrl fourth;
                if (fourth.LoadString(thirdText.GetText()) != 0) std::abort();
                CStr_base<16384> fourthText;
                if (!fourth.SaveString(fourthText) || std::strcmp(second.GetText(), fourthText.GetText()) != 0)
                    std::abort();
            }
        }
    }
    {
        // Over a record with every list filled, so that a failed parse can be
        // seen to leave it alone.
        auto factor = std::make_unique<QDXFactor>();
        factor->Reset();
        factor->ParseText("Diagram(0,0,ff,qdxpath(Line(1,1),Return))");
        factor->ParseText(text.c_str());
        CStr_base<1024> first;
        if (factor->WriteText(first)) {
            auto again = std::make_unique<QDXFactor>();
            again->Reset();
            if (!again->ParseText(first.GetText()) || again->Kind != factor->Kind) std::abort();
            CStr_base<1024> second;
            if (!again->WriteText(second) || std::strcmp(first.GetText(), second.GetText()) != 0) std::abort();
        }
    }
    {
        auto palette = std::make_unique<QDXPalette>();
        palette->ParseText(text.c_str());
        CStr_base<16384> out;
        palette->WriteText(out);
    }
    {
        CStr_base<16384> codecText(text.c_str());
        const uint32_t needed = DecodeText128(codecText, nullptr, 0);
        std::unique_ptr<uint8_t[]> bytes(new uint8_t[needed + 1]);
        DecodeText128(codecText, bytes.get(), needed);
    }
    return 0;
}
