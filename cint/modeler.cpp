// Queries on the geometric model: the model entities that a mesh carries.
#include "KORA.h"
#include "gEntity.h"
#include "mException.h"
#include "mMesh.h"

namespace KORA {

namespace {
GRIter levelIter(pGModel m, int level) { return new gDimIterator(m->begin(), m->end(), level); }

gEntity* step(gDimIterator* it) {
  if (it->end()) return nullptr;
  gEntity* g = **it;
  ++*it;
  return g;
}
}  // namespace

GRIter GM_regionIter(pGModel m) { return levelIter(m, 3); }
GFIter GM_faceIter(pGModel m) { return levelIter(m, 2); }
GEIter GM_edgeIter(pGModel m) { return levelIter(m, 1); }
GVIter GM_vertexIter(pGModel m) { return levelIter(m, 0); }

pGRegion GRIter_next(GRIter it) { return step(it); }
pGFace GFIter_next(GFIter it) { return step(it); }
pGEdge GEIter_next(GEIter it) { return step(it); }
pGVertex GVIter_next(GVIter it) { return step(it); }

void GRIter_reset(GRIter it) { it->reset(); }
void GFIter_reset(GFIter it) { it->reset(); }
void GEIter_reset(GEIter it) { it->reset(); }
void GVIter_reset(GVIter it) { it->reset(); }

void GRIter_delete(GRIter it) { delete it; }
void GFIter_delete(GFIter it) { delete it; }
void GEIter_delete(GEIter it) { delete it; }
void GVIter_delete(GVIter it) { delete it; }

int GM_num(pGModel m, int level) {
  int n = 0;
  for (mMesh::giter it = m->begin(); it != m->end(); ++it)
    if ((*it)->getLevel() == level) ++n;
  return n;
}

int GM_numVertices(pGModel m) { return GM_num(m, 0); }
int GM_numEdges(pGModel m) { return GM_num(m, 1); }
int GM_numFaces(pGModel m) { return GM_num(m, 2); }
int GM_numRegions(pGModel m) { return GM_num(m, 3); }

pGEntity GM_entityByTag(pGModel m, int level, int tag) {
  for (mMesh::giter it = m->begin(); it != m->end(); ++it)
    if ((*it)->getLevel() == level && (*it)->getTag() == tag) return *it;
  return nullptr;
}

void GM_delete(pGModel) {}

int GEN_type(pGEntity g) { return g->getLevel(); }
int GEN_tag(pGEntity g) { return g->getTag(); }
int GEN_id(pGEntity g) { return g->getId(); }

pGEntity G_entity(pGEntity g, int index, int level) {
  gEntity* slot[2] = {nullptr, nullptr};
  int found = 0;
  for (gEntity::iter it = g->begin(); it != g->end(); ++it) {
    if ((*it)->getLevel() != level) continue;
    if (found < 2) slot[found] = *it;
    ++found;
  }
  if (index != 0 && index != 1) return nullptr;
  // A single match stands on side 1.
  if (found == 1) return index == 1 ? slot[0] : nullptr;
  return slot[index];
}

int GE_NumEntities(pGEntity g, int level) {
  int n = 0;
  for (gEntity::iter it = g->begin(); it != g->end(); ++it)
    if ((*it)->getLevel() == level) ++n;
  return n;
}

pGRegion GF_region(pGFace f, int side) { return G_entity(f, side, 3); }
pGVertex GE_vertex(pGEdge e, int index) { return G_entity(e, index, 0); }
int GE_numFaces(pGEdge e) { return GE_NumEntities(e, 2); }

int GEN_inClosure(pGEntity g, pGEntity other) { return g->inClosure(other) ? 1 : 0; }
int GR_inClosure(pGEntity g, pGEntity other) { return GEN_inClosure(g, other); }
int GF_inClosure(pGEntity g, pGEntity other) { return GEN_inClosure(g, other); }
int GE_inClosure(pGEntity g, pGEntity other) { return GEN_inClosure(g, other); }

double GEN_tolerance(pGEntity) { return 1e-08; }

namespace {
const GeometryServices* installedGeometry = nullptr;
}

void GM_setGeometryServices(const GeometryServices* services) { installedGeometry = services; }
const GeometryServices* GM_geometryServices() { return installedGeometry; }

int C_closestPoint(int, pGEntity g, double* xyz, void*, void*, void*, double* out, double* par) {
  if (installedGeometry && installedGeometry->closestPoint) {
    double unused[3];
    return installedGeometry->closestPoint(g, xyz, out, par ? par : unused);
  }
  mMesh* m = g->getMesh();
  mMesh* mm = m ? m->getMeshModel() : nullptr;
  if (!mm) return 0;
  try {
    const mPoint q = mm->closestPoint(mPoint(xyz[0], xyz[1], xyz[2]), g->getLevel(), g->getTag());
    out[0] = q(0);
    out[1] = q(1);
    out[2] = q(2);
    return 1;
  } catch (mException* e) {
    delete e;
  } catch (...) {
  }
  return 0;
}

int C_closestPoint(pGEntity g, double* xyz, double* out) {
  return C_closestPoint(g->getLevel(), g, xyz, nullptr, nullptr, nullptr, out, nullptr);
}

int C_F_edgeDir() { return 1; }

void GM_bounds(pGModel, double*, double*) { throw 1; }
double GM_tolerance(pGModel) { throw 1; }
pGRegion GM_outerRegion(pGModel) { throw 1; }
void GF_normal(pGFace f, double* par, double* n) {
  if (!installedGeometry || !installedGeometry->faceNormal) throw 1;
  installedGeometry->faceNormal(f, par, n);
}
void GF_edgeReparam(pGFace f, pGEdge e, double t, int dir, double* par) {
  if (!installedGeometry || !installedGeometry->faceEdgeReparam) throw 1;
  installedGeometry->faceEdgeReparam(f, e, t, dir, par);
}
void GF_vertexReparam(pGFace f, pGVertex v, double* par) {
  if (!installedGeometry || !installedGeometry->faceVertexReparam) throw 1;
  installedGeometry->faceVertexReparam(f, v, par);
}
void GF_parRange(pGFace f, int dir, double* lo, double* hi) {
  if (!installedGeometry || !installedGeometry->faceParRange) throw 1;
  installedGeometry->faceParRange(f, dir, lo, hi);
}
void GF_parRange(pGFace f, int dir, double& lo, double& hi) { GF_parRange(f, dir, &lo, &hi); }
void GE_parRange(pGEdge e, double* lo, double* hi) {
  if (!installedGeometry || !installedGeometry->edgeParRange) throw 1;
  installedGeometry->edgeParRange(e, lo, hi);
}
void GE_parRange(pGEdge e, double& lo, double& hi) { GE_parRange(e, &lo, &hi); }
int GE_isSeam(pGEdge e, pGFace f) {
  if (!installedGeometry || !installedGeometry->edgeIsSeam) throw 1;
  return installedGeometry->edgeIsSeam(e, f);
}
double GE_vertexReparam(pGEdge e, pGVertex v) {
  if (!installedGeometry || !installedGeometry->edgeVertexReparam) throw 1;
  return installedGeometry->edgeVertexReparam(e, v);
}
void GV_point(pGVertex v, double* xyz) {
  if (!installedGeometry || !installedGeometry->vertexPoint) throw 1;
  installedGeometry->vertexPoint(v, xyz);
}
void GEN_reparam(pGEntity) { throw 1; }
int C_gmtype(int, pGEntity) { throw 1; }
int GF_periodic(pGFace f, int dir) {
  if (!installedGeometry || !installedGeometry->facePeriodic) throw 1;
  return installedGeometry->facePeriodic(f, dir);
}
int GE_periodic(pGEdge e) {
  if (!installedGeometry || !installedGeometry->edgePeriodic) throw 1;
  return installedGeometry->edgePeriodic(e);
}
int GF_geomDirection(pGFace f) {
  if (!installedGeometry || !installedGeometry->faceDirection) throw 1;
  return installedGeometry->faceDirection(f);
}
int GE_geomDirection(pGEdge) { throw 1; }
int GF_paramDegeneracies(pGFace f, int dir, double* values) {
  if (!installedGeometry || !installedGeometry->faceParamDegeneracies) throw 1;
  return installedGeometry->faceParamDegeneracies(f, dir, values);
}
pPList GF_vertices(pGFace) { throw 1; }
pPList GE_vertices(pGEdge) { throw 1; }

void GE_point(pGEdge e, double t, double* xyz) {
  if (installedGeometry && installedGeometry->edgePoint) return installedGeometry->edgePoint(e, t, xyz);
  throw new mException(886, "cint/KORA", "points are not supported on model edges, ask zq");
}

void GF_point(pGFace f, double* par, double* xyz) {
  if (installedGeometry && installedGeometry->facePoint) return installedGeometry->facePoint(f, par, xyz);
  throw new mException(891, "cint/KORA", "points are not supported on model faces, ask zq");
}

}  // namespace KORA
