// TargetList and Foreach.
//
// A Foreach names two factors of its object by position: the one to repeat
// and a TargetList; either may be a GhostFactor, which stands for the factor
// it borrows. The repeated factor is drawn once per enabled entry in the
// Foreach's index range, with the entry's four names (resolved where the
// Foreach stands) as its template arguments. Foreach may repeat a Foreach;
// the nesting is bounded by the context's Foreach depth.
#include "document/renderer/TargetListRender.h"

#include <cstdint>

#include "document/model/QDXCtrl.h"
#include "document/renderer/RenderMessages.h"
#include "document/renderer/ShapeRender.h"

namespace {

// "が複雑すぎて処理できません。\n"
constexpr char kForeachTooDeep[] =
    "\x82\xAA\x95\xA1\x8EG\x82\xB7\x82\xAC\x82\xC4\x8F\x88\x97\x9D\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x81\x42\n";
// "の参照先がリストではありません。\n"
constexpr char kForeachNotAList[] =
    "\x82\xCC\x8EQ\x8F\xC6\x90\xE6\x82\xAA\x83\x8A\x83X\x83g\x82\xC5\x82\xCD\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1"
    "\x81\x42\n";
// "の一斉適用に失敗しました。\n"
constexpr char kForeachFailed[] =
    "\x82\xCC\x88\xEA\x90\xC4\x93K\x97p\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81\x42\n";

// Above this many open Foreach expansions another one fails (so eleven nest).
constexpr int32_t kMaxForeachDepth = 10;

// The factor at a reference number of the Foreach's object, a GhostFactor
// replaced by its target. Null after the message.
QDXFactor* ForeachOperand(FactorFrame& frame, int32_t reference) {
    const FactorCall& call = frame.Call;
    QDXObject* object = call.Object;
    const uint32_t index = static_cast<uint32_t>(reference);
    if (object == nullptr || index >= object->Factors.GetCount()) {
        AppendNamedText(frame.ErrorText(), frame.Name(), render_text::kInvalidReference);
        return nullptr;
    }
    QDXFactor* operand = object->Factors.GetAt(index);
    if (operand->Kind != QDXFactor::kGhostFactor || call.Document == nullptr) return operand;
    QDXFactor* target = nullptr;
    const char* name = "";
    switch (shape_render::FindGhostTarget(*call.Document, *operand, call.TemplateArgs, call.PreviousName, target,
                                          name)) {
    case shape_render::GhostLookup::kFound:
        return target;
    case shape_render::GhostLookup::kNoObject:
        AppendFactorObjectText(frame.ErrorText(), operand->Name.GetText(), name, render_text::kNotFound);
        return nullptr;
    case shape_render::GhostLookup::kBadIndex:
        AppendNamedText(frame.ErrorText(), operand->Name.GetText(), render_text::kInvalidReference);
        return nullptr;
    }
    return nullptr;
}

}  // namespace

bool RenderTargetList(FactorFrame&) { return true; }

bool RenderForeach(FactorFrame& frame) {
    RenderContext& context = frame.Context();
    if (context.ForeachDepth > kMaxForeachDepth) {
        AppendNamedText(frame.ErrorText(), frame.Name(), kForeachTooDeep);
        return false;
    }
    QDXFactor& factor = frame.Factor;
    QDXFactor* repeated = ForeachOperand(frame, factor.RefNumber1);
    if (repeated == nullptr) return false;
    QDXFactor* list = ForeachOperand(frame, factor.RefNumber2);
    if (list == nullptr) return false;
    if (list->Kind != QDXFactor::kTargetList) {
        AppendNamedText(frame.ErrorText(), frame.Name(), kForeachNotAList);
        return false;
    }
    RenderDepthGuard depth(context.ForeachDepth);

    // The range in 64 bits: the first and last indices are the document's.
    const int64_t count = list->Targets.GetCount();
    const int64_t first = factor.ForeachFirst;
    const int64_t last = factor.ForeachLast;
    int64_t end = count;
    if (last >= 0 && last + 1 < count) end = last + 1;
    if (last == -2 && first + 1 < count) end = first + 1;

    const FactorCall& call = frame.Call;
    FactorCall inner = call;
    inner.Fast = frame.Fast;
    CStr_base<64> names[4];
    inner.TemplateArgs = names;
    for (int64_t i = first < 0 ? end : first; i < end; ++i) {
        const QDXForeachTargetInfo& entry = *list->Targets.GetAt(static_cast<uint32_t>(i));
        if (!entry.Enabled) continue;
        for (uint32_t k = 0; k < 4; ++k)
            names[k].Assign(ResolveReferenceName(entry.Names[k].GetText(), call.TemplateArgs, call.PreviousName));
        if (!RenderFactor(*repeated, inner)) {
            AppendNamedText(frame.ErrorText(), frame.Name(), kForeachFailed);
            return false;
        }
    }
    return true;
}
