// Whole-entity and whole-mesh services beside the procedural interface.
#include <cmath>

#include "KORA.h"
#include "KORA_internal.h"
#include "mEdge.h"
#include "mFace.h"
#include "mHex.h"
#include "mMesh.h"
#include "mTet.h"
#include "mVector.h"
#include "mVertex.h"

namespace KORA {

mEntity::mType M_GetElementType(pEntity e) { return e->getType(); }

void M_GetVertices(pEntity e, std::vector<pEntity>& out) {
  if (e->getLevel() == 0) {
    out.push_back(e);
    return;
  }
  const int n = e->size(0);
  for (int i = 0; i < n; ++i) out.push_back(e->get(0, i));
}

void M_GetNeighbors(pEntity e, pEntity* out) {
  const int d = e->getLevel() + 1;
  if (d > 3) return;
  const int k = e->size(d);
  for (int i = 0; i < k; ++i) out[i] = e->get(d, i);
}

void M_GetBoundary(pEntity e, std::list<mEntity*>* out) {
  const int d = e->getLevel() - 1;
  if (d < 0) return;
  const int k = e->size(d);
  for (int i = 0; i < k; ++i) {
    mEntity* s = e->get(d, i);
    if (!s) continue;
    std::list<mEntity*> leaves;
    s->getLeaves(leaves);
    if (out) out->splice(out->end(), leaves);
    cint::releaseTemplate(e, s);
  }
}

int R_edgeDir(pRegion r, int i) {
  mEntity* e = r->get(1, i);
  mEntity* t = r->getTemplate(i, 1, 0);
  const int dir = (t && e->get(0, 0) == t->get(0, 0)) ? 1 : -1;
  if (t != e && cint::isMadeTemplate(r, t)) delete t;
  // The edge itself, taken from the templates, was made for this call too.
  if (t != e) cint::releaseTemplate(r, e);
  return dir;
}

double M_SizeMin(pEntity e) {
  std::vector<pEntity> vs;
  M_GetVertices(e, vs);
  mPoint p[8];
  for (std::size_t k = 0; k < vs.size() && k < 8; ++k)
    p[k] = mPoint(P_x(V_point(vs[k])), P_y(V_point(vs[k])), P_z(V_point(vs[k])));
  // d(a, b) is the vector b - a.
  auto d = [&p](int a, int b) { return mVector(p[a], p[b]); };
  switch (e->getType()) {
    case mEntity::VERTEX:
      return 1.0;
    case mEntity::EDGE:
      return d(0, 1).length();
    case mEntity::TRI:
    case mEntity::QUAD: {
      const mVector a = d(0, 1), b = d(1, 2), c = d(2, 0);
      return (a % b).length() / ((a.length() + b.length()) + c.length());
    }
    case mEntity::TET: {
      const mVector u = d(1, 0), v = d(2, 0), w = d(3, 0), s = d(1, 2), t = d(1, 3);
      return std::fabs((u % v) * w) /
             ((((u % v).length() + (u % w).length()) + (v % w).length()) + (s % t).length());
    }
    default:
      throw 1;
  }
}

int* M_BuildRepresentation(pEntity e) {
  std::vector<pEntity> vs;
  M_GetVertices(e, vs);
  const int n = static_cast<int>(vs.size());
  int* rep = new int[n + 2];
  rep[0] = n + 2;
  rep[1] = static_cast<int>(e->getType());
  for (int j = 0; j < n; ++j) rep[2 + j] = EN_id(vs[j]);
  return rep;
}

pEntity M_RetrieveRepresentation(int* rep, pMesh m) {
  int count = 0;
  switch (rep[1]) {
    case mEntity::VERTEX: count = 1; break;
    case mEntity::EDGE: count = 2; break;
    case mEntity::TRI: count = 3; break;
    case mEntity::QUAD:
    case mEntity::TET: count = 4; break;
    case mEntity::HEX: count = 8; break;
    default: throw 1;
  }
  mVertex* v[8];
  for (int k = 0; k < count; ++k) {
    v[k] = m->getVertex(rep[2 + k]);
    if (!v[k]) return nullptr;  // an id that names no vertex
  }
  switch (rep[1]) {
    case mEntity::VERTEX: return v[0];
    case mEntity::EDGE: return m->getEdge(v[0], v[1]);
    case mEntity::TRI: return m->getTri(v[0], v[1], v[2]);
    case mEntity::QUAD: return m->getQuad(v[0], v[1], v[2], v[3]);
    case mEntity::TET: return m->getTet(v[0], v[1], v[2], v[3]);
    default: return m->getHex(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
  }
}

int M_modify_representation(pMesh m, int from, int to, int with, int create) {
  m->modifyState(from, to, create != 0, with);
  return 1;
}

void M_SetRepresentationToOneLevel(pMesh m) {
  m->modifyState(3, 2, true, 0);
  m->modifyState(2, 1, true, 0);
  m->modifyState(2, 3, true, 0);
  m->modifyState(1, 2, true, 0);
  m->modifyState(0, 1, true, 0);
  M_BdryLinkSetup(m);
}

void M_BdryLinkSetup(pMesh m) { m->bdryLinkSetup(); }

int M_MaximumVertexId(pMesh m) { return m->getIdGenerator().getMaxValue(); }

int M_numRemoteCopies(pMesh m, pEntity e) { return m->getOwnerManager()->count(e); }

int M_getRemoteCopies(pMesh m, pEntity e, pPList out) {
  const KORA_OwnerManager* om = m->getOwnerManager();
  int n = 0;
  for (KORA_OwnerManager::iter it = om->begin(e), last = om->end(e); it != last; ++it, ++n)
    if (out) PList_append(out, it->second.remoteCopy);
  return n;
}

int M_getRemotePID(pMesh m, pEntity e, int i) {
  const KORA_OwnerManager* om = m->getOwnerManager();
  int k = 0;
  for (KORA_OwnerManager::iter it = om->begin(e), last = om->end(e); it != last; ++it, ++k)
    if (k == i) return it->second.processorId;
  return 0;  // one process
}

void M_LoadBalance(pMesh) {}

namespace {
void classifyOnModelEdge(pMesh m, pEntity e, int n) { e->classify(m->getGEntity(n, 1)); }
}  // namespace

void V_setWhatInType(pMesh m, pVertex e, int n) { classifyOnModelEdge(m, e, n); }
void E_setWhatInType(pMesh m, pEdge e, int n) { classifyOnModelEdge(m, e, n); }
void F_setWhatInType(pMesh m, pFace e, int n) { classifyOnModelEdge(m, e, n); }

}  // namespace KORA
