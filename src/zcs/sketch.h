// zcs: a sketch as the solver sees it for one call: the model, its independent parts
// (connected components), and the diagnostics run on them (rank, redundancy, conflicts).
#pragma once

#include <string>
#include <vector>

#include "model.h"

namespace zgp {
class CGeometry;
}

namespace zcs::detail {

// Residuals count as zero below this fraction of the part's size (its largest coordinate,
// radius, length or value): a few dozen units in the last place of its coordinates.
constexpr double kRelTolerance = 1e-14;

// One independent part: constraints (ascending indices) that share movable curves.
struct Part {
    std::vector<int> cons;
    double size = 1.0;
    double tol = 0.0;
};

struct Sketch {
    Model model;
    std::vector<Part> parts;
    std::vector<int> invalid;  // constraints that do not fit their geometry
    double size = 1.0;
};

// What the caller registered: curves (with the ones held whole), held points, constraints.
struct Input {
    std::vector<zgp::CGeometry*> geoms;
    std::vector<char> fixedGeom;
    std::vector<ZlDimRefGeometry> fixedPoints;
    std::vector<IConstraint*> cons;
};

// Reads the curves as they are now and the constraints, resolves every constraint and splits
// the sketch into parts.
void BuildSketch(const Input& in, Sketch& out);

// Remaining degrees of freedom: movable parameters minus the rank of every part's Jacobian.
int DegreesOfFreedom(const Sketch& s);
// Remaining degrees of freedom of each curve of the model (by index): the dimension of the
// motions of its own parameters that the constraints allow; 0 for a held curve.
std::vector<int> CurveFreedom(const Sketch& s);
// Constraints with an equation that follows from the constraints before them, in order.
std::vector<int> RedundantConstraints(const Sketch& s);
// How far a conflicting set was shown to be the smallest.
enum class Reduction {
    Irreducible,  // without any one member the others hold (with the part's joints and held points)
    FirstOrder,   // too many members to try each removal: each is needed to first order
    Unproven,     // some members' removal could not be decided by the solves and were kept
};

// A smallest set found of constraints of the part that cannot hold together (ascending), given
// the parameters where its solve stopped; empty when no conflict can be shown. The part's
// joints and held points are taken to hold and are named only when they alone cannot.
std::vector<int> FindConflict(const Sketch& s, const Part& part, const std::vector<double>& stopped,
                              Reduction* reduction = nullptr);
// Constraints of the part (ascending) with a residual above the part's tolerance at P.
std::vector<int> UnmetConstraints(const Sketch& s, const Part& part, const std::vector<double>& P);

// Messages: "3 constraints cannot hold together: 2 lengths, 1 distance. ..." and the like.
std::wstring ConflictMessage(const Model& m, const std::vector<int>& cons, Reduction how);
std::wstring InvalidMessage(const Model& m, const std::vector<int>& cons);
// After a solve that stopped short without showing a conflict: the constraints still unmet.
std::wstring UnmetMessage(const Model& m, const std::vector<int>& cons);

}  // namespace zcs::detail
