// libFuzzer target for drawing documents: the input (up to its first NUL) is
// read as a document, and every object it holds is drawn through the
// document's renderer, fast and then at full quality.
//
// Objects asking for more than 4 Mpixels are left undrawn (the renderer would
// only allocate what the document asks for, which says nothing about its
// code). After each draw no object may be left "being drawn" and every nesting
// counter of the renderer must be back at 0; a breach aborts, AddressSanitizer
// and UndefinedBehaviorSanitizer catch memory faults and undefined arithmetic.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "document/model/QDXCtrl.h"
#include "document/renderer/ObjectRender.h"
#include "foundation/containers/StrArray.h"
#include "raster/surface/sprite/RasterLibrary.h"

namespace {

constexpr int64_t kMaxPixels = int64_t{1} << 22;

void CheckQuiet(CQDXCtrl& doc, const CStrArray_base<64>& names) {
    const RenderContext& context = DefaultDocumentRenderer().Context();
    if (context.GhostDepth != 0 || context.ForeachDepth != 0 || context.RenderDepth != 0) std::abort();
    for (uint32_t i = 0; i < names.GetCount(); ++i) {
        auto* element = doc.Objects.Find(names.GetAt(i)->GetText());
        if (element != nullptr && element->GetValue().RenderState == QDXObject::kDrawing) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool started = InitRasterLibrary(1);
    (void)started;
    if (size > (1u << 18)) return 0;
    std::vector<char> text(data, data + size);
    text.push_back(0);

    CQDXCtrl doc;
    if (doc.LoadText(text.data()) != 0) return 0;
    CStrArray_base<64> names;
    doc.Objects.GetKeys(names);
    for (const bool fast : {true, false}) {
        for (uint32_t i = 0; i < names.GetCount(); ++i) {
            auto* element = doc.Objects.Find(names.GetAt(i)->GetText());
            if (element == nullptr) continue;
            QDXObject& object = element->GetValue();
            if (int64_t{object.Width} * object.Height > kMaxPixels) continue;
            CStr_base<64> error;
            object.Render(fast, &error);
            CheckQuiet(doc, names);
        }
    }
    return 0;
}
