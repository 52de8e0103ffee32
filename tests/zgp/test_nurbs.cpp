// CNurbsCurve2d: evaluation, shape-keeping edits, box, nearest point and length, hostile input.
#include <gtest/gtest.h>

#include "kernel_test_support.h"

using namespace zgp_test;
using Vec = V;

namespace {

CNurbsCurve2d RandomCurve(std::mt19937& rng, int degree, int count, bool rational, bool clamped) {
    std::uniform_real_distribution<double> coord(-10.0, 10.0), unit(0.0, 1.0);
    CNurbsCurve2d c(degree, count);
    for (int i = 0; i < count; ++i)
        c.SetCtrlPt(i, Vec(coord(rng), coord(rng)), rational ? 0.2 * std::pow(25.0, unit(rng)) : 1.0);
    std::vector<double> k(c.KnotCount());
    double v = coord(rng);
    for (int i = 0, run = 1; i < c.KnotCount(); ++i, ++run) {
        if (i > 0 && (run > degree || unit(rng) > 0.2)) v += 0.1 + unit(rng), run = 1;
        k[i] = v;
    }
    if (!(k[count] > k[degree]))  // keep the domain [k[degree], k[count]] from being empty
        for (int i = count; i < c.KnotCount(); ++i) k[i] += 1.0;
    if (clamped) {
        for (int i = 0; i < degree; ++i) k[i] = k[degree];
        for (int i = count + 1; i < c.KnotCount(); ++i) k[i] = k[count];
    }
    for (size_t i = 0; i < k.size(); ++i) c.SetKnot(static_cast<int>(i), k[i]);
    return c;
}

CNurbsCurve2d RandomCurve(std::mt19937& rng) {
    std::uniform_int_distribution<int> deg(1, 5), extra(0, 12), coin(0, 1);
    const int p = deg(rng);
    return RandomCurve(rng, p, p + 1 + extra(rng), coin(rng) == 1, coin(rng) == 1);
}

CNurbsCurve2d HighDegreeCurve(std::mt19937& rng, int trial) {
    return RandomCurve(rng, 6 + trial % 15, 21, true, trial % 2 == 0);
}

// Cox-de Boor recursion straight from the definition; the domain end takes the left limit.
double NaiveBasis(const std::vector<double>& u, int i, int p, double t, bool leftLimit) {
    if (p == 0) return leftLimit ? (u[i] < t && t <= u[i + 1]) : (u[i] <= t && t < u[i + 1]);
    double a = u[i + p] - u[i], b = u[i + p + 1] - u[i + 1], r = 0.0;
    if (a > 0.0) r += (t - u[i]) / a * NaiveBasis(u, i, p - 1, t, leftLimit);
    if (b > 0.0) r += (u[i + p + 1] - t) / b * NaiveBasis(u, i + 1, p - 1, t, leftLimit);
    return r;
}

Vec NaivePoint(const CNurbsCurve2d& c, double t) {
    std::vector<double> u = c.Knots();
    std::sort(u.begin(), u.end());
    Vec num;
    double den = 0.0;
    for (int i = 0; i < c.CtrlPtCount(); ++i) {
        double nw = NaiveBasis(u, i, c.Degree(), t, t >= u[c.CtrlPtCount()]) * c.Weight(i);
        num += c.CtrlPt(i) * nw;
        den += nw;
    }
    return num / den;
}

double MaxGap(const CCurve2d& a, const CCurve2d& b, double t0, double t1, int n = 200) {
    double gap = 0.0;
    for (int i = 0; i <= n; ++i) {
        const double t = t0 + (t1 - t0) * i / n;
        gap = std::max(gap, a.GetPoint(t).DistanceTo(b.GetPoint(t)));
    }
    return gap;
}

CNurbsCurve2d Circle(const Vec& c, double r) {
    CNurbsCurve2d n(2, 9);
    const double k[12] = {0, 0, 0, 0.25, 0.25, 0.5, 0.5, 0.75, 0.75, 1, 1, 1};
    const Vec pts[9] = {{1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}, {0, -1}, {1, -1}, {1, 0}};
    for (int i = 0; i < 9; ++i) n.SetCtrlPt(i, c + pts[i] * r, i % 2 ? std::sqrt(0.5) : 1.0);
    for (int i = 0; i < 12; ++i) n.SetKnot(i, k[i]);
    return n;
}

}  // namespace

TEST(NurbsEval, MatchesNaiveCoxDeBoorOnRandomCurves) {
    std::mt19937 rng(11);
    for (int trial = 0; trial < 300; ++trial) {
        CNurbsCurve2d c =
            trial < 20 ? RandomCurve(rng, 6 + trial % 7, 14 + trial % 5, true, trial % 2 == 0) : RandomCurve(rng);
        const double a = c.StartT(), b = c.EndT();
        for (int i = 0; i <= 40; ++i) {
            double t = i == 40 ? b : a + (b - a) * i / 40;
            ASSERT_LT(c.GetPoint(t).DistanceTo(NaivePoint(c, t)), 1e-10) << "trial " << trial << " t " << t;
        }
    }
}

TEST(NurbsEval, UnsortedKnotsActAsSortedAndOutsideParametersClamp) {
    std::mt19937 rng(12);
    for (int trial = 0; trial < 50; ++trial) {
        CNurbsCurve2d c = RandomCurve(rng), shuffled = c;
        std::vector<double> k = c.Knots();
        std::shuffle(k.begin(), k.end(), rng);
        for (size_t i = 0; i < k.size(); ++i) shuffled.SetKnot(static_cast<int>(i), k[i]);
        EXPECT_TRUE(shuffled.StartT() == c.StartT() && shuffled.EndT() == c.EndT());
        EXPECT_EQ(MaxGap(c, shuffled, c.StartT(), c.EndT()), 0.0);
        EXPECT_TRUE(c.GetPoint(c.StartT() - 5.0) == c.StartPoint() && c.GetPoint(c.EndT() + 5.0) == c.EndPoint());
    }
}

TEST(NurbsEval, DerivativesMatchFiniteDifferencesInsideSpans) {
    std::mt19937 rng(13);
    std::uniform_real_distribution<double> unit(0.1, 0.9);
    for (int trial = 0; trial < 200; ++trial) {
        CNurbsCurve2d c = RandomCurve(rng);
        std::vector<double> k = c.Knots();
        for (int s = c.Degree(); s < c.CtrlPtCount(); ++s) {
            if (!(k[s] < k[s + 1])) continue;
            const double span = k[s + 1] - k[s], t = k[s] + span * unit(rng), h = 1e-3 * span;
            // Central differences with one Richardson step (error O(h^4)).
            auto diff = [&](auto f, double step) { return (f(t + step) - f(t - step)) / (2 * step); };
            auto rich = [&](auto f) { return (diff(f, h / 2) * 4.0 - diff(f, h)) / 3.0; };
            const Vec d1 = rich([&](double x) { return c.GetPoint(x); });
            const Vec d2 = rich([&](double x) { return c.GetDeriv1(x); });
            ASSERT_LT(c.GetDeriv1(t).DistanceTo(d1) / (c.GetDeriv1(t).Length() + 1.0), 1e-6) << trial;
            ASSERT_LT(c.GetDeriv2(t).DistanceTo(d2) / (c.GetDeriv2(t).Length() + 1.0), 1e-6) << trial;
        }
    }
}

TEST(NurbsEdit, KnotInsertionBezierPiecesTrimmingAndReversalKeepTheShape) {
    std::mt19937 rng(14);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int trial = 0; trial < 200; ++trial) {
        const CNurbsCurve2d c = RandomCurve(rng);
        const double a = c.StartT(), b = c.EndT();
        CNurbsCurve2d d = c, r = c;
        ASSERT_TRUE(d.InsertKnot(trial % 4 == 0 ? c.Knots()[c.Degree() + 1] : a + (b - a) * unit(rng), 1 + trial % 3));
        EXPECT_TRUE(d.KnotCount() == d.CtrlPtCount() + d.Degree() + 1 && d.StartT() == a && d.EndT() == b);
        EXPECT_LT(MaxGap(c, d, a, b), 1e-10) << trial;
        EXPECT_FALSE(d.InsertKnot(b + 1.0));
        std::vector<CNurbsCurve2d*> pieces;
        c.DecomposeToBezier(pieces);
        double t = a;
        for (CNurbsCurve2d* piece : pieces) {
            EXPECT_TRUE(piece->CtrlPtCount() == c.Degree() + 1 && piece->IsClamped() && piece->StartT() == t);
            EXPECT_LT(MaxGap(c, *piece, piece->StartT(), piece->EndT(), 20), 1e-10) << trial;
            t = piece->EndT();
            piece->Unref();
        }
        EXPECT_EQ(t, b);
        const double t0 = a + (b - a) * 0.5 * unit(rng), t1 = t0 + (b - t0) * (0.1 + 0.9 * unit(rng));
        d = c;
        ASSERT_TRUE(d.SetStartT(t0) && d.SetEndT(t1));
        EXPECT_TRUE(d.StartT() == t0 && d.EndT() == t1 && d.IsClamped());
        EXPECT_LT(MaxGap(c, d, t0, t1), 1e-10) << trial;
        EXPECT_FALSE(d.SetStartT(t1) || d.SetEndT(t0 - 1.0) || d.SetEndT(NAN));
        r.Reverse();
        EXPECT_TRUE(r.StartT() == a && r.EndT() == b);
        for (int i = 0; i <= 50; ++i)
            EXPECT_LT(r.GetPoint(b - (b - a) * i / 50).DistanceTo(c.GetPoint(a + (b - a) * i / 50)), 1e-9) << trial;
    }
}

TEST(NurbsQuery, BoxContainsAndTouchesTheCurve) {
    std::mt19937 rng(17);
    const int n = 4000;
    std::vector<Vec> pts(n + 1);
    for (int trial = 0; trial < 300; ++trial) {
        const CNurbsCurve2d c = trial < 30 ? HighDegreeCurve(rng, trial) : RandomCurve(rng);
        const CBox2<double> box = c.Box();
        const double a = c.StartT(), b = c.EndT(), tol = 1e-10 * (1.0 + box.Width() + box.Height());
        for (int i = 0; i <= n; ++i) {
            pts[i] = c.GetPoint(a + (b - a) * i / n);
            ASSERT_TRUE(box.Contains(pts[i], tol)) << trial;
        }
        // Each side is reached at a knot (kinks sit there) or a refined sampled local extreme.
        const Vec dirs[4] = {{-1, 0}, {0, -1}, {1, 0}, {0, 1}};
        const double reach[4] = {-box.min.x, -box.min.y, box.max.x, box.max.y};
        for (int j = 0; j < 4; ++j) {
            auto drop = [&](double t) { return -c.GetPoint(t).Dot(dirs[j]); };
            double reached = -1e300;
            for (double k : c.Knots()) reached = std::max(reached, -drop(std::min(std::max(k, a), b)));
            for (int i = 0; i <= n; ++i) {
                const double v = pts[i].Dot(dirs[j]);
                if ((i > 0 && pts[i - 1].Dot(dirs[j]) > v) || (i < n && pts[i + 1].Dot(dirs[j]) > v)) continue;
                double lo = a + (b - a) * std::max(i - 1, 0) / n, hi = a + (b - a) * std::min(i + 1, n) / n;
                reached = std::max({reached, v, -BruteMin(drop, lo, hi, 1)});
            }
            EXPECT_LT(reach[j] - reached, tol) << trial << " side " << j;
        }
    }
}

TEST(NurbsQuery, NearestPrefersTheFirstOfEquallyNearPoints) {
    const Vec centre(3.0, -2.0);
    EXPECT_EQ(Circle(centre, 5.0).GetNearestT(centre, 0.0), 0.0);
    // (-1, -1) at t = 0 and (1, 1) on the last segment are both sqrt(2) from the origin; the last
    // segment's box is nearer, so it is searched first.
    const Vec path[5] = {{-1, -1}, {-1, -5}, {2, -5}, {2, 0}, {0, 2}};
    CNurbsCurve2d poly(1, 5);
    for (int i = 0; i < 5; ++i) poly.SetCtrlPt(i, path[i]);
    EXPECT_EQ(poly.GetNearestT(Vec(), 0.0), 0.0);
    EXPECT_NEAR(poly.GetNearestT(Vec(0.9, 1.1), 0.0), 0.8875, 1e-15);  // on the last segment
}

TEST(NurbsQuery, NearestMatchesBruteForceOnThousandsOfCurves) {
    std::mt19937 rng(18);
    std::uniform_real_distribution<double> coord(-15.0, 15.0), unit(0.0, 1.0);
    const int n = 2000;
    std::vector<double> d(n + 1);
    for (int trial = 0; trial < 1500; ++trial) {
        const CNurbsCurve2d c = trial < 50 ? HighDegreeCurve(rng, trial) : RandomCurve(rng);
        const double a = c.StartT(), b = c.EndT();
        for (int qi = 0; qi < 4; ++qi) {  // near the curve, on a control point, anywhere
            const Vec q = qi == 0   ? c.GetPoint(a + (b - a) * unit(rng)) + Vec(coord(rng), coord(rng)) * 0.02
                          : qi == 1 ? c.CtrlPt(trial % c.CtrlPtCount())
                                    : Vec(coord(rng), coord(rng));
            auto dist = [&](double t) { return c.GetPoint(t).DistanceTo(q); };
            for (int i = 0; i <= n; ++i) d[i] = dist(a + (b - a) * i / n);
            double brute = *std::min_element(d.begin(), d.end());
            const double near = brute * 1.01 + 1e-9;
            for (int i = 0; i <= n; ++i)
                if (d[i] <= near && (i == 0 || d[i - 1] >= d[i]) && (i == n || d[i + 1] >= d[i]))
                    brute = std::min(brute, BruteMin(dist, a + (b - a) * std::max(i - 1, 0) / n,
                                                     a + (b - a) * std::min(i + 1, n) / n, 1));
            const double t = c.GetNearestT(q, 0.0);
            ASSERT_TRUE(t >= a && t <= b);
            ASSERT_LE(dist(t), brute * (1.0 + 1e-9) + 1e-12) << "trial " << trial << " q " << qi;
        }
    }
}

TEST(NurbsQuery, LengthMatchesExtrapolatedPolylines) {
    std::mt19937 rng(19);
    for (int trial = 0; trial < 20; ++trial) {
        const CNurbsCurve2d c = RandomCurve(rng, 3, 8, true, true);
        const std::vector<double> k = c.Knots();
        auto poly = [&](int n) {  // n chords per knot span, so kinks at knots are vertices
            double len = 0.0;
            for (int s = c.Degree(); s < c.CtrlPtCount(); ++s)
                for (int i = 0; i < n; ++i) {
                    const double t = k[s] + (k[s + 1] - k[s]) * i / n, h = (k[s + 1] - k[s]) / n;
                    len += c.GetPoint(t).DistanceTo(c.GetPoint(t + h));
                }
            return len;
        };
        double l1 = poly(1000), l2 = poly(2000), richardson = (4 * l2 - l1) / 3;
        EXPECT_NEAR(c.Length(), richardson, 1e-7 * richardson) << trial;
        EXPECT_NEAR(c.LengthBetween(c.EndT(), c.StartT()), -c.Length(), 1e-12 * richardson);
    }
}

TEST(NurbsShape, MonotonicityOfControlPolygons) {
    auto make = [](std::vector<Vec> pts) {
        CNurbsCurve2d c(2, static_cast<int>(pts.size()));
        for (size_t i = 0; i < pts.size(); ++i) c.SetCtrlPt(static_cast<int>(i), pts[i]);
        return c.Monotonicity();
    };
    EXPECT_EQ(make({{0, 0}, {2, 1 + 4e-7}, {4, 2}, {6, 3 - 4e-7}}), 2);  // noise below g_DistEpsilon
    EXPECT_EQ(make({{1, 1}, {1, 1}, {1, 1}}), 2);                        // all points coincide
    EXPECT_EQ(make({{1, 0}, {0.9, 0.4}, {0.5, 0.8}, {0, 1}, {-0.5, 0.9}}), 1);
    EXPECT_EQ(make({{0, 0}, {5, 0}, {0, 1e-3}}), 1);  // a hairpin, but one way
    EXPECT_EQ(make({{0, 0}, {1, 1}, {2, 0}, {3, 1}}), 0);
    EXPECT_EQ(make({{0, 0}, {5, 0}, {2, 0}, {2, 3}}), 0);  // doubles back on itself
}

TEST(NurbsRobust, ConstructionClampsAndSettersRefuseBadValues) {
    EXPECT_EQ(CNurbsCurve2d(500, 3).Degree(), 64);
    CNurbsCurve2d c(3, 3);  // raised to 4 control points
    EXPECT_EQ(c.KnotCount(), 8);
    EXPECT_FALSE(c.SetCtrlPtCount(3) || c.SetCtrlPt(0, Vec(1, 1), 0.0) || c.SetCtrlPt(0, Vec(NAN, 1), 1.0) ||
                 c.SetCtrlPt(4, Vec(1, 1), 1.0) || c.SetKnot(0, NAN) || c.SetKnot(8, 0.0));
    ASSERT_TRUE(c.SetCtrlPt(3, Vec(1, 2), 2.0) && c.SetCtrlPtCount(6));
    EXPECT_TRUE(c.CtrlPt(3) == Vec(1, 2) && c.Weight(3) == 2.0 && c.KnotCount() == 10 && c.IsClamped());
}

TEST(NurbsRobust, HostileKnotsWeightsAndPointsNeverYieldNaN) {
    std::mt19937 rng(20);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double big = 1e308;
    for (int trial = 0; trial < 300; ++trial) {
        CNurbsCurve2d c = RandomCurve(rng);
        const int m = c.KnotCount(), kind = trial % 6;
        for (int i = 0; i < m; ++i)  // equal, decreasing, overflowing spread, repeats, two huge values, subnormal
            c.SetKnot(i, kind == 0   ? 1.0
                         : kind == 1 ? -i * 1.0
                         : kind == 2 ? (i % 2 ? big : -big) * unit(rng)
                         : kind == 3 ? std::floor(unit(rng) * 2.0)
                         : kind == 4 ? (i < m / 2 ? -big : big)
                                     : unit(rng) * 1e-300);
        if (trial / 6 % 3 == 0) c.SetCtrlPt(0, Vec(1e300, -1e300), 1e300);
        if (trial % 5 == 0) c.SetCtrlPt(c.CtrlPtCount() - 1, Vec(1, 1), 1e-300);
        const double a = c.StartT(), b = c.EndT();
        ASSERT_TRUE(std::isfinite(a) && std::isfinite(b) && a <= b);
        for (int i = 0; i <= 20; ++i) {
            const double t = a + (b / 20 - a / 20) * i;
            ASSERT_TRUE(Finite(c.GetPoint(t)) && Finite(c.GetDeriv1(t)) && Finite(c.GetDeriv2(t))) << trial;
        }
        const double t = c.GetNearestT(Vec(unit(rng), unit(rng)), 0.0);
        EXPECT_TRUE(t >= a && t <= b && !c.Box().IsEmpty() && std::isfinite(c.Length()));
        std::vector<CNurbsCurve2d*> pieces;
        c.DecomposeToBezier(pieces);
        EXPECT_FALSE(pieces.empty());
        for (CNurbsCurve2d* piece : pieces) EXPECT_TRUE(Finite(CRefPtr<CNurbsCurve2d>(piece)->StartPoint()));
        c.InsertKnot(0.5 * a + 0.5 * b, 2);
        c.SetStartT(0.75 * a + 0.25 * b);
        c.SetEndT(0.25 * a + 0.75 * b);
        c.Reverse();
        EXPECT_EQ(c.KnotCount(), c.CtrlPtCount() + c.Degree() + 1);
        EXPECT_TRUE(std::isfinite(c.StartT()) && std::isfinite(c.EndT()) && Finite(c.GetPoint(0.5 * c.EndT())));
    }
}
