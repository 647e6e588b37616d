#ifndef DG_DGLIMITERS_H
#define DG_DGLIMITERS_H

// The concrete limiters of the solver. Every one rewrites the current
// coefficients (level 0) of one DG cell in place, keeps no pointer to cells or
// to the mesh between calls and reaches the conservation law through the
// global context at every call.
//
//   DGBarthLimiter, DGTovuLimiter   keep the means, drop the modes of order 2
//                                   and above, scale the linear modes into the
//                                   stencil bounds (Barth-Jespersen)
//   DGPhysicalLimiter               drops the highest modes until every face
//                                   trace is admissible (needs no stencil)
//   DGMomentLimiterRegularCube      hierarchical minmod of the Legendre moments
//                                   of quadrilaterals on axis-parallel meshes
//   DGMultiLimiter                  applies a list of limiters in turn

#include <cstdint>
#include <span>
#include <unordered_map>
#include <utility>
#include <vector>

#include "DGLimiter.h"
#include "DGLimiterFaces.h"
#include "mVector.h"

class DGBoundaryCell;

// Applies its limiters to a cell in the order they were added, each to the
// result of the one before. It does not own them. It asks for the stencil
// bounds whatever its members answer.
class DGMultiLimiter : public DGLimiter {
public:
  void addLimiter(DGLimiter *limiter) { limiters.push_back(limiter); }
  void limit(DGCell *cell) override;

private:
  std::vector<DGLimiter *> limiters;
};

// Barth-Jespersen limiting of a cell of any order:
// 1. means that the law rejects are repaired by the law's restorePhysical
//    (which throws the integer 1 for a law that cannot repair);
// 2. the modes of order 2 and above are set to 0, highest first;
// 3. the linear modes (on quadrilaterals and hexahedra the bilinear and
//    trilinear products too) of field f are multiplied by computeMinMax's
//    ratio[f], taken on the state without the higher modes.
class DGBarthLimiter : public DGLimiter {
public:
  void limit(DGCell *cell) override;
};

// Limits exactly as DGBarthLimiter.
class DGTovuLimiter : public DGLimiter {
public:
  void limit(DGCell *cell) override;
};

// Keeps the traces of a cell on its faces admissible: while one face
// quadrature state of the cell is rejected by the law, or has its field 0
// outside [lower, upper] (both bounds admissible), the modes of the highest
// remaining order are removed, down to the linear ones; the means never
// change. Each face where a pass finds a bad state prints
// "non physical field found...\n" once on standard output.
class DGPhysicalLimiter : public DGLimiter {
public:
  DGPhysicalLimiter(double lower, double upper) : lowerBound(lower), upperBound(upper) {}
  void limit(DGCell *cell) override;
  bool needStencilAverages() const override { return false; }

  double lowerBound;
  double upperBound;

private:
  LimiterFaceTable faceTable;
};

// Moment limiter for quadrilateral cells on meshes of axis-parallel
// rectangles. The moment of order q in x (coefficient q^2, the factor of
// L_q(u)) is compared by minmod with the difference of the order q-1 moments
// of the cell and of its neighbour in x, scaled by hx / ((2q - 1) dx); the
// same in y with coefficient q^2 + 1. Starting from the highest order, a lower
// moment is limited only where the moment above it had to change. Means never
// change. Hexahedra and the other kinds are left as they are.
//
// Orders above 9 are not limited (the flag table stops there): a cell of a
// higher order is limited from order 9 down. A neighbour that carries too few
// coefficients for the moment being compared is skipped.
class DGMomentLimiterRegularCube : public DGLimiter {
public:
  static constexpr int kMaxFields = 256;
  static constexpr int kMaxOrder = 9;

  // It compares moments with the neighbours' alone: no stencil bounds.
  explicit DGMomentLimiterRegularCube(bool monotonicity) : monotone(monotonicity) { stencilReader = false; }
  void limit(DGCell *cell) override;
  // Limits the order-q moments of the quadrilateral cell against its
  // neighbour across one face (the interface cell is not used).
  virtual void limitQuad(DGBoundaryCell *face, DGCell *cell, DGCell *neighbour, int q);
  // Hexahedra are not limited.
  virtual void limitHex(DGCell *cell, DGCell *neighbour, int q);

  // For every field below nbFields and every direction: flags of the orders
  // below p cleared, flag of order p set; higher orders left. Both counts are
  // clamped to the table.
  void initTable(int nbFields, int p);
  bool flagged(int field, int order, int direction) const { return flag[field][order][direction] != 0; }

private:
  static constexpr int kCornerSlots = 16;
  // Corners (-1,-1) and (1,1) of a cell, x1 y1 x2 y2, kept during one limit call.
  const double *corners(DGCell *cell);

  // What limit keeps of a cell between calls, while the face table keeps its
  // entry (no DG cell made or destroyed): its element type, its order, and
  // per face of the table, the neighbour and the geometry limitQuad takes
  // from the corners (a cell's mapping never changes).
  struct Side {
    const DGBoundaryCell *face = nullptr;  // the interface cell it was found from
    bool known = false;
    DGCell *neighbour = nullptr;           // null: the face is skipped
    int dir = -1;                          // 0 x, 1 y, -1 neither (nothing changes)
    double ratio = 0.0;                    // hx / dx or hy / dy
  };
  struct KeptCell {
    int type = -1;
    int order = 0;
    int firstSide = -1;
    int nbSides = 0;
    int gradients = -1;  // its monotonicity table, -1 before the first need
  };
  // The physical basis gradients of a cell at the points of the monotonicity
  // test: per point, per direction whose values are not all zero, size values.
  // Cells with the same values (the same shape and size) share one table.
  struct GradientTable {
    std::size_t offset;
    int nbPoints, size;
    bool used[3];
  };
  KeptCell &keptCell(DGCell *cell, std::span<const LimiterFaceTable::Face> faces);
  void findSide(DGCell *cell, const LimiterFaceTable::Face &face, Side &side);
  int gradientTable(DGCell *cell);
  bool fieldMonotone(DGCell *cell, int f, int d);

  unsigned char flag[kMaxFields][kMaxOrder + 1][3] = {};
  bool monotone;
  LimiterFaceTable faceTable;
  std::vector<KeptCell> keptCells;  // by face-table entry
  std::vector<Side> keptSides;
  unsigned long keptEpoch = 0;
  bool keptAny = false;
  std::vector<GradientTable> gradientTables;
  std::vector<double> gradientValues;
  std::unordered_map<std::uint64_t, std::vector<int>> gradientIndex;  // by a hash of the values
  // The cell of the limit call under way (null outside one), the side being
  // limited, and per field whether its monotonicity is known (from the
  // current coefficients: only the field's own moments change it), by bits
  // of the directions x and y.
  DGCell *limiting = nullptr;
  int limitingFields = 0;
  const Side *currentSide = nullptr;
  const GradientTable *currentGradients = nullptr;
  unsigned char monoKnown[kMaxFields] = {};
  bool monoU[kMaxFields] = {}, monoV[kMaxFields] = {};
  // Corners of the cells met by limitQuad outside the kept sides.
  DGCell *cornerCells[kCornerSlots] = {};
  double cornerValues[kCornerSlots][4] = {};
  int nbCorners = 0;
  unsigned long cornerGeneration = 0;
};

// Per field: true in mu (x), mv (y), mw (z) when the physical derivative of
// the field in that direction keeps its sign (a zero product keeps it) over
// the Gauss points of the rule of the cell's order. Arrays of one bool per field.
void checkMonotonicity(DGCell *cell, bool *mu, bool *mv, bool *mw);
// Sets every field's three flags to true.
void checkExpansion(DGCell *cell, bool *mu, bool *mv, bool *mw);

#endif
