#include "DGAnalysis.h"

#include <algorithm>
#include <array>
#include <unordered_map>
#include <utility>
#include <string>

#include "CellOrder.h"
#include "CellStore.h"
#include "ConservationLaw.h"
#include "DGAnalysisPasses.h"
#include "DGBoundaryCell.h"
#include "DGCell.h"
#include "DGParameters.h"
#include "FunctionSpace.h"
#include "GlobalParamManager.h"
#include "KORA_Util.h"
#include "LagrangeMapping.h"
#include "Octree.h"
#include "ParUtil.h"
#include "ParticleTracker.h"
#include "mEntity.h"
#include "mMesh.h"

using KORA::mEntity;
using KORA::mMesh;

namespace {

GlobalParamManager *context() { return GlobalParamManager::Instance(); }

const char *kindName(int type) {
  switch (type) {
    case mEntity::VERTEX: return "vertex";
    case mEntity::EDGE: return "edge";
    case mEntity::TRI: return "triangle";
    case mEntity::QUAD: return "quadrilateral";
    case mEntity::HEX: return "hexahedron";
    case mEntity::PRISM: return "prism";
    case mEntity::PYRAMID: return "pyramid";
    case mEntity::TET: return "tetrahedron";
    default: return "unknown element kind";
  }
}

// Faces keyed by the position of their left element in the cell list: a face
// pass then walks the cells nearly in list order. Faces of one element come by
// their sorted vertex ids, which do not depend on the order in which a face's
// vertices were listed when it was made: the order depends on the mesh alone.
template <class Face, class EntityOf>
void sortByLeftPosition(std::vector<std::pair<std::size_t, Face *>> &faces, EntityOf entityOf) {
  struct Keyed {
    std::size_t left;
    std::array<int, 4> ids;
    Face *face;
  };
  std::vector<Keyed> keyed;
  keyed.reserve(faces.size());
  for (const auto &[left, face] : faces) {
    const mEntity *e = entityOf(face);
    // Faces have 2 to 4 vertices; a face that is a vertex has its own id.
    std::array<int, 4> ids{-1, -1, -1, -1};
    const int n = std::clamp(e->size(0), 0, 4);
    for (int i = 0; i < n; ++i) {
      int id = e->get(0, i)->getId(), k = i;
      for (; k > 0 && ids[k - 1] > id; --k) ids[k] = ids[k - 1];
      ids[k] = id;
    }
    if (n == 0) ids[0] = e->getId();
    keyed.push_back({left, ids, face});
  }
  std::sort(keyed.begin(), keyed.end(), [](const Keyed &a, const Keyed &b) {
    return a.left != b.left ? a.left < b.left : a.ids < b.ids;
  });
  for (std::size_t i = 0; i < faces.size(); ++i) faces[i] = {keyed[i].left, keyed[i].face};
}

mMesh *requireMesh(const char *who) {
  mMesh *mesh = context()->mesh;
  if (!mesh) throw std::string(who) + ": no mesh";
  return mesh;
}

}  // namespace

// ---------------------------------------------------------------------------
// Construction and destruction

DGAnalysis::DGAnalysis()
    : octree(nullptr),
      boundaryCells(),
      cells(),
      levelSequence(),
      sensors(),
      trackers(),
      // Look the name up first: a second analysis shares the registered tag.
      optimumLevelTag(KORA::KORA_Util::Instance()->getMeshDataId("_optimum_level")) {}

DGAnalysis::~DGAnalysis() {
  if (octree) KORA::Octree_Delete(octree);
  octree = nullptr;
  // The cells usually go soon after (with the mesh): rather than copy their
  // values out, the store stays until the last one leaves.
  if (store) store.release()->orphan();
}

int DGAnalysis::nbrDofs() const {
  if (cells.empty()) return 0;
  const ConservationLaw *law = context()->law;
  if (!law) throw std::string("degrees of freedom: no conservation law");
  const int n = law->nbFields();
  int sum = 0;
  for (const DGCell *c : cells) sum += n * c->getFunctionSpace()->size();
  return sum;
}

// ---------------------------------------------------------------------------
// Cells and interface cells

DGCell *DGAnalysis::getCell(mEntity *e) { return dgCellOf(e); }

DGCell *DGAnalysis::addCell(mEntity *element, int order) {
  DGCell *cell = newCell(element, order);
  // The previous cell of the element (if any) goes only once the new one exists.
  element->attachFastData(cell);
  listsGathered = false;
  // Cells made one after the other lie one after the other: made in the
  // mesh's order, they need no move when the lists are gathered.
  if (!store) store = std::make_unique<CellStore>();
  store->append(cell);
  return cell;
}

DGCell *DGAnalysis::newCell(mEntity *element, int order) {
  if (!element) throw std::string("cell creation: no element");
  GlobalParamManager *ctx = context();
  if (!ctx->law) throw std::string("cell creation: no conservation law");
  FunctionSpace *space = nullptr;
  const int type = element->getType();
  switch (type) {
    case mEntity::TRI: space = new OrthogonalTriangleFunctionSpace(order); break;
    case mEntity::QUAD: space = new QuadFunctionSpace(order); break;
    case mEntity::HEX: space = new HexFunctionSpace(order); break;
    case mEntity::TET: space = new OrthogonalTetFunctionSpace(order); break;
    default:
      throw std::string("cell creation: no function space for a ") + kindName(type) + " element";
  }
  KORA::Mapping *mapping = nullptr;
  try {
    KORA::MappingBuilder builder;
    mapping = builder.BuildMapping(element, ctx->parameters->general.axi);
  } catch (...) {
    delete space;
    throw;
  }
  // The cell takes ownership of the space and the mapping, also when it throws.
  return ctx->law->needTheHigherOrderGradients() ? new DGAnyViscousCell(element, space, mapping)
                                                 : new DGCell(element, space, mapping);
}

DGBoundaryCell *DGAnalysis::addBoundaryCell(mEntity *face) {
  if (!face) throw std::string("interface cell creation: no face");
  if (DGBoundaryCell *existing = dgBoundaryCellOf(face)) {
    if (keepUnchangedFaces)
      existing->recheck();
    else
      existing->check();
    return existing;
  }
  listsGathered = false;
  KORA::MappingBuilder builder;
  KORA::Mapping *mapping = builder.BuildMapping(face, context()->parameters->general.axi);
  DGBoundaryCell *cell = new DGBoundaryCell(face, mapping);
  face->attachFastData(cell);
  return cell;
}

void DGAnalysis::gatherCells() {
  // Without a mesh there is nothing to gather from: the lists stay as they are.
  mMesh *mesh = context()->mesh;
  if (!mesh) return;
  boundaryCells.clear();
  cells.clear();
  listsGathered = false;
  const int dim = mesh->getDim();
  if (dim < 1) return;
  std::vector<mEntity *> elements;
  for (auto it = mesh->begin(dim); it != mesh->end(dim); ++it)
    if (dgCellOf(*it)) elements.push_back(*it);
  sortAlongCurve(elements);
  gatherInOrder(mesh, elements);
}

void DGAnalysis::gatherInOrder(mMesh *mesh, const std::vector<mEntity *> &elements,
                               const std::vector<mEntity *> *faces) {
  boundaryCells.clear();
  cells.clear();
  const int dim = mesh->getDim();
  if (faces) {
    for (mEntity *e : elements)
      if (DGCell *c = dgCellOf(e)) cells.push_back(c);
    boundaryCells.reserve(faces->size());
    for (mEntity *f : *faces)
      if (DGBoundaryCell *b = dgBoundaryCellOf(f)) boundaryCells.push_back(b);
    if (!store) store = std::make_unique<CellStore>();
    store->pack(cells);
    listsGathered = true;
    return;
  }
  std::unordered_map<const mEntity *, std::size_t> position;
  position.reserve(elements.size());
  for (mEntity *e : elements)
    if (DGCell *c = dgCellOf(e)) {
      position.emplace(e, cells.size());
      cells.push_back(c);
    }
  std::vector<std::pair<std::size_t, DGBoundaryCell *>> keyed;
  for (auto it = mesh->begin(dim - 1); it != mesh->end(dim - 1); ++it)
    if (DGBoundaryCell *b = dgBoundaryCellOf(*it)) {
      auto p = position.find(b->left);
      keyed.emplace_back(p == position.end() ? cells.size() : p->second, b);
    }
  sortByLeftPosition(keyed, [](const DGBoundaryCell *b) { return b->getEntity(); });
  boundaryCells.reserve(keyed.size());
  for (const auto &k : keyed) boundaryCells.push_back(k.second);
  if (!store) store = std::make_unique<CellStore>();
  store->pack(cells);
  listsGathered = true;
}

void DGAnalysis::cleanCells(int level) {
  listsGathered = false;
  DGCellList keptCells;
  keptCells.reserve(cells.size());
  for (DGCell *c : cells)
    if (c->getTag() != level) keptCells.push_back(c);
  cells.swap(keptCells);
  DGBoundaryCellList keptFaces;
  keptFaces.reserve(boundaryCells.size());
  for (DGBoundaryCell *b : boundaryCells)
    if (b->leftTag == level || b->rightTag == level) keptFaces.push_back(b);
  boundaryCells.swap(keptFaces);
}

void DGAnalysis::init(int order, int initialise) {
  mMesh *mesh = requireMesh("cell creation");
  const int dim = mesh->getDim();
  KORA::ParUtil *par = KORA::ParUtil::Instance();
  // Cells are made in the order in which the passes walk them (gatherCells),
  // and interface cells in the order of the face passes, so that the cells,
  // their points and their values lie in memory in that order.
  std::vector<mEntity *> elements;
  for (auto it = mesh->begin(dim); it != mesh->end(dim); ++it) elements.push_back(*it);
  sortAlongCurve(elements);
  if (order >= 0) {
    par->Msg(KORA::ParUtil::INFO, "Creating Cells ...\n");
    for (mEntity *e : elements) addCell(e, order);
  }
  if (initialise) par->Msg(KORA::ParUtil::INFO, "Creating  Boundary Cells ...\n");
  std::vector<mEntity *> sortedFaces;
  if (dim >= 1) {
    std::unordered_map<const mEntity *, std::size_t> position;
    position.reserve(elements.size());
    for (mEntity *e : elements) position.emplace(e, position.size());
    std::vector<std::pair<std::size_t, mEntity *>> faces;
    for (auto it = mesh->begin(dim - 1); it != mesh->end(dim - 1); ++it) {
      mEntity *f = *it;
      const KORA::mAdjacencyContainer *up = f->getAdjacencyList(dim);
      std::size_t rank = position.size();
      if (up && !up->empty()) {
        mEntity *left = (*up)[0], *right = up->size() > 1 ? (*up)[1] : nullptr;
        orderSides(left, right);
        const auto p = position.find(left);
        if (p != position.end()) rank = p->second;
      }
      faces.emplace_back(rank, f);
    }
    sortByLeftPosition(faces, [](const mEntity *f) { return f; });
    sortedFaces.reserve(faces.size());
    for (const auto &f : faces) {
      addBoundaryCell(f.second);
      sortedFaces.push_back(f.second);
    }
  }
  // When every element has its cell, the elements are in the order that
  // gatherCells would find (the curve through the same centroids), and the
  // faces too (keyed by the same left sides): the lists take them as they are.
  if (dim >= 1 && std::all_of(elements.begin(), elements.end(), [](mEntity *e) { return dgCellOf(e); }))
    gatherInOrder(mesh, elements, &sortedFaces);
  else
    gatherCells();
  if (initialise) {
    par->Msg(KORA::ParUtil::INFO, "Computing Initial Solution ...\n");
    computeInitialSolution();
  }
}

void DGAnalysis::computeInitialSolution() {
  GlobalParamManager *ctx = context();
  if (!ctx->law) throw std::string("initial solution: no conservation law");
  FieldEvaluator *field = ctx->law->getFarField();
  if (!field) throw std::string("initial solution: the conservation law has no far field");
  for (DGCell *c : cells) {
    c->L2ProjInitial(field);
    if (c->active) {
      std::fill(c->rhs.begin(), c->rhs.end(), 0.0);
      c->jumpSum = c->jumpWeight = c->limiterMeasure = 0.0;
    }
  }
  const double t = ctx->parameters->state.t;
  computeSolutionsOnBothSides(t, false, -1, boundaryCells);
  applyLimiter(t, -1, cells, boundaryCells);
}

// ---------------------------------------------------------------------------
// Point evaluation

void DGAnalysis::buildOctree() {
  if (octree) return;
  mMesh *mesh = requireMesh("point location");
  const int dim = mesh->getDim();
  octree = KORA::Octree_KORA_Create(mesh->begin(dim), mesh->end(dim), 20);
}

mEntity *DGAnalysis::eval(const KORA::mPoint &p, double *values, double &u, double &v, double &w,
                          mEntity *hint, KORA::mVector *grads) {
  (void)hint;
  buildOctree();
  double xyz[3] = {p.x(), p.y(), p.z()};
  mEntity *e = static_cast<mEntity *>(KORA::Octree_Search(xyz, octree));
  const ConservationLaw *law = context()->law;
  const int n = law ? law->nbFields() : 0;
  for (int i = 0; i < n; ++i) values[i] = -1.0e24;
  if (!e) return nullptr;
  DGCell *cell = dgCellOf(e);
  if (!cell) return nullptr;
  if (!cell->inCell(p, values, u, v, w, grads)) return nullptr;
  return e;
}

mEntity *DGAnalysis::eval(const KORA::mPoint &p, double *values, mEntity *hint,
                          KORA::mVector *grads) {
  double u, v, w;
  return eval(p, values, u, v, w, hint, grads);
}

mEntity *DGAnalysis::evalavg(const KORA::mPoint &p, double *values) {
  buildOctree();
  double xyz[3] = {p.x(), p.y(), p.z()};
  mEntity *e = static_cast<mEntity *>(KORA::Octree_Search(xyz, octree));
  if (!e) return nullptr;
  DGCell *cell = dgCellOf(e);
  if (!cell) return nullptr;
  const DG_Dofs *dofs = cell->getCoefficients();
  const double *c = (dofs->t != dofs->tprev) ? dofs->levels[1] : dofs->levels[0];
  for (int f = 0; f < dofs->nbFields; ++f) values[f] = c[f * dofs->nbFunctions];
  return e;
}

// ---------------------------------------------------------------------------
// Sensors, trackers and the (empty) partition exchange

void DGAnalysis::addSensor(DGSensor *sensor) { sensors.push_back(sensor); }

void DGAnalysis::addTracker(ParticleTracker *tracker) { trackers.push_back(tracker); }

void DGAnalysis::evalTrackers(int iteration) {
  GlobalParamManager *ctx = context();
  const double t = ctx->parameters->state.t;
  for (ParticleTracker *tr : trackers) tr->eval(this, ctx->dim, iteration, t);
}

void DGAnalysis::comm_Ul(double, short) {}
void DGAnalysis::comm_GradsUl(double, short) {}
void DGAnalysis::comm_Tags() {}
