#include "prediction/PredictOutput.h"

#include <cmath>

#include "foundation/strings/Format.h"
#include "prediction/PredictInput.h"
#include "raster/diagram/DiagramLevels.h"

namespace {

using diagram::SaturateToInt32;
using diagram::TruncToInt32;

int32_t Moved(int32_t value, int32_t delta) noexcept { return SaturateToInt32(int64_t(value) + delta); }

// One node after the segment, moved by (dx, dy), with "!" for a disabled node
// of any type; false for a type outside 1..7.
bool AppendMovedNode(const QDXPath& node, int32_t dx, int32_t dy, CStr_base<64>& item, CStr_base<1024>& out) {
    const char* prefix = node.Enabled ? "" : "!";
    const int32_t x = Moved(node.X, dx);
    const int32_t y = Moved(node.Y, dy);
    switch (node.Type) {
    case QDXPath::kLine:
        item.Format("%sLine(%d,%d),", prefix, x, y);
        break;
    case QDXPath::kCircleCurve:
        item.Format("%sCircleCurve(%d,%d,%d,%d,%c),", prefix, x, y, Moved(node.X2, dx), Moved(node.Y2, dy),
                    node.CurveFlag ? 't' : 'f');
        break;
    case QDXPath::kArc:
        item.Format("%sArc(%d,%d,%d,%d),", prefix, x, y, Moved(node.X2, dx), Moved(node.Y2, dy));
        break;
    case QDXPath::kJump:
        item.Format("%sJump(%d,%d),", prefix, x, y);
        break;
    case QDXPath::kReturn:
        item.Format("%sReturn,", prefix);
        break;
    case QDXPath::kTip:
        item.Format("%sTip,", prefix);
        break;
    case QDXPath::kSeparator:
        item.Format("%sSeparator,", prefix);
        break;
    default:
        return false;
    }
    out.AppendString(item);
    return true;
}

}  // namespace

bool CPredict_Output::WriteCandidate(const CPredict_Score& score, int32_t index, const FactorVectorList& input,
                                     const FactorVectorList& model, const QDXFactor& factor, int32_t step,
                                     CStr_base<1024>& out) const {
    out.Assign("");
    const bool first = (index & kChosenByScore1) != 0;
    const double s = first ? score.Scale1 : score.Scale2;
    const int32_t inputStart = first ? score.InputStart1 : score.InputStart2;
    const int32_t modelStart = first ? score.ModelStart1 : score.ModelStart2;
    const int32_t nodeCount = int32_t(factor.Path.GetCount());
    if (inputStart < 0 || uint32_t(inputStart) >= input.GetCount() || model.GetCount() == 0) return false;
    if (modelStart < 0 || uint32_t(modelStart) >= model.GetCount()) return false;
    if (step < 0 || step > nodeCount) return false;
    const QDXPath* const* nodes = factor.Path.GetIndex();

    // Placement: the model's vertex modelStart on the input's vertex inputStart.
    const FactorVector& anchor = *model.GetAt(uint32_t(modelStart));
    double fx = double(factor.X1) - double(TruncToInt32(s * anchor.StartX + 0.5));
    double fy = double(factor.Y1) - double(TruncToInt32(s * anchor.StartY + 0.5));
    for (int32_t k = 0; k < inputStart; ++k) {
        const FactorVector& v = *input.GetAt(uint32_t(k));
        fx += v.Length * std::cos(v.Angle);
        fy += v.Length * std::sin(v.Angle);
    }
    const int32_t headX = TruncToInt32(fx);
    const int32_t headY = TruncToInt32(fy);
    CStr_base<64> item;
    out.Format("Diagram(%d,%d,%x,qdxpath(", headX, headY, model.Color);

    // The nodes before the current segment, as the document writes them.
    const PredictSegmentStart segment = FindPredictSegmentStart(factor, step);
    double sx = headX, sy = headY;
    if (segment.startNode >= 0) {
        sx = nodes[segment.startNode]->X;
        sy = nodes[segment.startNode]->Y;
    }
    for (int32_t i = 0; i < segment.first; ++i) {
        if (!nodes[i]->WriteText(item)) {
            out.Assign("");
            return false;
        }
        out.AppendString(item).Append(",");
    }

    // The model, scaled, from the segment start.
    double u = sx, v = sy;
    double bu = sx, bv = sy;
    double cx = sx, cy = sy;
    const uint32_t m = model.GetCount();
    for (uint32_t k = 0; k < m; ++k) {
        const FactorVector& vec = *model.GetAt(k);
        if (vec.Kind == QDXPath::kReturn) {
            u = bu;
            v = bv;
        } else if (vec.Kind != QDXPath::kTip && vec.Kind != QDXPath::kSeparator) {
            bu = u;
            bv = v;
            u += s * vec.Length * std::cos(vec.Angle);
            v += s * vec.Length * std::sin(vec.Angle);
        }
        int32_t ex = TruncToInt32(u);
        int32_t ey = TruncToInt32(v);
        if (k + 1 == m && model.Closed != 0) {
            // A closed model ends exactly where it began, whatever the rounding.
            ex = TruncToInt32(cx);
            ey = TruncToInt32(cy);
        }
        switch (vec.Kind) {
        case QDXPath::kLine:
            item.Format("Line(%d,%d),", ex, ey);
            break;
        case QDXPath::kCircleCurve:
        case QDXPath::kArc: {
            const int32_t px = TruncToInt32(bu + s * vec.ControlDistance * std::cos(vec.ControlAngle));
            const int32_t py = TruncToInt32(bv + s * vec.ControlDistance * std::sin(vec.ControlAngle));
            if (vec.Kind == QDXPath::kArc)
                item.Format("Arc(%d,%d,%d,%d),", ex, ey, px, py);
            else
                item.Format("CircleCurve(%d,%d,%d,%d,%c),", ex, ey, px, py, vec.Flag != 0 ? 't' : 'f');
            break;
        }
        case QDXPath::kJump:
            item.Format("Jump(%d,%d),", ex, ey);
            cx = ex;
            cy = ey;
            break;
        case QDXPath::kReturn:
            item.Assign("Return,");
            break;
        case QDXPath::kTip:
            item.Assign("Tip,");
            break;
        case QDXPath::kSeparator:
            item.Assign("Separator,");
            break;
        default:
            // Only hand-made model files hold other kinds: the pen moved as for
            // a Line, and nothing is written.
            item.Assign("");
            break;
        }
        out.AppendString(item);
    }

    // The end of the current segment: its last drawing node that survives the
    // Returns and Tips after it.
    int32_t last = -1;
    int32_t before = -1;
    int32_t next = segment.first;
    for (; next < nodeCount; ++next) {
        const int32_t type = nodes[next]->Type;
        if (type == QDXPath::kSeparator) break;
        if (type == QDXPath::kReturn || type == QDXPath::kTip) {
            last = before;
        } else {
            before = last;
            last = next;
        }
    }
    if (last < 0) {
        out.Assign("");
        return false;
    }

    // The nodes after the segment follow the model's end.
    const int32_t dx = TruncToInt32(u - double(nodes[last]->X));
    const int32_t dy = TruncToInt32(v - double(nodes[last]->Y));
    for (int32_t i = next; i < nodeCount; ++i) {
        if (!AppendMovedNode(*nodes[i], dx, dy, item, out)) {
            out.Assign("");
            return false;
        }
    }

    if (out.GetLength() != 0 && out.GetText()[out.GetLength() - 1] == ',') out.DropLastChar();
    out.Append("))");
    return true;
}
