#include "prediction/PredictInput.h"

#include <cmath>

PredictSegmentStart FindPredictSegmentStart(const QDXFactor& factor, int32_t step) {
    PredictSegmentStart result;
    int32_t last = -1;    // the node whose end point is the pen position
    int32_t before = -1;  // what last was before its latest change
    const QDXPath* const* nodes = factor.Path.GetIndex();
    for (int32_t i = 0; i < step; ++i) {
        switch (nodes[i]->Type) {
        case QDXPath::kReturn:
        case QDXPath::kTip:
            last = before;
            break;
        case QDXPath::kSeparator:
            if (last >= 0) result.startNode = last;
            result.first = i + 1;
            result.sawSeparator = true;
            break;
        default:
            before = last;
            last = i;
            break;
        }
    }
    return result;
}

bool CPredict_Input::SetPath(const QDXFactor& factor, int32_t step) {
    if (!IsPredictPathKind(factor.Kind)) return false;
    const int32_t count = int32_t(factor.Path.GetCount());
    if (step < 0 || step > count) return false;

    List.RemoveAll();
    List.HasSeparator = 0;
    const PredictSegmentStart segment = FindPredictSegmentStart(factor, step);
    const QDXPath* const* nodes = factor.Path.GetIndex();
    if (segment.sawSeparator) List.HasSeparator = 1;
    for (int32_t i = step; i < count && List.HasSeparator == 0; ++i) {
        if (nodes[i]->Type == QDXPath::kSeparator) List.HasSeparator = 1;
    }
    if (segment.first >= count) return false;

    double startX = factor.X1;
    double startY = factor.Y1;
    if (segment.startNode >= 0) {
        startX = nodes[segment.startNode]->X;
        startY = nodes[segment.startNode]->Y;
    }
    const double originX = startX;
    const double originY = startY;
    double penX = originX, penY = originY;
    double backX = originX, backY = originY;
    double total = 0.0;
    int32_t passed = 0;
    for (int32_t i = segment.first; i < count; ++i) {
        const QDXPath& node = *nodes[i];
        if (node.Type == QDXPath::kSeparator) break;
        ++passed;
        if (node.Type == QDXPath::kTip) continue;
        if (node.Type < QDXPath::kLine || node.Type > QDXPath::kReturn) return false;

        const double targetX = node.Type == QDXPath::kReturn ? backX : double(node.X);
        const double targetY = node.Type == QDXPath::kReturn ? backY : double(node.Y);
        const double dx = targetX - penX;
        const double dy = targetY - penY;
        FactorVector& v = *List.AddNew();
        v.Kind = node.Type;
        v.Angle = std::atan2(dy, dx);
        v.Length = std::sqrt(dx * dx + dy * dy);
        v.StartX = penX - originX;
        v.StartY = penY - originY;
        v.ControlAngle = 0.0;
        v.ControlDistance = 0.0;
        v.Flag = 0;
        total += v.Length;
        if (node.Type == QDXPath::kCircleCurve || node.Type == QDXPath::kArc) {
            const double cx = double(node.X2) - penX;
            const double cy = double(node.Y2) - penY;
            v.ControlAngle = std::atan2(cy, cx);
            v.ControlDistance = std::sqrt(cx * cx + cy * cy);
            if (node.Type == QDXPath::kCircleCurve) v.Flag = node.CurveFlag ? 1 : 0;
        }
        if (node.Type == QDXPath::kReturn) {
            penX = backX;
            penY = backY;
            continue;
        }
        if (node.Type == QDXPath::kJump) {
            startX = targetX;
            startY = targetY;
        }
        backX = penX;
        backY = penY;
        penX = targetX;
        penY = targetY;
    }
    if (passed == 0) return false;  // the segment begins with a Separator

    List.Closed = penX == startX && penY == startY ? 1 : 0;
    List.TotalLength = total;
    List.MeanLength = total / double(passed);
    List.Color = factor.Color1;
    return true;
}
