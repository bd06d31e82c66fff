#include "prediction/Scoring.h"

// Model scoring.
//
// The score is defined by an exhaustive depth-first search (ScoreLiteralSearch
// below, step by step): for every rotation i of the input (every input vector
// as the first one when the input is closed, else only the first), every model
// start ms and every cut of the model from ms on into consecutive chains, one
// chain per input vector, each chain is tested against its input vector:
// straight (every inner vertex within W = 30 degrees of the chain's direction,
// giving a factor N), pointing within W of the input vector (margin Q = W - D)
// and of a length that fits one scale s (a factor P). The first chain sets s.
// A complete match sums P*N*Q/W (Score1) and Q*P/W (Score2) over the levels;
// the best of each is recorded with s, i and ms, replacing the best so far only
// when strictly greater. The number of cuts grows exponentially with the
// model's length: a 60-vector freehand model takes seconds to minutes.
//
// What is recorded depends only on the sums, s, i and ms; never on the inner
// cuts. Fix (i, ms, first chain): s is then fixed, and so is every test of
// every later chain, which depends only on (level, chain start, chain end).
// The best sum over all cuts of that group is a max-plus dynamic programme over
// (level, chain end): sum[j][e] = max over the previous chain's end e' of
// sum[j-1][e'] + term(j, e'+1 .. e). It is bit-identical to the search's best:
// the search adds the terms left to right, prefix + term, and rounding is
// monotone, so max over prefixes of fl(prefix + t) = fl(max prefix + t).
// Visiting the groups in the search's order (i, then ms, then the first
// chain's end) and replacing the record only on a strictly greater group
// maximum gives the search's record exactly: within one group every complete
// match records the same s, i and ms, so only the group's maximum matters.
//
// The tests that do not involve s are made once per model (straightness) and
// once per (input vector, chain) (direction); the programme then only checks
// lengths. Exact prunings on top:
// - Straightness: when two inner vertices of a chain start b lie more than 2W
//   apart as seen from the start (plus a margin far above rounding), no
//   direction is within W of both, so every longer chain from b fails too.
// - Too few model vectors: the chain of level j must end by m - n + j, or the
//   later levels have no vectors left.
// - Bound: a term never exceeds its value with P = 1, so a state whose sums
//   plus the best the remaining levels can add (with a margin for rounding)
//   cannot beat the record in either score is dropped; a group whose first
//   chain already cannot is skipped. The best the levels from j on can add
//   when level j's chain starts at b is itself a max-plus programme over the
//   links with P = 1, run backwards once per rotation (only for rotations that
//   have a first chain to try): it knows that the chains must follow each
//   other and point the right way, which the sum of each level's best term
//   does not, and it does not depend on the scale, so all groups share it.
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;
constexpr double kW = 0.5235987755982988;  // 30 degrees
constexpr double kNoMatch = -65536.0;

// One correction into [-pi, pi].
inline double Wrap(double x) {
    if (x < -kPi) return x + kTwoPi;
    if (x > kPi) return x - kTwoPi;
    return x;
}

// The two terms of one accepted chain, written once for both searches so that
// they round the same.
inline double Term1(double p, double n, double q) { return p * n * q / kW; }
inline double Term2(double p, double q) { return q * p / kW; }

// The length factor at levels after the first from r = input length / (s *
// chain length); false when r lies outside [0.5, 2] or is not a number.
inline bool LengthFactor(double r, double& p) {
    if (!(r >= 0.5 && r <= 2.0)) return false;
    p = r < 1.0 ? 2.0 * (r - 0.5) : 2.0 - r;
    return true;
}

// Vertex angles further than 2W apart cannot all be within W of one direction;
// the margin is far above the few ulps by which the computed angles can err.
constexpr double kSpreadLimit = 2.0 * kW + 1e-9;

// A term by multiplication instead of division differs by an ulp or two; sums
// stay below the input's length, so this margin covers every difference.
constexpr double kInverseW = 1.0 / kW;
constexpr double kCloseMargin = 1e-9;

}  // namespace

bool CPredict_Eval::ScoreLiteralSearch(const FactorVectorList& input, const FactorVectorList& model,
                                       CPredict_Score& score, CArrayAuto<CPredict_StackData>& stack,
                                       CArrayAuto<CPredict_PointData>& points) {
    const uint32_t n = input.GetCount();
    const uint32_t m = model.GetCount();
    if (n == 0 || m == 0) return false;
    const FactorVector* const* in = input.GetIndex();
    const FactorVector* const* mv = model.GetIndex();

    score.Score1 = score.Score2 = kNoMatch;
    score.InputStart1 = score.InputStart2 = -1;
    double s = -1.0;
    uint64_t evaluations = 0;

    const uint32_t rotations = input.Closed ? n : 1;
    for (uint32_t i = 0; i < rotations; ++i) {
        points.RemoveAll();
        double x = 0.0, y = 0.0;
        for (uint32_t k = 0; k < n; ++k) {
            const uint32_t v = (i + k) % n;
            if (v == 0 && k != 0) {
                x = -in[i]->StartX;
                y = -in[i]->StartY;
            }
            CPredict_PointData* point = points.AddNew();
            point->X = x;
            point->Y = y;
            point->Vector = in[v];
            x += in[v]->Length * std::cos(in[v]->Angle);
            y += in[v]->Length * std::sin(in[v]->Angle);
        }
        CPredict_PointData* const* pts = points.GetIndex();

        stack.RemoveAll();
        CPredict_StackData* root = stack.AddNew();
        *root = CPredict_StackData{0.0, 0.0, 0, 0};
        *stack.AddNew() = CPredict_StackData{0.0, 0.0, 0, 0};

        for (;;) {
            if (stack.GetCount() == 1) {
                if (input.HasSeparator) break;
                if (++root->ModelIndex >= int32_t(m)) break;
                *stack.AddNew() = CPredict_StackData{0.0, 0.0, 0, root->ModelIndex};
            }
            const uint32_t depth = stack.GetCount();
            CPredict_StackData& t = *stack.GetIndex()[depth - 1];
            const CPredict_StackData& u = *stack.GetIndex()[depth - 2];
            const FactorVector& p = *pts[t.InputIndex]->Vector;
            const int32_t b = u.ModelIndex;
            const int32_t e = t.ModelIndex;
            ++evaluations;

            bool accepted = true;
            const double sbx = mv[b]->StartX, sby = mv[b]->StartY;
            const double dx = (mv[e]->StartX + mv[e]->Length * std::cos(mv[e]->Angle)) - sbx;
            const double dy = (mv[e]->StartY + mv[e]->Length * std::sin(mv[e]->Angle)) - sby;
            const double l = std::atan2(dy, dx);
            double straight = 1.0;
            for (int32_t k = b + 1; k <= e && accepted; ++k) {
                const double d = std::fabs(Wrap(l - std::atan2(mv[k]->StartY - sby, mv[k]->StartX - sbx)));
                if (d < kW)
                    straight = straight * (kW - d) / kW;
                else
                    accepted = false;
            }
            double direction = 0.0;
            if (accepted) {
                direction = std::fabs(Wrap(l - p.Angle));
                accepted = direction < kW;
            }
            double factor = 1.0;
            if (accepted) {
                const double len = std::sqrt(dx * dx + dy * dy);
                if (depth == 2 || s < 0.0) {
                    if (p.Length <= 0.1 || len <= 0.1) {
                        s = -1.0;
                        accepted = false;
                    } else {
                        s = p.Length / len;
                    }
                } else {
                    accepted = LengthFactor(p.Length / (s * len), factor);
                }
            }
            if (accepted) {
                const double q = kW - direction;
                t.Score1 = u.Score1 + Term1(factor, straight, q);
                t.Score2 = u.Score2 + Term2(factor, q);
            }
            t.ModelIndex = e + 1;

            if (!accepted) {
                if (t.ModelIndex >= int32_t(m)) stack.RemoveAt(depth - 1);
                continue;
            }
            if (uint32_t(t.InputIndex) + 1 < n) {
                if (t.ModelIndex < int32_t(m))
                    *stack.AddNew() = CPredict_StackData{0.0, 0.0, t.InputIndex + 1, t.ModelIndex};
                else
                    stack.RemoveAt(depth - 1);
                continue;
            }
            if (t.Score1 > score.Score1) {
                score.Score1 = t.Score1;
                score.Scale1 = s;
                score.InputStart1 = int32_t(i);
                score.ModelStart1 = root->ModelIndex;
            }
            if (t.Score2 > score.Score2) {
                score.Score2 = t.Score2;
                score.Scale2 = s;
                score.InputStart2 = int32_t(i);
                score.ModelStart2 = root->ModelIndex;
            }
            if (t.ModelIndex >= int32_t(m)) stack.RemoveAt(depth - 1);
        }
    }

    score.Score1 /= double(n);
    score.Score2 /= double(n);
    ChainEvaluations += evaluations;
    return true;
}

void CPredict_Eval::BestRest(uint32_t i, uint32_t n, uint32_t m) {
    const size_t row = size_t(m) + 1;
    double* rest1 = m_rest1.data();
    double* rest2 = m_rest2.data();
    const Link* links = m_links.data();
    const uint32_t* linkBegin = m_linkBegin.data();
    constexpr double kNone = -std::numeric_limits<double>::infinity();
    std::fill(rest1 + size_t(n) * row, rest1 + size_t(n + 1) * row, 0.0);
    std::fill(rest2 + size_t(n) * row, rest2 + size_t(n + 1) * row, 0.0);
    for (uint32_t j = n - 1; j >= 1; --j) {
        const uint32_t q = (i + j) % n;
        const uint32_t lastEnd = m - n + j;
        const double* next1 = rest1 + size_t(j + 1) * row;
        const double* next2 = rest2 + size_t(j + 1) * row;
        double* here1 = rest1 + size_t(j) * row;
        double* here2 = rest2 + size_t(j) * row;
        for (uint32_t b = 0; b < m; ++b) {
            double best1 = kNone, best2 = kNone;
            const uint32_t* begin = linkBegin + size_t(b) * n + q;
            for (uint32_t f = begin[0]; f < begin[1]; ++f) {
                const Link& link = links[f];
                if (uint32_t(link.End) > lastEnd) break;
                const double v1 = Term1(1.0, link.Straight, link.Slack) + next1[link.End + 1];
                const double v2 = Term2(1.0, link.Slack) + next2[link.End + 1];
                if (v1 > best1) best1 = v1;
                if (v2 > best2) best2 = v2;
            }
            here1[b] = best1;
            here2[b] = best2;
        }
        here1[m] = here2[m] = kNone;
    }
}

bool CPredict_Eval::Score(const FactorVectorList& input, const FactorVectorList& model, CPredict_Score& score,
                          CArrayAuto<CPredict_StackData>& stack, CArrayAuto<CPredict_PointData>& points) {
    const uint32_t n = input.GetCount();
    const uint32_t m = model.GetCount();
    if (n == 0 || m == 0) return false;
    stack.RemoveAll();
    points.RemoveAll();
    const FactorVector* const* in = input.GetIndex();
    const FactorVector* const* mv = model.GetIndex();

    score.Score1 = score.Score2 = kNoMatch;
    score.InputStart1 = score.InputStart2 = -1;
    uint64_t evaluations = 0;

    // The model's vertices, as the search computes them.
    m_startX.resize(m);
    m_startY.resize(m);
    m_endX.resize(m);
    m_endY.resize(m);
    m_vertexAngle.resize(m);
    for (uint32_t k = 0; k < m; ++k) {
        m_startX[k] = mv[k]->StartX;
        m_startY[k] = mv[k]->StartY;
        m_endX[k] = mv[k]->StartX + mv[k]->Length * std::cos(mv[k]->Angle);
        m_endY[k] = mv[k]->StartY + mv[k]->Length * std::sin(mv[k]->Angle);
    }
    const double* sx = m_startX.data();
    const double* sy = m_startY.data();

    // Straight chains per start, ends ascending.
    m_straightBegin.resize(size_t(m) + 1);
    m_straight.clear();
    for (uint32_t b = 0; b < m; ++b) {
        m_straightBegin[b] = uint32_t(m_straight.size());
        double reference = 0.0, low = 0.0, high = 0.0;
        for (uint32_t e = b; e < m; ++e) {
            if (e > b) {
                const double a = std::atan2(sy[e] - sy[b], sx[e] - sx[b]);
                m_vertexAngle[e] = a;
                if (e == b + 1) {
                    if (std::isnan(a)) break;
                    reference = a;
                } else {
                    const double delta = Wrap(a - reference);
                    if (!(std::fabs(delta) <= kSpreadLimit)) break;
                    if (delta < low) low = delta;
                    if (delta > high) high = delta;
                    if (high - low > kSpreadLimit) break;
                }
            }
            ++evaluations;
            const double dx = m_endX[e] - sx[b];
            const double dy = m_endY[e] - sy[b];
            const double l = std::atan2(dy, dx);
            double straight = 1.0;
            bool accepted = true;
            for (uint32_t k = b + 1; k <= e; ++k) {
                const double d = std::fabs(Wrap(l - m_vertexAngle[k]));
                if (d < kW) {
                    straight = straight * (kW - d) / kW;
                } else {
                    accepted = false;
                    break;
                }
            }
            if (accepted) m_straight.push_back(StraightChain{int32_t(e), l, std::sqrt(dx * dx + dy * dy), straight});
        }
    }
    m_straightBegin[m] = uint32_t(m_straight.size());

    // Per (chain start, input vector): the straight chains within 30 degrees
    // of the input vector, ends ascending. When every input angle lies in
    // [-pi, pi] the direction test is the circular distance, and only the
    // input vectors whose angle lies in the chain's window (widened by far
    // more than rounding) are tested; the window is searched in the sorted
    // angles repeated at -2pi, 0 and +2pi.
    m_inputAngles.clear();
    bool sortable = true;
    for (uint32_t q = 0; q < n; ++q) {
        const double angle = in[q]->Angle;
        if (!(angle >= -kPi && angle <= kPi)) sortable = false;
        for (double turn : {-kTwoPi, 0.0, kTwoPi}) m_inputAngles.push_back(InputAngle{angle + turn, q});
    }
    if (sortable)
        std::sort(m_inputAngles.begin(), m_inputAngles.end(),
                  [](const InputAngle& x, const InputAngle& y) { return x.Angle < y.Angle; });
    if (m_pending.size() < n) m_pending.resize(n);
    m_linkBegin.resize(size_t(n) * m + 1);
    m_links.clear();
    const InputAngle* anglesBegin = m_inputAngles.data();
    const InputAngle* anglesEnd = anglesBegin + m_inputAngles.size();
    for (uint32_t b = 0; b < m; ++b) {
        for (uint32_t c = m_straightBegin[b]; c < m_straightBegin[b + 1]; ++c) {
            const StraightChain& chain = m_straight[c];
            const auto test = [&](uint32_t q) {
                ++evaluations;
                const double direction = std::fabs(Wrap(chain.Angle - in[q]->Angle));
                if (!(direction < kW)) return;
                const double slack = kW - direction;
                m_pending[q].push_back(Link{chain.End, chain.Length, chain.Straight, slack, 0.0, 0.0});
            };
            if (!sortable) {
                for (uint32_t q = 0; q < n; ++q) test(q);
                continue;
            }
            if (std::isnan(chain.Angle)) continue;
            const double from = chain.Angle - kW - 1e-9, to = chain.Angle + kW + 1e-9;
            const InputAngle* it = std::lower_bound(anglesBegin, anglesEnd, from,
                                                    [](const InputAngle& x, double v) { return x.Angle < v; });
            for (; it != anglesEnd && it->Angle <= to; ++it) test(it->Index);
        }
        for (uint32_t q = 0; q < n; ++q) {
            m_linkBegin[b * n + q] = uint32_t(m_links.size());
            std::vector<Link>& pending = m_pending[q];
            if (pending.empty()) continue;
            double upTo = -std::numeric_limits<double>::infinity();
            for (Link& link : pending) upTo = link.LengthUpTo = std::max(upTo, link.Length);
            double from = std::numeric_limits<double>::infinity();
            for (size_t k = pending.size(); k-- > 0;) from = pending[k].LengthFrom = std::min(from, pending[k].Length);
            m_links.insert(m_links.end(), pending.begin(), pending.end());
            pending.clear();
        }
    }
    m_linkBegin[size_t(n) * m] = uint32_t(m_links.size());
    const Link* links = m_links.data();
    const uint32_t* linkBegin = m_linkBegin.data();

    for (int c = 0; c < 2; ++c) {
        m_sum1[c].resize(m);
        m_sum2[c].resize(m);
        m_reached[c].resize(m, 0);
    }
    // Rounding of the bound sums stays many orders below this.
    const double margin = 1e-9 * double(n + 1);
    // rest[j * (m + 1) + b]: the best levels j .. n - 1 can add with level j's
    // chain starting at model vector b (P = 1); -infinity when they cannot all
    // be matched. Row n is 0: nothing is left to add.
    const size_t row = size_t(m) + 1;
    m_rest1.resize((size_t(n) + 1) * row);
    m_rest2.resize((size_t(n) + 1) * row);
    const double* rest1 = m_rest1.data();
    const double* rest2 = m_rest2.data();

    const uint32_t rotations = input.Closed ? n : 1;
    const uint32_t starts = input.HasSeparator ? 1 : m;
    for (uint32_t i = 0; i < rotations && m >= n; ++i) {
        bool restReady = false;
        const FactorVector& first = *in[i];
        for (uint32_t ms = 0; ms < starts; ++ms) {
            const uint32_t* firstBegin = linkBegin + size_t(ms) * n + i;
            for (uint32_t f = firstBegin[0]; f < firstBegin[1]; ++f) {
                const Link& head = links[f];
                if (uint32_t(head.End) > m - n) break;
                ++evaluations;
                if (first.Length <= 0.1 || head.Length <= 0.1) continue;
                if (!restReady) {
                    BestRest(i, n, m);
                    restReady = true;
                }
                const double s = first.Length / head.Length;
                const double start1 = 0.0 + Term1(1.0, head.Straight, head.Slack);
                const double start2 = 0.0 + Term2(1.0, head.Slack);
                if (!(start1 + rest1[row + uint32_t(head.End) + 1] + margin > score.Score1 ||
                      start2 + rest2[row + uint32_t(head.End) + 1] + margin > score.Score2))
                    continue;

                // The group (i, ms, first chain): level by level over chain ends.
                int cur = 0;
                uint32_t low = uint32_t(head.End), high = low;
                m_sum1[0][low] = start1;
                m_sum2[0][low] = start2;
                m_reached[0][low] = 1;
                bool alive = true;
                for (uint32_t j = 1; j < n && alive; ++j) {
                    const uint32_t q = (i + j) % n;
                    const double length = in[q]->Length;
                    const uint32_t lastEnd = m - n + j;
                    double* from1 = m_sum1[cur].data();
                    double* from2 = m_sum2[cur].data();
                    uint8_t* fromReached = m_reached[cur].data();
                    double* to1 = m_sum1[cur ^ 1].data();
                    double* to2 = m_sum2[cur ^ 1].data();
                    uint8_t* toReached = m_reached[cur ^ 1].data();
                    // Chains shorter than this give r > 2, longer than that r < 0.5.
                    const double shortest = length / (2.0 * s), longest = 2.0 * length / s;
                    uint32_t nextLow = m, nextHigh = 0;
                    for (uint32_t prev = low; prev <= high; ++prev) {
                        if (!fromReached[prev]) continue;
                        fromReached[prev] = 0;
                        const double f1 = from1[prev], f2 = from2[prev];
                        if (!(f1 + rest1[j * row + prev + 1] + margin > score.Score1 ||
                              f2 + rest2[j * row + prev + 1] + margin > score.Score2))
                            continue;
                        const uint32_t b = prev + 1;
                        if (b > lastEnd) continue;
                        // Links whose lengths up to here are all too short
                        // for r <= 2 are skipped; once every later one is
                        // too long for r >= 0.5 the list ends. Rounding is
                        // monotone, so both cuts are exact; the division is
                        // made only near the thresholds.
                        const uint32_t* begin = linkBegin + size_t(b) * n + q;
                        const Link* k = std::partition_point(links + begin[0], links + begin[1], [&](const Link& x) {
                            if (x.LengthUpTo < shortest * (1.0 - 1e-12)) return true;
                            if (x.LengthUpTo > shortest * (1.0 + 1e-12)) return false;
                            return !(length / (s * x.LengthUpTo) <= 2.0);
                        });
                        for (const Link* end = links + begin[1]; k < end; ++k) {
                            const Link& link = *k;
                            if (uint32_t(link.End) > lastEnd) break;
                            // A chain after which even the best rest
                            // cannot beat the record is not worth a division.
                            const double* after1 = rest1 + (j + 1) * row + 1;
                            const double* after2 = rest2 + (j + 1) * row + 1;
                            if (!(f1 + link.Straight * link.Slack * kInverseW + after1[link.End] + margin >
                                      score.Score1 ||
                                  f2 + link.Slack * kInverseW + after2[link.End] + margin > score.Score2))
                                continue;
                            ++evaluations;
                            double factor;
                            if (!LengthFactor(length / (s * link.Length), factor)) {
                                if (link.LengthFrom > longest * (1.0 + 1e-12) ||
                                    (link.LengthFrom >= longest * (1.0 - 1e-12) &&
                                     length / (s * link.LengthFrom) < 0.5))
                                    break;
                                continue;
                            }
                            const uint32_t e = uint32_t(link.End);
                            if (!toReached[e]) {
                                toReached[e] = 1;
                                to1[e] = f1 + Term1(factor, link.Straight, link.Slack);
                                to2[e] = f2 + Term2(factor, link.Slack);
                                if (e < nextLow) nextLow = e;
                                if (e > nextHigh) nextHigh = e;
                                continue;
                            }
                            // Most arrivals lose to the sums already there;
                            // a multiplication tells, the exact terms follow
                            // only when it is close.
                            if (f1 + factor * link.Straight * link.Slack * kInverseW + kCloseMargin < to1[e] &&
                                f2 + link.Slack * factor * kInverseW + kCloseMargin < to2[e])
                                continue;
                            const double v1 = f1 + Term1(factor, link.Straight, link.Slack);
                            const double v2 = f2 + Term2(factor, link.Slack);
                            if (v1 > to1[e]) to1[e] = v1;
                            if (v2 > to2[e]) to2[e] = v2;
                        }
                    }
                    cur ^= 1;
                    low = nextLow;
                    high = nextHigh;
                    alive = nextLow <= nextHigh;
                }
                if (!alive) continue;

                double best1 = -std::numeric_limits<double>::infinity(), best2 = best1;
                for (uint32_t e = low; e <= high; ++e) {
                    if (!m_reached[cur][e]) continue;
                    m_reached[cur][e] = 0;
                    if (m_sum1[cur][e] > best1) best1 = m_sum1[cur][e];
                    if (m_sum2[cur][e] > best2) best2 = m_sum2[cur][e];
                }
                if (best1 > score.Score1) {
                    score.Score1 = best1;
                    score.Scale1 = s;
                    score.InputStart1 = int32_t(i);
                    score.ModelStart1 = int32_t(ms);
                }
                if (best2 > score.Score2) {
                    score.Score2 = best2;
                    score.Scale2 = s;
                    score.InputStart2 = int32_t(i);
                    score.ModelStart2 = int32_t(ms);
                }
            }
        }
    }

    score.Score1 /= double(n);
    score.Score2 /= double(n);
    ChainEvaluations += evaluations;
    return true;
}
