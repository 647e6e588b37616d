// Moment limiter for quadrilaterals (limiters 2 and 4).

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "ConservationLaw.h"
#include "DGBoundaryCell.h"
#include "DGCell.h"
#include "DGLimiters.h"
#include "FunctionSpace.h"
#include "GaussIntegrator.h"
#include "GlobalParamManager.h"
#include "Mapping.h"
#include "mEntity.h"

using KORA::mEntity;
using KORA::mVector;

namespace {

const ConservationLaw &contextLaw() {
  const ConservationLaw *law = GlobalParamManager::Instance()->law;
  if (!law) throw std::string("limiter: no conservation law");
  return *law;
}

int fieldsOf(const ConservationLaw &law, const DGCell *cell) {
  return std::min({law.nbFields(), cell->nbFieldCount, ConservationLaw::kMaxFields});
}

// Centre offsets closer than this count as aligned.
constexpr double kAligned = 1e-10;

}  // namespace

namespace {

// The physical basis gradients of the cell at the Gauss points of the rule of
// its order, point after point (size per point); returns the point count.
int ruleBasisGradients(DGCell *cell, std::vector<mVector> &out, int &size) {
  KORA::GaussIntegrator gauss(cell->getEntity());
  const FunctionSpace *space = cell->getFunctionSpace();
  const int order = space->order();
  const int nbPoints = gauss.nbIntegrationPoints(order);
  size = space->size();
  out.resize(static_cast<std::size_t>(nbPoints) * size);
  std::vector<mVector> g(size);
  for (int k = 0; k < nbPoints; ++k) {
    double u, v, w, weight;
    gauss.iPoint(k, order, u, v, w, weight);
    space->grads(u, v, w, cell->getMapping(), g);
    std::copy(g.begin(), g.begin() + size, out.begin() + static_cast<std::ptrdiff_t>(k) * size);
  }
  return nbPoints;
}

// checkMonotonicity from the basis gradients of ruleBasisGradients.
void monotonicityFrom(DGCell *cell, const mVector *basis, int nbPoints, int size, bool *mu, bool *mv,
                      bool *mw) {
  const int n = fieldsOf(contextLaw(), cell);
  for (int f = 0; f < n; ++f) mu[f] = mv[f] = mw[f] = true;
  // Kept from call to call: 512 vectors made anew would cost more than the test.
  static std::vector<mVector> firstKept(ConservationLaw::kMaxFields), gradsKept(ConservationLaw::kMaxFields);
  mVector *first = firstKept.data();
  mVector *grads = gradsKept.data();
  for (int k = 0; k < nbPoints; ++k) {
    const std::span<const mVector> phi(basis + static_cast<std::ptrdiff_t>(k) * size, size);
    if (k == 0) {
      cell->dinterpolate(first, phi, DGCell::LEVEL0);
      continue;
    }
    cell->dinterpolate(grads, phi, DGCell::LEVEL0);
    for (int f = 0; f < n; ++f) {
      if (grads[f][0] * first[f][0] < 0.0) mu[f] = false;
      if (grads[f][1] * first[f][1] < 0.0) mv[f] = false;
      if (grads[f][2] * first[f][2] < 0.0) mw[f] = false;
    }
  }
}

}  // namespace

void DGMomentLimiterRegularCube::initTable(int nbFields, int p) {
  nbFields = std::clamp(nbFields, 0, kMaxFields);
  p = std::clamp(p, 0, kMaxOrder);
  for (int f = 0; f < nbFields; ++f)
    for (int d = 0; d < 3; ++d) {
      for (int k = 0; k < p; ++k) flag[f][k][d] = 0;
      flag[f][p][d] = 1;
    }
}

namespace {

std::uint64_t hashOf(const double *v, std::size_t n) {
  std::uint64_t h = 1469598103934665603ull;
  const unsigned char *b = reinterpret_cast<const unsigned char *>(v);
  for (std::size_t i = 0; i < n * sizeof(double); ++i) h = (h ^ b[i]) * 1099511628211ull;
  return h;
}

// True when no product of the derivative sum at a point with the one at the
// first point is negative; g holds, function after function, the gradients
// of the points (the sums go on side by side, each term after term).
template <int kPoints>
bool keepSign(const double *g, const double *c, int size) {
  double sum[kPoints] = {};
  for (int j = 0; j < size; ++j, g += kPoints) {
    const double cj = c[j];
    for (int k = 0; k < kPoints; ++k) sum[k] += g[k] * cj;
  }
  bool same = true;
  for (int k = 1; k < kPoints; ++k)
    if (sum[k] * sum[0] < 0.0) same = false;
  return same;
}

bool pointsKeepSign(const double *g, const double *c, int size, int points) {
  switch (points) {
  case 1: return true;
  case 4: return keepSign<4>(g, c, size);
  case 9: return keepSign<9>(g, c, size);
  case 16: return keepSign<16>(g, c, size);
  default: break;
  }
  double local[64] = {};
  std::vector<double> more(points > 64 ? points : 0, 0.0);  // beyond order 12 only
  double *sum = points > 64 ? more.data() : local;
  for (int j = 0; j < size; ++j, g += points) {
    const double cj = c[j];
    for (int k = 0; k < points; ++k) sum[k] += g[k] * cj;
  }
  bool same = true;
  for (int k = 1; k < points; ++k)
    if (sum[k] * sum[0] < 0.0) same = false;
  return same;
}

}  // namespace

DGMomentLimiterRegularCube::KeptCell &DGMomentLimiterRegularCube::keptCell(
    DGCell *cell, std::span<const LimiterFaceTable::Face> faces) {
  if (!keptAny || keptEpoch != faceTable.epoch()) {
    keptCells.clear();
    keptSides.clear();
    gradientTables.clear();
    gradientValues.clear();
    gradientIndex.clear();
    keptEpoch = faceTable.epoch();
    keptAny = true;
  }
  const std::size_t e = faceTable.entry();
  if (e >= keptCells.size()) keptCells.resize(e + 1);
  KeptCell &k = keptCells[e];
  if (k.firstSide < 0 || k.nbSides != static_cast<int>(faces.size())) {
    k.type = cell->getEntity()->getType();
    k.order = cell->getFunctionSpace()->order();
    k.firstSide = static_cast<int>(keptSides.size());
    k.nbSides = static_cast<int>(faces.size());
    k.gradients = -1;
    keptSides.resize(keptSides.size() + faces.size());
  }
  // An interface cell made or replaced since is seen as it is.
  Side *sides = keptSides.data() + k.firstSide;
  for (std::size_t i = 0; i < faces.size(); ++i)
    if (!sides[i].known || sides[i].face != faces[i].cell) findSide(cell, faces[i], sides[i]);
  return k;
}

void DGMomentLimiterRegularCube::findSide(DGCell *cell, const LimiterFaceTable::Face &face, Side &side) {
  side = Side{};
  side.known = true;
  DGBoundaryCell *fc = face.cell;
  side.face = fc;
  if (!fc) return;
  mEntity *element = cell->getEntity();
  mEntity *other = (fc->left != element) ? fc->left : fc->right;
  DGCell *neighbour = other ? dgCellOf(other) : nullptr;
  if (!neighbour || neighbour == cell) return;
  side.neighbour = neighbour;
  if (element->getType() != mEntity::QUAD) return;
  // The geometry of limitQuad, in the same operations.
  double K[4], N[4], z;
  cell->getMapping()->eval(-1, -1, 0, K[0], K[1], z);
  cell->getMapping()->eval(1, 1, 0, K[2], K[3], z);
  neighbour->getMapping()->eval(-1, -1, 0, N[0], N[1], z);
  neighbour->getMapping()->eval(1, 1, 0, N[2], N[3], z);
  const double hx = K[2] - K[0], hy = K[3] - K[1];
  const double dx = 0.5 * (K[0] + K[2] - N[0] - N[2]);
  const double dy = 0.5 * (K[1] + K[3] - N[1] - N[3]);
  const bool alongX = std::fabs(dy) <= kAligned && std::fabs(dx) > kAligned;
  const bool alongY = std::fabs(dy) > kAligned && std::fabs(dx) <= kAligned;
  if (alongX) {
    side.dir = 0;
    side.ratio = hx / dx;
  } else if (alongY) {
    side.dir = 1;
    side.ratio = hy / dy;
  }
}

int DGMomentLimiterRegularCube::gradientTable(DGCell *cell) {
  std::vector<mVector> basis;
  int size = 0;
  const int nbPoints = ruleBasisGradients(cell, basis, size);
  GradientTable t{gradientValues.size(), nbPoints, size, {false, false, false}};
  for (const mVector &g : basis)
    for (int d = 0; d < 3; ++d)
      if (g[d] != 0.0) t.used[d] = true;
  // A direction whose gradients are all zero gives zero derivatives, whose
  // products never clear a flag: it is not stored.
  // Direction after direction, function after function, the values at every
  // point: the sums of all points then go on side by side.
  std::vector<double> values;
  for (int d = 0; d < 3; ++d)
    if (t.used[d])
      for (int j = 0; j < size; ++j)
        for (int k = 0; k < nbPoints; ++k) values.push_back(basis[static_cast<std::size_t>(k) * size + j][d]);
  const std::uint64_t h = hashOf(values.data(), values.size()) ^ (static_cast<std::uint64_t>(size) << 1) ^
                          (static_cast<std::uint64_t>(nbPoints) << 20) ^ (t.used[0] + 2 * t.used[1] + 4 * t.used[2]);
  std::vector<int> &same = gradientIndex[h];
  for (int i : same) {
    const GradientTable &o = gradientTables[i];
    if (o.nbPoints == nbPoints && o.size == size && o.used[0] == t.used[0] && o.used[1] == t.used[1] &&
        o.used[2] == t.used[2] &&
        std::equal(values.begin(), values.end(), gradientValues.begin() + static_cast<std::ptrdiff_t>(o.offset)))
      return i;
  }
  gradientValues.insert(gradientValues.end(), values.begin(), values.end());
  gradientTables.push_back(t);
  same.push_back(static_cast<int>(gradientTables.size()) - 1);
  return same.back();
}

// checkMonotonicity of one field in one direction, from the current gradient
// table: the derivative sums of DGCell::dinterpolate, each term after term
// (the sums of the points side by side).
bool DGMomentLimiterRegularCube::fieldMonotone(DGCell *cell, int f, int d) {
  unsigned char &known = monoKnown[f];
  bool *mono = d == 0 ? monoU : monoV;
  if (known & (1u << d)) return mono[f];
  known |= static_cast<unsigned char>(1u << d);
  const GradientTable &t = *currentGradients;
  mono[f] = true;
  if (!t.used[d]) return true;
  const int size = t.size, points = t.nbPoints;
  const double *c = cell->coef0 + static_cast<std::ptrdiff_t>(f) * cell->nbFcts;
  const double *g = gradientValues.data() + t.offset + static_cast<std::ptrdiff_t>(t.used[0] && d == 1) * size * points;
  mono[f] = pointsKeepSign(g, c, size, points);
  return mono[f];
}

void DGMomentLimiterRegularCube::limit(DGCell *cell) {
  const ConservationLaw &law = contextLaw();
  const std::span<const LimiterFaceTable::Face> faces = faceTable.faces(cell);
  KeptCell &kept = keptCell(cell, faces);
  const int top = std::min(kept.order, kMaxOrder);
  const int n = std::min({law.nbFields(), cell->nbFieldCount, ConservationLaw::kMaxFields});
  initTable(n, top);
  limitingFields = n;
  const bool quad = kept.type == mEntity::QUAD, hex = kept.type == mEntity::HEX;
  if (!quad && !hex) return;
  limiting = cell;
  nbCorners = 0;
  currentGradients = nullptr;
  if (monotone && quad) {
    if (kept.gradients < 0) kept.gradients = gradientTable(cell);
    currentGradients = &gradientTables[kept.gradients];
    std::fill(monoKnown, monoKnown + n, 0);
  }
  const Side *sides = keptSides.data() + kept.firstSide;
  for (int q = top; q >= 1; --q) {
    for (int i = 0; i < kept.nbSides; ++i) {
      const Side &side = sides[i];
      if (!side.neighbour) continue;
      DGBoundaryCell *fc = faces[i].cell;
      currentSide = &side;
      if (quad)
        limitQuad(fc, cell, side.neighbour, q);
      else
        limitHex(cell, side.neighbour, q);
    }
  }
  currentSide = nullptr;
  currentGradients = nullptr;
  limiting = nullptr;
  nbCorners = 0;
}

const double *DGMomentLimiterRegularCube::corners(DGCell *cell) {
  // Corners of the cells met in one limit call; a cell's mapping never changes.
  if (limiting && cornerGeneration == dgCellGeneration) {
    for (int k = 0; k < nbCorners; ++k)
      if (cornerCells[k] == cell) return cornerValues[k];
  }
  if (!limiting || cornerGeneration != dgCellGeneration || nbCorners == kCornerSlots) {
    nbCorners = 0;
    cornerGeneration = dgCellGeneration;
  }
  double *v = cornerValues[nbCorners];
  double z;
  cell->getMapping()->eval(-1, -1, 0, v[0], v[1], z);
  cell->getMapping()->eval(1, 1, 0, v[2], v[3], z);
  cornerCells[nbCorners++] = cell;
  return v;
}

void DGMomentLimiterRegularCube::limitQuad(DGBoundaryCell *face, DGCell *K, DGCell *N, int q) {
  if (q < 1 || q > kMaxOrder) return;
  // Within limit, the side's geometry and the field count are kept from call to call.
  const bool kept = limiting == K && currentSide && currentSide->neighbour == N && currentSide->face == face;
  const int fieldsK = kept ? limitingFields : fieldsOf(contextLaw(), K);
  int dir;
  double ratio;
  if (kept) {
    dir = currentSide->dir;
    ratio = currentSide->ratio;
  } else {
    const double *cK = corners(K);
    const double xc1 = cK[0], yc1 = cK[1], xc2 = cK[2], yc2 = cK[3];
    const double *cNb = corners(N);
    const double xn1 = cNb[0], yn1 = cNb[1], xn2 = cNb[2], yn2 = cNb[3];
    const double hx = xc2 - xc1, hy = yc2 - yc1;
    const double dx = 0.5 * (xc1 + xc2 - xn1 - xn2);
    const double dy = 0.5 * (yc1 + yc2 - yn1 - yn2);
    const bool alongX = std::fabs(dy) <= kAligned && std::fabs(dx) > kAligned;
    const bool alongY = std::fabs(dy) > kAligned && std::fabs(dx) <= kAligned;
    dir = alongX ? 0 : alongY ? 1 : -1;
    ratio = alongX ? hx / dx : alongY ? hy / dy : 0.0;
  }
  if (dir < 0) return;
  const bool alongX = dir == 0;

  const int n = std::min(fieldsK, N->nbFieldCount);
  // The monotonicity of a field, from the current coefficients: in a limit
  // call taken per field and direction when first needed and again after one
  // of the field's moments changed, otherwise for the whole cell.
  const bool lazy = kept && currentGradients;
  bool ownMu[ConservationLaw::kMaxFields], ownMv[ConservationLaw::kMaxFields], ownMw[ConservationLaw::kMaxFields];
  const bool *mono = alongX ? ownMu : ownMv;
  if (monotone && !lazy) checkMonotonicity(K, ownMu, ownMv, ownMw);

  const int nbK = K->nbFcts;
  const int nbN = N->nbFcts;
  double *coefK = K->coef0;
  const double *coefN = N->coef0;
  // The moment being limited and the lower moment it is compared with.
  const int target = alongX ? q * q : q * q + 1;
  const int lower = alongX ? (q - 1) * (q - 1) : (q == 1 ? 0 : (q - 1) * (q - 1) + 1);
  if (target >= nbK || lower >= nbN) return;
  const double scale = ratio / (2.0 * q - 1.0);
  for (int f = 0; f < n; ++f) {
    if (!flag[f][q][dir]) continue;
    if (monotone) {
      if (lazy ? fieldMonotone(K, f, dir) : mono[f]) {
        flag[f][q][dir] = 0;
        continue;
      }
    }
    const double b = (coefK[f * nbK + lower] - coefN[f * nbN + lower]) * scale;
    if (minmod(coefK[f * nbK + target], b)) {
      flag[f][q - 1][dir] = 1;
      if (lazy) monoKnown[f] = 0;
    }
  }
}

void DGMomentLimiterRegularCube::limitHex(DGCell *cell, DGCell *neighbour, int q) {
  (void)cell;
  (void)neighbour;
  (void)q;
}

void checkMonotonicity(DGCell *cell, bool *mu, bool *mv, bool *mw) {
  std::vector<mVector> basis;
  int size = 0;
  const int nbPoints = ruleBasisGradients(cell, basis, size);
  monotonicityFrom(cell, basis.data(), nbPoints, size, mu, mv, mw);
}

void checkExpansion(DGCell *cell, bool *mu, bool *mv, bool *mw) {
  const int n = fieldsOf(contextLaw(), cell);
  for (int f = 0; f < n; ++f) mu[f] = mv[f] = mw[f] = true;
}
