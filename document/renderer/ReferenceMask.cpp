// SetMaskRef: a draw mask shaped like another factor's outline.
#include "document/renderer/ObjectRender.h"
#include "document/renderer/RenderMessages.h"

bool RenderReferenceMask(RenderContext&, QDXObject&, QDXFactor& factor, bool, const char*, CStr_base<64>* errorText) {
    AppendNamedText(errorText, factor.Name.GetText(), render_text::kUnknownKind);
    return false;
}
