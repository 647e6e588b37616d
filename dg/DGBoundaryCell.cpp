#include "DGBoundaryCell.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <list>
#include <string>
#include <typeinfo>
#include <utility>

#include "ConservationLaw.h"
#include "DGCell.h"
#include "DGErrorEstimator.h"
#include "DGSubEntities.h"
#include "DenseMatrix.h"
#include "FunctionSpace.h"
#include "GaussIntegrator.h"
#include "GlobalParamManager.h"
#include "LagrangeMapping.h"
#include "Mapping.h"
#include "gEntity.h"
#include "mEntity.h"

using KORA::GaussIntegrator;
using KORA::Mapping;
using KORA::mEntity;
using KORA::mPoint;
using KORA::mVector;

DGCell *dgCellOf(mEntity *element) {
  return element ? dynamic_cast<DGCell *>(element->getFastData()) : nullptr;
}

DGBoundaryCell *dgBoundaryCellOf(mEntity *face) {
  return face ? dynamic_cast<DGBoundaryCell *>(face->getFastData()) : nullptr;
}

bool entityPrecedes(const mEntity *a, const mEntity *b) {
  if (a->getType() != b->getType()) return a->getType() < b->getType();
  const int na = a->getNbTemplates(0), nb = b->getNbTemplates(0);
  for (int i = 0; i < na && i < nb; ++i) {
    const int ia = a->get(0, i)->getId(), ib = b->get(0, i)->getId();
    if (ia != ib) return ia < ib;
  }
  return na < nb;
}

namespace {

struct EntityKey {
  int type, nodes;
  int ids[8];
  std::size_t index;
  bool operator<(const EntityKey &o) const {
    if (type != o.type) return type < o.type;
    const int n = std::min(nodes, o.nodes);
    for (int i = 0; i < n; ++i)
      if (ids[i] != o.ids[i]) return ids[i] < o.ids[i];
    return nodes < o.nodes;
  }
};

}  // namespace

std::vector<std::size_t> entityOrder(std::span<const mEntity *const> entities) {
  std::vector<std::size_t> order(entities.size());
  std::vector<EntityKey> keys(entities.size());
  bool fits = true;
  for (std::size_t k = 0; k < entities.size(); ++k) {
    const mEntity *e = entities[k];
    EntityKey &key = keys[k];
    key.type = static_cast<int>(e->getType());
    key.nodes = e->getNbTemplates(0);
    fits = fits && key.nodes <= 8;
    for (int i = 0; i < key.nodes && i < 8; ++i) key.ids[i] = e->get(0, i)->getId();
    key.index = k;
  }
  if (!fits) {  // entities of more than 8 vertices: compared in place
    for (std::size_t k = 0; k < order.size(); ++k) order[k] = k;
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return entityPrecedes(entities[a], entities[b]); });
    return order;
  }
  std::sort(keys.begin(), keys.end());
  for (std::size_t k = 0; k < keys.size(); ++k) order[k] = keys[k].index;
  return order;
}

void orderSides(mEntity *&left, mEntity *&right) {
  if (right && entityPrecedes(right, left)) std::swap(left, right);
}

// ---------------------------------------------------------------------------
// InterProcData

namespace {
std::atomic<long> liveInterProcData{0};
}

InterProcData::InterProcData(int nPoints, int nVals) : U(nullptr), Uprev(nullptr), nGP(nPoints), nValues(nVals) {
  if (nGP < 0 || nValues < 0) throw std::string("remote face values: negative number of points or values");
  U = allocateMatrix(nGP, nValues);
  Uprev = allocateMatrix(nGP, nValues);
  for (int i = 0; i < nGP; ++i)
    for (int j = 0; j < nValues; ++j) U[i][j] = Uprev[i][j] = 0.0;
  ++liveInterProcData;
}

InterProcData::~InterProcData() {
  freeMatrix(U);
  freeMatrix(Uprev);
  --liveInterProcData;
}

long InterProcData::live() { return liveInterProcData; }

void InterProcData::recieveSolution(double time, int nPoints, int nVals, const double *block) {
  tprev = t;
  t = time;
  const int rows = std::min(nPoints, nGP);
  const int cols = std::min(nVals, nValues);
  for (int i = 0; i < nGP; ++i)
    for (int j = 0; j < nValues; ++j) {
      Uprev[i][j] = U[i][j];
      U[i][j] = (i < rows && j < cols) ? block[i * nVals + j] : 0.0;
    }
}

// ---------------------------------------------------------------------------
// DGBoundaryCell

DGBoundaryCell::DGBoundaryCell(mEntity *, Mapping *faceMapping) : mapping(faceMapping) {
  try {
    if (!mapping || !mapping->getEntity()) throw std::string("interface cell: the face mapping is missing");
    faceEntity = mapping->getEntity();
    mappingOrder = static_cast<short>(mapping->order());
    // A constant face mapping is made again when it is asked for: its
    // memory is not kept for the whole run.
    mappingRemade = typeid(*mapping) == typeid(KORA::ConstantLagrangeMapping);
    check();
  } catch (...) {
    delete mapping;
    mapping = nullptr;
    throw;
  }
}

DGBoundaryCell::~DGBoundaryCell() {
  delete interProc;
  delete mapping;
}


void DGBoundaryCell::check() {
  mEntity *face = getEntity();
  const int d = face->getLevel();
  leftTag = 0;
  rightTag = 0;
  const KORA::mAdjacencyContainer *up = face->getAdjacencyList(d + 1);
  if (!up || up->empty()) {
    std::printf("one entity of dimension %d has no entities of dimension %d \n", d, d + 1);
    face->print();
    throw 1;
  }
  if (up->size() > 2)
    throw std::string("interface cell: a face of dimension ") + std::to_string(d) + " has " +
        std::to_string(up->size()) + " neighbouring elements; at most two are supported";
  left = (*up)[0];
  right = up->size() > 1 ? (*up)[1] : nullptr;
  // Sides in the order of the elements themselves, not of the adjacency
  // list, whose order depends on how the mesh was built: a mesh rebuilt from
  // a recovery file then gives every face the same sides (and the same
  // rounding in its fluxes) as the mesh it was written from.
  orderSides(left, right);
  if (right && interProc) {
    delete interProc;
    interProc = nullptr;
  }
  DGCell *L = dgCellOf(left);
  DGCell *R = right ? dgCellOf(right) : nullptr;
  if (!L || (right && !R))
    throw std::string("interface cell: a neighbouring element of the face has no DG cell yet");
  init(L, R);
}

void DGBoundaryCell::recheck() {
  mEntity *face = getEntity();
  const KORA::mAdjacencyContainer *up = face->getAdjacencyList(face->getLevel() + 1);
  if (!gaussPoints.empty() && up && (up->size() == 1 || up->size() == 2)) {
    mEntity *l = (*up)[0];
    mEntity *r = up->size() > 1 ? (*up)[1] : nullptr;
    orderSides(l, r);
    const DGCell *L = dgCellOf(l);
    const DGCell *R = r ? dgCellOf(r) : nullptr;
    if (l == left && r == right && L && (!r || R) && !(r && interProc) &&
        L->getFunctionSpace()->order() == builtOrderL &&
        (R ? R->getFunctionSpace()->order() : -1) == builtOrderR) {
      leftTag = 0;
      rightTag = 0;
      tensors = nullptr;
      stateBlock.reset();
      stateSize = 0;
      for (ptGaussInfo &p : gaussPoints) {
        p.UL = p.UR = nullptr;
        p.nUL = p.nUR = 0;
      }
      return;
    }
  }
  check();
}

int DGBoundaryCell::computeOrder(const DGCell *L, const DGCell *R) const {
  int p = L->getFunctionSpace()->order();
  if (R) p = std::max(p, R->getFunctionSpace()->order());
  return mappingOrder + 2 * p;
}

KORA::Mapping *DGBoundaryCell::getMapping() const {
  if (!mapping) mapping = new KORA::ConstantLagrangeMapping(faceEntity);
  return mapping;
}

namespace {

void invertOrThrow(const Mapping *m, const mPoint &x, double &u, double &v, double &w) {
  if (!m->invert(x(0), x(1), x(2), u, v, w)) {
    char text[160];
    std::snprintf(text, sizeof(text), "Impossible to invert a mapping on %lf %lf %lf\n", x(0), x(1), x(2));
    throw std::string(text);
  }
}

}  // namespace

namespace {

// Reference coordinates of the vertices of an element kind, in vertex order.
bool referenceVertex(int type, int k, double xi[3]) {
  static const double tri[3][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  static const double quad[4][3] = {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}};
  static const double tet[4][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  static const double hex[8][3] = {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1},
                                   {-1, -1, 1},  {1, -1, 1},  {1, 1, 1},  {-1, 1, 1}};
  const double *r = nullptr;
  switch (type) {
  case mEntity::TRI: r = k < 3 ? tri[k] : nullptr; break;
  case mEntity::QUAD: r = k < 4 ? quad[k] : nullptr; break;
  case mEntity::TET: r = k < 4 ? tet[k] : nullptr; break;
  case mEntity::HEX: r = k < 8 ? hex[k] : nullptr; break;
  default: break;
  }
  if (!r) return false;
  xi[0] = r[0];
  xi[1] = r[1];
  xi[2] = r[2];
  return true;
}

// Coordinates in the element's reference element of the face point with face
// coordinates (u, v, w), from the reference coordinates of the face's
// vertices: exact wherever the element maps its faces linearly in reference
// coordinates. False when the face is not one of the element's own faces or
// the kinds are not covered; the caller also checks the result against the
// physical point, so a mapping for which the rule does not hold is caught.
bool faceToElement(mEntity *elem, mEntity *face, double u, double v, double w, double xi[3]) {
  if (!elem->find(face)) return false;
  double N[4];
  const int nv = face->getNbTemplates(0);
  switch (face->getType()) {
  case mEntity::EDGE: KORA::GeomShapeFunctionLine(u, v, w, N); break;
  case mEntity::TRI: KORA::GeomShapeFunctionTri(u, v, w, N); break;
  case mEntity::QUAD: KORA::GeomShapeFunctionQuad(u, v, w, N); break;
  default: return false;
  }
  const int ne = elem->getNbTemplates(0);
  xi[0] = xi[1] = xi[2] = 0.0;
  for (int i = 0; i < nv; ++i) {
    mEntity *vert = face->get(0, i);
    int k = 0;
    while (k < ne && elem->get(0, k) != vert) ++k;
    double r[3];
    if (k == ne || !referenceVertex(elem->getType(), k, r)) return false;
    for (int c = 0; c < 3; ++c) xi[c] += N[i] * r[c];
  }
  return true;
}

}  // namespace

void DGBoundaryCell::sideCoordinates(DGCell *side, const mPoint &x, double u, double v, double w, double xi[3],
                                     bool &shared) const {
  const Mapping *m = side->getMapping();
  shared = faceToElement(side->getEntity(), getEntity(), u, v, w, xi);
  if (shared) {
    double X, Y, Z;
    m->eval(xi[0], xi[1], xi[2], X, Y, Z);
    const double scale = side->size() + std::max({std::fabs(x(0)), std::fabs(x(1)), std::fabs(x(2))});
    const double tol = 1e-12 * scale;
    shared = std::fabs(X - x(0)) <= tol && std::fabs(Y - x(1)) <= tol && std::fabs(Z - x(2)) <= tol;
  }
  if (!shared) invertOrThrow(m, x, xi[0], xi[1], xi[2]);
}

void DGBoundaryCell::init(DGCell *L, DGCell *R) {
  mEntity *face = getEntity();
  const int order = computeOrder(L, R);
  ruleOrder = order;
  builtOrderL = static_cast<short>(L->getFunctionSpace()->order());
  builtOrderR = static_cast<short>(R ? R->getFunctionSpace()->order() : -1);
  const KORA::gEntity *model = face->getClassification();
  modelTag = model ? model->getId() : 0;
  GaussIntegrator gauss(face);
  const int K = gauss.nbIntegrationPoints(order);
  // The face mapping, made for the visit when it is not kept.
  std::unique_ptr<Mapping> madeMapping;
  const Mapping *faceMap = mapping;
  if (!faceMap) {
    madeMapping = std::make_unique<KORA::ConstantLagrangeMapping>(face);
    faceMap = madeMapping.get();
  }
  gaussPoints.clear();
  gaussPoints.shrink_to_fit();
  gaussPoints.reserve(K);
  ownBasis.clear();
  tensors = nullptr;
  stateBlock.reset();
  stateSize = 0;
  gradients.clear();
  gradients.shrink_to_fit();
  gradCountL = gradCountR = 0;
  // Remote values are kept per point: a new number of points drops them (the
  // next exchange makes a new record).
  if (interProc && interProc->nGP != K) {
    delete interProc;
    interProc = nullptr;
  }
  const ConservationLaw *law = GlobalParamManager::Instance()->law;
  const bool withGradients = !law || law->needTheHigherOrderGradients();
  const FunctionSpace *sL = L->getFunctionSpace();
  const FunctionSpace *sR = R ? R->getFunctionSpace() : nullptr;
  // The basis values of one side at its coordinates xi, shared or the face's own.
  auto basisOf = [this](const FunctionSpace *s, const double xi[3], bool shared) {
    if (shared) return BasisRow(sharedBasisAt(s, xi[0], xi[1], xi[2]).phi);
    std::vector<double> &own = *ownBasis.emplace_back(std::make_unique<std::vector<double>>(s->size(), 0.0));
    s->fcts(xi[0], xi[1], xi[2], own);
    return BasisRow(own);
  };
  for (int i = 0; i < K; ++i) {
    ptGaussInfo p;
    double u, v, w, weight;
    gauss.iPoint(i, order, u, v, w, weight);
    double x, y, z;
    faceMap->eval(u, v, w, x, y, z);
    p.x = mPoint(x, y, z);
    double xiL[3], xiR[3] = {0.0, 0.0, 0.0};
    bool sharedL = false, sharedR = false;
    sideCoordinates(L, p.x, u, v, w, xiL, sharedL);
    if (R) sideCoordinates(R, p.x, u, v, w, xiR, sharedR);
    getNormalVector(L, R, xiL[0], xiL[1], xiL[2], p.n);
    p.JacW = faceMap->detJac(u, v, w) * weight;
    p.fctsL = basisOf(sL, xiL, sharedL);
    if (R) p.fctsR = basisOf(sR, xiR, sharedR);
    gaussPoints.push_back(std::move(p));
  }
  if (withGradients) computeGradients(L, R);
  if (mappingRemade) {
    delete mapping;
    mapping = nullptr;
  }
}

void DGBoundaryCell::refreshSideCells() const {
  cachedLeft = left;
  cachedRight = right;
  cachedL = dgCellOf(left);
  cachedR = right ? dgCellOf(right) : nullptr;
  cachedGeneration = dgCellGeneration;
}

void DGBoundaryCell::computeGradients(DGCell *L, DGCell *R) {
  const FunctionSpace *sL = L->getFunctionSpace();
  const FunctionSpace *sR = R ? R->getFunctionSpace() : nullptr;
  GaussIntegrator gauss(getEntity());
  const int K = nbPtGauss();
  gradCountL = sL->size();
  gradCountR = sR ? sR->size() : 0;
  const std::size_t stride = static_cast<std::size_t>(gradCountL + gradCountR);
  gradients.assign(stride * K, mVector());
  std::vector<mVector> g;
  for (int i = 0; i < K; ++i) {
    ptGaussInfo &p = gaussPoints[i];
    double u, v, w, weight;
    gauss.iPoint(i, ruleOrder, u, v, w, weight);
    double xi[3];
    bool shared;
    mVector *out = gradients.data() + stride * i;
    sideCoordinates(L, p.x, u, v, w, xi, shared);
    g.assign(gradCountL, mVector());
    sL->grads(xi[0], xi[1], xi[2], L->getMapping(), g);
    std::copy(g.begin(), g.end(), out);
    if (R) {
      sideCoordinates(R, p.x, u, v, w, xi, shared);
      g.assign(gradCountR, mVector());
      sR->grads(xi[0], xi[1], xi[2], R->getMapping(), g);
      std::copy(g.begin(), g.end(), out + gradCountL);
    }
  }
}

void DGBoundaryCell::ensureGradients() {
  if (gaussPoints.empty() || !gradients.empty()) return;
  DGCell *L = dgCellOf(left);
  if (L) computeGradients(L, right ? dgCellOf(right) : nullptr);
}

void DGBoundaryCell::ensureStates(int n, bool right) {
  const std::size_t K = gaussPoints.size();
  if (!stateBlock || stateSize < n) {
    const int size = std::max(n, 1);
    std::unique_ptr<double[]> block(new double[2 * K * size]());
    for (std::size_t k = 0; k < K; ++k) {
      ptGaussInfo &p = gaussPoints[k];
      if (p.UL) p.UL = block.get() + 2 * k * size;
      if (p.UR) p.UR = block.get() + (2 * k + 1) * size;
      p.nUL = p.UL ? size : 0;
      p.nUR = p.UR ? size : 0;
    }
    stateBlock = std::move(block);
    stateSize = size;
  }
  double *block = stateBlock.get();
  for (std::size_t k = 0; k < K; ++k) {
    ptGaussInfo &p = gaussPoints[k];
    if (!p.UL) {
      p.UL = block + 2 * k * stateSize;
      p.nUL = stateSize;
    }
    if (right && !p.UR) {
      p.UR = block + (2 * k + 1) * stateSize;
      p.nUR = stateSize;
    }
  }
}

double *DGBoundaryCell::leftState(int k, int n) {
  ensureStates(n, false);
  return gaussPoints[k].UL;
}

double *DGBoundaryCell::rightState(int k, int n) {
  ensureStates(n, false);
  ptGaussInfo &p = gaussPoints[k];
  if (!p.UR) {
    p.UR = stateBlock.get() + (2 * static_cast<std::size_t>(k) + 1) * stateSize;
    p.nUR = stateSize;
  }
  return p.UR;
}

void DGBoundaryCell::getNormalVector(DGCell *L, DGCell *, double u, double v, double w, mVector &n) const {
  mEntity *face = getEntity();
  mEntity *elem = L->getEntity();
  const Mapping *m = L->getMapping();
  if (elem->find(face)) {
    m->normalVector(face, u, v, w, n);
    return;
  }
  // A hanging face: a leaf of one of the element's faces. Faces built from
  // the element's templates are released after the visit.
  bool found = false;
  dgdetail::forEachSubEntity(elem, face->getLevel(), [&](mEntity *sub) {
    std::list<mEntity *> leaves;
    sub->getLeaves(leaves);
    for (mEntity *leaf : leaves) {
      if (leaf == face || leaf->equal(face)) {
        m->normalVector(sub, u, v, w, n);
        found = true;
        break;
      }
    }
  });
  if (!found) throw 0;
}

void DGBoundaryCell::getSolutionOnRightSideForTag_Interior() {
  if (right && leftTag < rightTag) {
    if (DGCell *R = dgCellOf(right)) R->active = false;
  }
}

void DGBoundaryCell::getSolutionOnRightSideForTime(double t, int n) {
  if (!interProc) {
    getSolutionOnRightSideForTag_Interior();
    return;
  }
  if (interProc->t < t || interProc->tprev > t) {
    std::printf("cell is blocked : tag1 %lf tag2 %lf tag %lf\n", interProc->t, interProc->tprev, t);
    if (DGCell *L = dgCellOf(left)) L->active = false;
    return;
  }
  const double alpha =
      (interProc->t == interProc->tprev) ? 1.0 : (t - interProc->tprev) / (interProc->t - interProc->tprev);
  const int rows = std::min(nbPtGauss(), interProc->nGP);
  const int cols = std::min(n, interProc->nValues);
  for (int i = 0; i < rows; ++i) {
    ptGaussInfo &p = gaussPoints[i];
    rightState(i, n);
    const double *a = interProc->U[i];
    const double *b = interProc->Uprev[i];
    for (int j = 0; j < cols; ++j) p.UR[j] = alpha * a[j] + (1.0 - alpha) * b[j];
  }
}

void DGBoundaryCell::computeError(const DGErrorEstimator &estimator) {
  DGCell *L = dgCellOf(left);
  DGCell *R = right ? dgCellOf(right) : nullptr;
  double a = 0.0, b = 0.0;
  estimator.computeError(L, R, this, a, b);
  if (L) {
    L->errorWeight += a;
    L->errorSum += b;
  }
  if (R) {
    R->errorWeight += a;
    R->errorSum += b;
  }
}
