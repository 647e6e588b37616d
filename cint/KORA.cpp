#include "KORA.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <typeinfo>

#include "KORA_Util.h"
#include "KORA_internal.h"
#include "mEdge.h"
#include "mException.h"
#include "mFace.h"
#include "mMesh.h"
#include "mTet.h"
#include "mVertex.h"
#include "../geometry/LagrangeMapping.h"

namespace KORA {

// ===================================================================== lists

namespace {
// Only its address is used: it marks a walk as started.
char totalgarbage;
}  // namespace

void* fakeList::next(void** iter) {
  if (!*iter) {
    cursor = 0;
    *iter = &totalgarbage;
  }
  // A cursor at or past the end (the list may have been shortened) ends the walk.
  if (cursor < 0 || cursor >= static_cast<int>(items.size())) {
    cursor = 0;
    return nullptr;
  }
  return items[cursor++];
}

pPList PList_new() { return new fakeList; }

pPList PList_newCopy(pPList l) { return new fakeList(*l); }

void PList_delete(pPList l) { delete l; }

int PList_size(pPList l) { return static_cast<int>(l->items.size()); }

void* PList_item(pPList l, int i) { return l->items[i]; }

void* PList_next(pPList l, void** iter) { return l->next(iter); }

pPList PList_append(pPList l, void* item) {
  l->items.push_back(item);
  return l;
}

int PList_inList(pPList l, void* item) {
  return std::find(l->items.begin(), l->items.end(), item) != l->items.end() ? 1 : 0;
}

pPList PList_appUnique(pPList l, void* item) {
  if (!PList_inList(l, item)) l->items.push_back(item);
  return l;
}

pPList PList_appPListUnique(pPList l, pPList other) {
  for (int i = 0; i < PList_size(other); ++i) PList_appUnique(l, other->items[i]);
  return l;
}

void PList_remItem(pPList l, void* item) {
  l->items.erase(std::remove(l->items.begin(), l->items.end(), item), l->items.end());
}

void PList_remFirst(pPList l) {
  if (l->items.empty()) return;
  PList_remItem(l, l->items.front());
}

void PList_clear(pPList l) { l->items.clear(); }

// ==================================================== meshes and handles

std::list<mMesh*> allMeshes;

void MS_init() {}

void MS_exit() {}

pMesh MS_newMesh(pGModel model) {
  if (model) return model;
  mMesh* m = new mMesh(1);
  allMeshes.push_back(m);
  return m;
}

pGModel M_model(pMesh m) { return m; }

bool isThisAMesh(void* p) {
  return std::find(allMeshes.begin(), allMeshes.end(), static_cast<mMesh*>(p)) != allMeshes.end();
}

void M_delete(pMesh m) {
  if (!m) return;
  allMeshes.remove(m);
  delete m;
}

int M_load(pMesh m, const char* fileName) {
  KORA_Util::Instance()->import(fileName, m);
  return 1;
}

void M_save_topology(const char* fileName, pMesh m) {
  KORA_Util::Instance()->print_topology(fileName, m);
}

void M_writeSMS(pMesh m, const char* name) {
  const std::string file = std::string(name) + ".msh";
  KORA_Util::Instance()->ex_port(file.c_str(), m, true);
}

int M_numRegions(pMesh m) { return m->size(3); }
int M_numFaces(pMesh m) { return m->size(2); }
int M_numEdges(pMesh m) { return m->size(1); }
int M_numVertices(pMesh m) { return m->size(0); }
int M_numPoints(pMesh) { throw 1; }

RIter M_regionIter(pMesh m) { return m->getEntities().NewIterator(3, -2); }
FIter M_faceIter(pMesh m) { return m->getEntities().NewIterator(2, -2); }
EIter M_edgeIter(pMesh m) { return m->getEntities().NewIterator(1, -2); }
VIter M_vertexIter(pMesh m) { return m->getEntities().NewIterator(0, -2); }

pRegion RIter_next(RIter it) { return it->next(); }
pFace FIter_next(FIter it) { return it->next(); }
pEdge EIter_next(EIter it) { return it->next(); }
pVertex VIter_next(VIter it) { return it->next(); }

void RIter_reset(RIter it) { it->reset(); }
void FIter_reset(FIter it) { it->reset(); }
void EIter_reset(EIter it) { it->reset(); }
void VIter_reset(VIter it) { it->reset(); }

void RIter_delete(RIter it) { it->getContainer()->DeleteIterator(it); }
void FIter_delete(FIter it) { RIter_delete(it); }
void EIter_delete(EIter it) { RIter_delete(it); }
void VIter_delete(VIter it) { RIter_delete(it); }

namespace {
// First leaf of a dimension for index 0; any other index is refused.
pEntity firstLeaf(pMesh m, int dim, int i, int line, const char* what) {
  if (i != 0) {
    const std::string text = std::string("No random access iterators to ") + what + " in KORA";
    throw new mException(line, "cint/KORA", text.c_str());
  }
  mLeavesIterator it = m->begin(dim);
  return it.end() ? nullptr : *it;
}
}  // namespace

pRegion M_region(pMesh m, int i) { return firstLeaf(m, 3, i, 199, "regions"); }
pFace M_face(pMesh m, int i) { return firstLeaf(m, 2, i, 205, "faces"); }
pEdge M_edge(pMesh m, int i) { return firstLeaf(m, 1, i, 211, "edges"); }
pVertex M_vertex(pMesh m, int i) { return firstLeaf(m, 0, i, 217, "vertices"); }
pRegion M_nextRegion(pMesh, void**) { throw 1; }

// Downward counts fall back to the templates; upward ones give 0.
int R_numFaces(pRegion r) { return r->size(2); }
pFace R_face(pRegion r, int i) { return r->get(2, i); }
int R_numEdges(pRegion r) { return r->size(1); }
pEdge R_edge(pRegion r, int i) { return r->get(1, i); }
int R_numVertices(pRegion r) { return r->size(0); }
pVertex R_vertex(pRegion r, int i) { return r->get(0, i); }
int F_numEdges(pFace f) { return f->size(1); }
pEdge F_edge(pFace f, int i) { return f->get(1, i); }
int F_numVertices(pFace f) { return f->size(0); }
pVertex F_vertex(pFace f, int i) { return f->get(0, i); }
int E_numVertices(pEdge e) { return e->size(0); }
pVertex E_vertex(pEdge e, int i) { return e->get(0, i); }
int E_numFaces(pEdge e) { return e->isAdjacencyCreated(2) ? e->size(2) : 0; }
pFace E_face(pEdge e, int i) { return e->get(2, i); }
int V_numEdges(pVertex v) { return v->isAdjacencyCreated(1) ? v->size(1) : 0; }
pEdge V_edge(pVertex v, int i) { return v->get(1, i); }

int EN_type(pEntity e) { return e->getLevel(); }

pPoint V_point(pVertex v) { return static_cast<mVertex*>(v)->ppoint(); }

void V_coord(pVertex v, double xyz[3]) {
  const mPoint& p = *static_cast<mVertex*>(v)->ppoint();
  xyz[0] = p(0);
  xyz[1] = p(1);
  xyz[2] = p(2);
}

void V_setPoint(pVertex v, pPoint p) { *static_cast<mVertex*>(v)->ppoint() = *p; }

pPoint P_new() { return new mPoint(0.0, 0.0, 0.0); }

void P_delete(pPoint p) { delete p; }

void P_setPos(pPoint p, double x, double y, double z) { p->set(x, y, z); }

double P_x(pPoint p) { return (*p)(0); }
double P_y(pPoint p) { return (*p)(1); }
double P_z(pPoint p) { return (*p)(2); }

int E_numPoints(pEdge) { return 0; }

pPoint M_createP(pMesh, double, double, double, double*, int, pGEntity) { throw 1; }
void P_setParam1(pPoint p, double t) {
  const GeometryServices* g = GM_geometryServices();
  if (!g || !g->setParam1) throw 1;
  g->setParam1(p, t);
}

void P_setParam2(pPoint p, double u, double v, int patch) {
  const GeometryServices* g = GM_geometryServices();
  if (!g || !g->setParam2) throw 1;
  g->setParam2(p, u, v, patch);
}

double P_param1(pPoint p) {
  if (const GeometryServices* g = GM_geometryServices(); g && g->param1) return g->param1(p);
  throw new mException(662, "cint/KORA", "KORA does not implement function P_param1(pPoint)");
}

void P_param2(pPoint p, double* p1, double* p2, int* ptch) {
  if (const GeometryServices* g = GM_geometryServices(); g && g->param2) return g->param2(p, p1, p2, ptch);
  throw new mException(666, "cint/KORA",
                       "KORA does not implement function  P_param2(pPoint, double *p1, double *p2, "
                       "int *ptch)");
}

pPoint E_point(pEdge, int) {
  throw new mException(881, "cint/KORA", "points are not supported on mesh edges, ask zq");
}

// ================================================================ adjacency

namespace cint {

bool isMadeTemplate(const mEntity* owner, const mEntity* t) {
  if (!t || t->getLevel() == 0 || t->getLevel() >= owner->getLevel()) return false;
  // An edge of a region may be the one its stored faces share.
  if (t->getLevel() == 1 && owner->isAdjacencyCreated(2)) {
    const mAdjacencyContainer* faces = owner->getAdjacencyList(2);
    for (int i = 0; i < faces->size(); ++i)
      if ((*faces)[i] && (*faces)[i]->find(const_cast<mEntity*>(t))) return false;
  }
  return true;
}

bool isFreshTemplate(const mEntity* owner, const mEntity* t) {
  return t && !owner->isAdjacencyCreated(t->getLevel()) && isMadeTemplate(owner, t);
}

void releaseTemplate(const mEntity* owner, mEntity* t) {
  if (isFreshTemplate(owner, t)) delete t;
}

bool collectAdjacent(mEntity* e, int n, std::vector<mEntity*>& out) {
  if (e->getLevel() < n && !e->isAdjacencyCreated(n)) {
    mAdjacencyContainer up;
    e->getHigherOrderUpward(n, up);
    out.insert(out.end(), up.begin(), up.end());
    return false;
  }
  const bool templates = !e->isAdjacencyCreated(n);
  const int k = e->size(n);
  out.reserve(out.size() + k);
  for (int i = 0; i < k; ++i) out.push_back(e->get(n, i));
  return templates;
}

}  // namespace cint

namespace {
pPList adjacent(pEntity e, int n) {
  std::unique_ptr<fakeList> l(new fakeList);
  std::vector<mEntity*> found;
  cint::collectAdjacent(e, n, found);
  l->items.assign(found.begin(), found.end());
  return l.release();
}
}  // namespace

pPList F_vertices(pFace f, int) { return adjacent(f, 0); }
pPList F_edges(pFace f, int, pVertex) { return adjacent(f, 1); }
pPList F_regions(pFace f) { return adjacent(f, 3); }
pPList R_vertices(pRegion r) { return adjacent(r, 0); }
pPList R_edges(pRegion r) { return adjacent(r, 1); }
pPList R_faces(pRegion r) { return adjacent(r, 2); }
pPList E_regions(pEdge e) { return adjacent(e, 3); }
pPList V_faces(pVertex v) { return adjacent(v, 2); }
pPList V_regions(pVertex v) { return adjacent(v, 3); }

pRegion F_region(pFace f, int i) {
  const mAdjacencyContainer* l = f->getAdjacencyList(3);
  if (!l || i < 0 || i >= l->size()) return nullptr;
  return (*l)[i];
}

pVertex E_otherVertex(pEdge e, pVertex v) {
  mEntity* a = e->get(0, 0);
  mEntity* b = e->get(0, 1);
  if (v == a) return b;
  if (v == b) return a;
  throw new mException(675, "cint/KORA", "E_otherVertex failed");
}

pFace E_otherFace(pEdge e, pFace f, pRegion r) {
  const int n = r->size(2);
  for (int i = 0; i < n; ++i) {
    mEntity* g = r->get(2, i);
    const bool holds = g != f && g->find(e);
    if (holds) return g;
    cint::releaseTemplate(r, g);
  }
  throw new mException(690, "cint/KORA", "E_otherFace failed");
}

// ============================================= creation and classification

pVertex M_createVP(pMesh m, double x, double y, double z, double*, int, pGEntity g) {
  return m->createVertex(m->getNewVertexId(), x, y, z, g);
}

pVertex M_createVP2(pMesh m, double* xyz, double* param, int patch, pGEntity g) {
  return M_createVP(m, xyz[0], xyz[1], xyz[2], param, patch, g);
}

pEdge M_createE(pMesh m, pVertex a, pVertex b, pGEntity g) {
  mEdge* e = m->createEdge(static_cast<mVertex*>(a), static_cast<mVertex*>(b), g);
  a->add(e);
  b->add(e);
  return e;
}

pFace M_createF(pMesh m, int n, pEdge* edges, int*, pGEntity g) {
  mEdge* e[4];
  for (int k = 0; k < n && k < 4; ++k) e[k] = static_cast<mEdge*>(edges[k]);
  mFace* f = nullptr;
  if (n == 3)
    f = m->createFaceWithEdges(e[0], e[1], e[2], g);
  else if (n == 4)
    f = m->createFaceWithEdges(e[0], e[1], e[2], e[3], g);
  else
    return nullptr;
  for (int k = 0; k < n; ++k) edges[k]->add(f);
  return f;
}

pRegion M_createR(pMesh m, int n, pFace* faces, int*, pGEntity g) {
  if (n != 4) return nullptr;
  mTet* t = m->createTetWithFaces(static_cast<mFace*>(faces[0]), static_cast<mFace*>(faces[1]),
                                  static_cast<mFace*>(faces[2]), static_cast<mFace*>(faces[3]), g);
  for (int k = 0; k < 4; ++k) faces[k]->add(t);
  return t;
}

void M_remove(pMesh m, pEntity e, bool del) {
  // A deletion that a running iterator refuses fails before anything changes.
  if (del) m->getEntities().checkDeletion(e);
  const int d = e->getLevel();
  if (d >= 1) {
    if (const mAdjacencyContainer* below = e->getAdjacencyList(d - 1)) {
      const mAdjacencyContainer copy(*below);
      for (int i = 0; i < copy.size(); ++i)
        if (copy[i]) copy[i]->del(e);
    }
  }
  if (del) m->DEL(e);
}

void M_removeRegion(pMesh m, pRegion r) { M_remove(m, r, true); }
void M_removeFace(pMesh m, pFace f) { M_remove(m, f, true); }
void M_removeEdge(pMesh m, pEdge e) { M_remove(m, e, true); }
void M_removeVertex(pMesh m, pVertex v) {
  m->getEntities().checkDeletion(v);
  m->DEL(v);
}
void M_removePoint(pMesh, pPoint) {}

pGEntity EN_whatIn(pEntity e) { return e->getClassification(); }
pGEntity R_whatIn(pRegion e) { return EN_whatIn(e); }
pGEntity F_whatIn(pFace e) { return EN_whatIn(e); }
pGEntity E_whatIn(pEdge e) { return EN_whatIn(e); }
pGEntity V_whatIn(pVertex e) { return EN_whatIn(e); }

int EN_whatInType(pEntity e) {
  const gEntity* g = e->getClassification();
  return g ? g->getLevel() : -1;
}
int R_whatInType(pRegion e) { return EN_whatInType(e); }
int F_whatInType(pFace e) { return EN_whatInType(e); }
int E_whatInType(pEdge e) { return EN_whatInType(e); }
int V_whatInType(pVertex e) { return EN_whatInType(e); }

void R_setWhatIn(pRegion e, pGEntity g) { e->classify(g); }
void F_setWhatIn(pFace e, pGEntity g) { e->classify(g); }
void E_setWhatIn(pEdge e, pGEntity g) { e->classify(g); }
void V_setWhatIn(pVertex e, pGEntity g) { e->classify(g); }

RIter M_classifiedRegionIter(pMesh m, pGEntity g) { return m->getEntities().NewIterator(3, g); }

FIter M_classifiedFaceIter(pMesh m, pGEntity g, int closure) {
  if (closure) throw 1;
  return m->getEntities().NewIterator(2, g);
}

EIter M_classifiedEdgeIter(pMesh m, pGEntity g, int closure) {
  if (closure) throw 1;
  return m->getEntities().NewIterator(1, g);
}

VIter M_classifiedVertexIter(pMesh m, pGEntity g, int closure) {
  if (closure) throw 1;
  return m->getEntities().NewIterator(0, g);
}

int M_numClassifiedEntities(pMesh m, pGEntity g, int dim) {
  int n = 0;
  for (mLeavesIterator it = m->begin(dim), last = m->end(dim); it != last; ++it)
    if ((*it)->getClassification() == g) ++n;
  return n;
}

int M_numClassifiedRegions(pMesh m, pGEntity g) { return M_numClassifiedEntities(m, g, 3); }
int M_numClassifiedFaces(pMesh m, pGEntity g) { return M_numClassifiedEntities(m, g, 2); }
int M_numClassifiedEdges(pMesh m, pGEntity g) { return M_numClassifiedEntities(m, g, 1); }
int M_numClassifiedVertices(pMesh m, pGEntity g) { return M_numClassifiedEntities(m, g, 0); }

int EN_id(pEntity e) {
  if (e->getLevel() == 0) return e->getId();
  int id = 0;
  EN_getDataInt(e, KORA_Util::Instance()->idId, &id);
  return id;
}

void EN_setID(pEntity e, int id) {
  if (e->getLevel() == 0) throw 1;
  EN_attachDataInt(e, KORA_Util::Instance()->idId, id);
}

int M_mergeSupported() { return 0; }
void V_merge(pVertex, pVertex) { throw 1; }
void V_merge2(pVertex, pVertex) { throw 1; }
void E_merge(pEdge, pEdge) { throw 1; }
void E_merge2(pEdge, pEdge) { throw 1; }
void F_merge(pFace, pFace) { throw 1; }
void F_merge2(pFace, pFace) { throw 1; }

// ================================================ attached data and marks

const int markIdsFirst = 1000000000;

namespace {

// d as a holder of kind H, or null. Holders are nearly always of exactly
// that kind: a comparison of type records then stands for the search of the
// class hierarchy (marks and numbers are read in every adaptation pass).
template <class H>
H* asHolder(mAttachableData* d) {
  if (!d) return nullptr;
  if (typeid(*d) == typeid(H)) return static_cast<H*>(d);
  return dynamic_cast<H*>(d);
}

// The holder of kind H under the tag, or null (absent, or of another kind).
template <class H>
H* holder(mAttachableDataContainer* c, unsigned int tag) {
  return asHolder<H>(c->getData(tag));
}

// The holder of kind H under the tag, made (or put in place of one of
// another kind) when needed.
template <class H>
H* settable(mAttachableDataContainer* c, unsigned int tag) {
  mAttachableData* d = c->getData(tag);
  if (H* h = asHolder<H>(d)) return h;
  if (d) c->deleteData(tag);
  H* h = new H;
  c->attachData(tag, h);
  return h;
}

void removeTag(mAttachableDataContainer* c, unsigned int tag) {
  if (c->getData(tag)) c->deleteData(tag);
}

void setInt(mAttachableDataContainer* c, unsigned int tag, int v) { settable<mAttachableInt>(c, tag)->i = v; }
int readInt(mAttachableDataContainer* c, unsigned int tag) {
  const mAttachableInt* h = holder<mAttachableInt>(c, tag);
  return h ? h->i : 0;
}
void setPtr(mAttachableDataContainer* c, unsigned int tag, void* v) {
  settable<mAttachableVoid>(c, tag)->p = v;
}
void* readPtr(mAttachableDataContainer* c, unsigned int tag) {
  const mAttachableVoid* h = holder<mAttachableVoid>(c, tag);
  return h ? h->p : nullptr;
}

// Names registered as marks, in order: a name's mark id is its place plus 1.
std::vector<std::string>& markNames() {
  static std::vector<std::string> names;
  return names;
}

// The attached-data list of a model entity or of a mesh made through the interface.
mAttachableDataContainer* carrierOf(void* handle) {
  if (isThisAMesh(handle)) return static_cast<mMesh*>(handle);
  return static_cast<gEntity*>(handle);
}

}  // namespace

unsigned int MD_newMeshDataId(const char* name) { return KORA_Util::Instance()->newMeshDataId(name); }

unsigned int MD_lookupMeshDataId(const char* name) { return KORA_Util::Instance()->getMeshDataId(name); }

void MD_deleteMeshDataId(unsigned int id) {
  KORA_Util* u = KORA_Util::Instance();
  auto it = u->idToName.find(id);
  if (it == u->idToName.end()) return;
  u->nameToId.erase(it->second);
  u->idToName.erase(it);
}

int MD_registerMark(const char* name, int, int) {
  std::vector<std::string>& names = markNames();
  const std::string n(name ? name : "");
  auto it = std::find(names.begin(), names.end(), n);
  if (it != names.end()) return static_cast<int>(it - names.begin()) + 1;
  names.push_back(n);
  return static_cast<int>(names.size());
}

int MD_markID(const char* name) { return MD_registerMark(name, 0, 0); }

void EN_setMark(pEntity e, int markId, int value) {
  setInt(e, static_cast<unsigned int>(markIdsFirst + markId), value);
}

int EN_mark(pEntity e, int markId) { return readInt(e, static_cast<unsigned int>(markIdsFirst + markId)); }

void EN_attachDataI(pEntity e, const char* name, int value) { setInt(e, MD_lookupMeshDataId(name), value); }

int EN_modifyDataI(pEntity e, const char* name, int value) {
  EN_attachDataI(e, name, value);
  return 1;
}

int EN_dataI(pEntity e, const char* name) { return readInt(e, MD_lookupMeshDataId(name)); }

void EN_attachDataP(pEntity e, const char* name, void* value) { setPtr(e, MD_lookupMeshDataId(name), value); }

int EN_modifyDataP(pEntity e, const char* name, void* value) {
  EN_attachDataP(e, name, value);
  return 1;
}

void* EN_dataP(pEntity e, const char* name) { return readPtr(e, MD_lookupMeshDataId(name)); }

void EN_removeData(pEntity e, const char* name) { removeTag(e, MD_lookupMeshDataId(name)); }

void EN_attachDataInt(pEntity e, unsigned int id, int value) { setInt(e, id, value); }

void EN_modifyDataInt(pEntity e, unsigned int id, int value) { setInt(e, id, value); }

int EN_getDataInt(pEntity e, unsigned int id, int* out) {
  *out = readInt(e, id);
  return *out != 0 ? 1 : 0;
}

void EN_attachDataDbl(pEntity e, unsigned int id, double value) {
  settable<mAttachableDouble>(e, id)->d = value;
}

int EN_getDataDbl(pEntity e, unsigned int id, double* out) {
  const mAttachableDouble* h = holder<mAttachableDouble>(e, id);
  *out = h ? h->d : 0.0;
  return 1;
}

void EN_attachDataPtr(pEntity e, unsigned int id, void* value) { setPtr(e, id, value); }

void EN_modifyDataPtr(pEntity e, unsigned int id, void* value) { setPtr(e, id, value); }

int EN_getDataPtr(pEntity e, unsigned int id, void** out) {
  const mAttachableVoid* h = holder<mAttachableVoid>(e, id);
  if (!h) return 0;
  *out = h->p;
  return 1;
}

void EN_deleteData(pEntity e, unsigned int id) { removeTag(e, id); }

void GEN_attachDataI(pGEntity g, const char* name, int value) { setInt(g, MD_lookupMeshDataId(name), value); }

int GEN_modifyDataI(pGEntity g, const char* name, int value) {
  GEN_attachDataI(g, name, value);
  return 1;
}

int GEN_dataI(pGEntity g, const char* name) { return readInt(g, MD_lookupMeshDataId(name)); }

void GEN_attachDataP(void* handle, const char* name, void* value) {
  const unsigned int tag = MD_lookupMeshDataId(name);
  mAttachableDataContainer* c = carrierOf(handle);
  if (!isThisAMesh(handle)) {
    const gEntity* g = static_cast<gEntity*>(handle);
    std::printf("INFO GEN_attachDataP : attaching data %s to gEntity(%d,%d,%d)\n", name, g->getId(),
                g->getLevel(), g->getTag());
  }
  if (holder<mAttachableVoid>(c, tag))
    std::printf("WARNING  GEN_attachDataP : attaching a data that has already been tagged %s\n", name);
  setPtr(c, tag, value);
}

int GEN_modifyDataP(void* handle, const char* name, void* value) {
  mAttachableVoid* h = holder<mAttachableVoid>(carrierOf(handle), MD_lookupMeshDataId(name));
  if (!h) return 0;
  h->p = value;
  return 1;
}

void* GEN_dataP(void* handle, const char* name) { return readPtr(carrierOf(handle), MD_lookupMeshDataId(name)); }

void GEN_removeData(pGEntity g, const char* name) { removeTag(g, MD_lookupMeshDataId(name)); }

void V_setSize(pVertex v, double h) { EN_attachDataDbl(v, KORA_Util::Instance()->sizeId, h); }

double V_size(pVertex v) {
  double h = 0.0;
  EN_getDataDbl(v, KORA_Util::Instance()->sizeId, &h);
  return h;
}

// ================================================= model adjacency lists

namespace {
pPList modelAdjacent(pGEntity g, int level) {
  std::unique_ptr<fakeList> l(new fakeList);
  for (gEntity::iter it = g->begin(); it != g->end(); ++it)
    if ((*it)->getLevel() == level) l->items.push_back(*it);
  return l.release();
}
}  // namespace

pPList GR_faces(pGRegion g) { return modelAdjacent(g, 2); }
pPList GR_edges(pGRegion g) { return modelAdjacent(g, 1); }
pPList GR_vectices(pGRegion g) { return modelAdjacent(g, 0); }
pPList GF_regions(pGFace g) { return modelAdjacent(g, 3); }
pPList GF_edges(pGFace g) { return modelAdjacent(g, 1); }
pPList GF_vectices(pGFace g) { return modelAdjacent(g, 0); }
pPList GE_regions(pGEdge g) { return modelAdjacent(g, 3); }
pPList GE_faces(pGEdge g) { return modelAdjacent(g, 2); }
pPList GE_vectices(pGEdge g) { return modelAdjacent(g, 0); }
pPList GV_regions(pGVertex g) { return modelAdjacent(g, 3); }
pPList GV_faces(pGVertex g) { return modelAdjacent(g, 2); }
pPList GV_edges(pGVertex g) { return modelAdjacent(g, 1); }

// ======================================================= model mapping file

pGModel GM_createFromParasolidFile(const char* name) {
  mMesh* m = new mMesh(1);
  allMeshes.push_back(m);
  // The stem ends at the first '.'; a name without one is its own stem.
  std::string file(name ? name : "");
  const std::string::size_type dot = file.find('.');
  if (dot != std::string::npos) file.resize(dot);
  file += ".tir";
  std::printf("trying to open %s\n", file.c_str());
  try {
    KORA_Util::Instance()->setMappingFile(file.c_str(), m);
  } catch (mException* e) {
    delete e;
  } catch (...) {
  }
  return m;
}

// ============================================== orientation and closure

namespace {
// The use rule of the mesh database, with the template of a face or edge
// taken for the occasion released afterwards.
int useOf(pEntity owner, pEntity sub) { return owner->getUse(sub); }

int useByIndex(pEntity owner, int dim, int i) {
  mEntity* s = owner->get(dim, i);
  try {
    const int u = useOf(owner, s);
    cint::releaseTemplate(owner, s);
    return u;
  } catch (...) {
    cint::releaseTemplate(owner, s);
    throw;
  }
}
}  // namespace

int R_faceDir(pRegion r, int i) { return useByIndex(r, 2, i); }
int F_edgeDir(pFace f, int i) { return useByIndex(f, 1, i); }
int R_dirUsingFace(pRegion r, pFace f) { return useOf(r, f); }
int F_dirUsingEdge(pFace f, pEdge e) { return useOf(f, e); }
void F_chDir(pFace) {}

int R_inClosure(pEntity e, pEntity x) {
  const int n = x->getLevel();
  std::vector<mEntity*> found;
  const bool templates = cint::collectAdjacent(e, n, found);
  int in = 0;
  for (mEntity* s : found) {
    if (s == x) in = 1;
    else if (templates) cint::releaseTemplate(e, s);
  }
  return in;
}

int E_inClosure(pEntity e, pEntity x) { return R_inClosure(e, x); }
int F_inClosure(pEntity e, pEntity x) { return R_inClosure(e, x); }

// The unit normal through the face's mapping: the third column of the
// inverse Jacobian at the reference centre.
void mapped::F_normalVector(pFace f, int dir, double* n) {
  LagrangeMapping mapping(f);
  double u = 0.0, v = 0.0, w = 0.0;
  mapping.COG(u, v, w);
  mTensor2 inverse(0.0);
  mapping.jacInverse(u, v, w, inverse);
  for (int k = 0; k < 3; ++k) n[k] = static_cast<double>(dir) * inverse(k, 2);
}

// ============================================================ edge collapse

bool lessthan_four_ints::operator()(const four_ints& a, const four_ints& b) const {
  for (int k = 0; k < 4; ++k)
    if (a.i[k] != b.i[k]) return a.i[k] < b.i[k];
  return false;
}

namespace {

// Sorted vertex ids of e, vdel read as vkeep when vdel is given.
four_ints keyOf(pEntity e, pVertex vdel, pVertex vkeep) {
  four_ints k{{-1, -1, -1, -1}};
  const int n = std::min(e->size(0), 4);
  for (int i = 0; i < n; ++i) {
    mEntity* v = e->get(0, i);
    k.i[i] = (vdel && v == vdel) ? vkeep->getId() : v->getId();
  }
  std::sort(k.i, k.i + 4);
  return k;
}

// True when v is one of e's vertices (stored, else from the templates).
bool holds(pEntity e, pVertex v) {
  const int n = e->size(0);
  for (int i = 0; i < n; ++i)
    if (e->get(0, i) == v) return true;
  return false;
}

void gather(pVertex v, int n, fakeList& out) {
  std::vector<mEntity*> found;
  cint::collectAdjacent(v, n, found);
  out.items.assign(found.begin(), found.end());
}

void appendIfNew(pPList l, pEntity e, classifMap& map) {
  if (PList_inList(l, e)) return;
  e->classify(getClassif(map, e));
  PList_append(l, e);
}

// Enters each new edge in the edge lists of its vertices' leaves.
void linkVertices(pPList newEdges) {
  for (void* p : newEdges->items) {
    mEntity* e = static_cast<mEntity*>(p);
    if (!e->isAdjacencyCreated(0)) continue;
    for (int k = 0; k < e->size(0); ++k) {
      std::list<mEntity*> leaves;
      e->get(0, k)->getLeaves(leaves);
      for (mEntity* leaf : leaves) leaf->appendUnique(e);
    }
  }
}

// Removes the old entities, top dimension first, then vdel itself.
void removeOld(pMesh m, std::initializer_list<const fakeList*> lists, pVertex vdel) {
  for (const fakeList* l : lists)
    for (void* p : l->items) M_remove(m, static_cast<mEntity*>(p), true);
  M_remove(m, vdel, true);
}

// Finds or makes the edges of the new faces, classifies and lists each once,
// and enters them in their vertices' edge lists. In two dimensions an edge
// on a model face that bounds one face only is reported.
void buildEdges(pMesh m, pPList newFaces, pPList newEdges, classifMap& map, bool report) {
  const createDownwardFunctor edges(1, 0, m, true, true);
  for (void* p : newFaces->items) edges(static_cast<mEntity*>(p));
  for (void* p : newFaces->items) {
    mEntity* f = static_cast<mEntity*>(p);
    for (int i = 0; i < 3; ++i) {
      mEntity* e = f->get(1, i);
      if (PList_inList(newEdges, e)) continue;
      e->classify(getClassif(map, e));
      const gEntity* ge = e->getClassification();
      if (report && ge && ge->getLevel() == 2 && e->size(2) == 1) {
        std::printf("ahrrrgh ");
        e->print();
      }
      PList_append(newEdges, e);
    }
  }
  linkVertices(newEdges);
}

}  // namespace

pGEntity getClassif(classifMap& map, pEntity e) {
  auto it = map.find(keyOf(e, nullptr, nullptr));
  return it != map.end() ? it->second : e->getClassification();
}

void updateClassif(classifMap& map, pEntity e, pVertex vdel, pVertex vkeep) {
  const four_ints k = keyOf(e, vdel, vkeep);
  gEntity* g = e->getClassification();
  auto it = map.find(k);
  if (it == map.end()) {
    map.emplace(k, g);
    return;
  }
  // The lower level wins; at equal levels the first record stays.
  const int have = it->second ? it->second->getLevel() : 4;
  const int mine = g ? g->getLevel() : 4;
  if (mine < have) it->second = g;
}

int E_colaps(pMesh m, pEdge edge, pVertex vdel, pVertex vkeep, CBFunction cb, void* data,
             pPList newEdges, pPList newFaces, pPList newRegions) {
  PList_clear(newEdges);
  PList_clear(newFaces);
  PList_clear(newRegions);

  fakeList delEdges, delFaces, delRegions, keepEdges, keepFaces, keepRegions;
  gather(vdel, 1, delEdges);
  gather(vdel, 2, delFaces);
  gather(vdel, 3, delRegions);
  gather(vkeep, 1, keepEdges);
  gather(vkeep, 2, keepFaces);
  gather(vkeep, 3, keepRegions);

  // Refusals leave the mesh untouched: a vertex that still has other edges
  // but no faces, or one with faces but no regions in a mesh of regions.
  if (delFaces.items.empty()) {
    for (void* p : delEdges.items)
      if (p != edge) return 0;
    M_remove(m, edge, true);
    M_remove(m, vdel, true);
    return 1;
  }
  if (delRegions.items.empty() && m->size(3) != 0) return 0;

  classifMap map;
  for (const fakeList* l : {&delEdges, &delFaces, &delRegions})
    for (void* p : l->items) updateClassif(map, static_cast<mEntity*>(p), vdel, vkeep);
  for (const fakeList* l : {&keepEdges, &keepFaces, &keepRegions})
    for (void* p : l->items) updateClassif(map, static_cast<mEntity*>(p), nullptr, vkeep);

  if (delRegions.items.empty())
    return E_colaps2D(m, edge, vdel, vkeep, cb, data, newEdges, newFaces, delEdges, delFaces, map);

  gEntity* g = static_cast<mEntity*>(delRegions.items.front())->getClassification();
  std::vector<std::pair<mEntity*, mEntity*>> opposite;  // (region, its face opposite vdel)
  for (void* p : delRegions.items) {
    mEntity* r = static_cast<mEntity*>(p);
    for (int i = 0; i < 4; ++i) {
      mEntity* f = r->get(2, i);
      if (!holds(f, vdel) && !holds(f, vkeep)) opposite.emplace_back(r, f);
      else cint::releaseTemplate(r, f);
    }
  }
  for (const auto& [r, f] : opposite) {
    mTet* t = m->createTetWithVertices(static_cast<mVertex*>(f->get(0, 0)), static_cast<mVertex*>(f->get(0, 1)),
                                       static_cast<mVertex*>(f->get(0, 2)), static_cast<mVertex*>(vkeep), g);
    t->classify(getClassif(map, t));
    PList_append(newRegions, t);
    cint::releaseTemplate(r, f);
  }
  if (cb) cb(&delRegions, newRegions, data, ECOLLAPSE, vdel);

  removeOld(m, {&delRegions, &delFaces, &delEdges}, vdel);

  const createDownwardFunctor faces(2, 0, m, true, true);
  for (void* p : newRegions->items) faces(static_cast<mEntity*>(p));
  for (void* p : newRegions->items) {
    mEntity* r = static_cast<mEntity*>(p);
    for (int i = 0; i < 4; ++i) appendIfNew(newFaces, r->get(2, i), map);
  }
  buildEdges(m, newFaces, newEdges, map, false);

  // The edges and faces around vkeep take the classification recorded for them.
  fakeList around;
  for (int n = 1; n <= 2; ++n) {
    gather(vkeep, n, around);
    for (void* p : around.items) {
      mEntity* e = static_cast<mEntity*>(p);
      e->classify(getClassif(map, e));
    }
  }
  return 1;
}

int E_colaps2D(pMesh m, pEdge, pVertex vdel, pVertex vkeep, CBFunction cb, void* data, pPList newEdges,
               pPList newFaces, fakeList& vdelEdges, fakeList& vdelFaces, classifMap& map) {
  gEntity* g = static_cast<mEntity*>(vdelFaces.items.front())->getClassification();
  for (void* p : vdelFaces.items) {
    mEntity* f = static_cast<mEntity*>(p);
    for (int i = 0; i < 3; ++i) {
      mEntity* e = f->get(1, i);
      if (!holds(e, vkeep) && !holds(e, vdel)) {
        mFace* t = m->createFaceWithVertices(static_cast<mVertex*>(e->get(0, 0)),
                                             static_cast<mVertex*>(e->get(0, 1)),
                                             static_cast<mVertex*>(vkeep), g);
        t->classify(getClassif(map, t));
        PList_append(newFaces, t);
      }
      cint::releaseTemplate(f, e);
    }
  }
  if (cb) cb(&vdelFaces, newFaces, data, ECOLLAPSE, vdel);

  removeOld(m, {&vdelFaces, &vdelEdges}, vdel);
  buildEdges(m, newFaces, newEdges, map, true);
  return 1;
}

}  // namespace KORA
