// Edge and triangle refinement of the template driver. Each split is stored
// on the split entity as its list of children, so that every later user (the
// other faces of an edge, the regions of a face) finds the same children.
#include <iostream>

#include "MT_vector.h"
#include "mException.h"
#include "meshTemplate.h"
#include "templatesUtil.h"

using namespace KORA;

namespace {
pEntity item(pPList l, int i) { return static_cast<pEntity>(PList_item(l, i)); }

pPList listOf(std::initializer_list<pEntity> items) {
  pPList l = PList_new();
  for (pEntity e : items) PList_append(l, e);
  return l;
}

// Vertex i of a triangle in its own cycle: the start of edge i in the
// direction the face uses it; edge i joins w[i] and w[(i+1)%3].
void faceCycle(pFace f, pVertex w[3], pEdge e[3], int dir[3]) {
  for (int i = 0; i < 3; ++i) {
    e[i] = F_edge(f, i);
    dir[i] = F_edgeDir(f, i);
    w[i] = E_vertex(e[i], dir[i] ? 0 : 1);
  }
}

pFace makeTriangle(pMesh m, pEdge a, pEdge b, pEdge c, pGEntity g) {
  pEdge e[3] = {a, b, c};
  int d[3] = {1, 1, 1};
  return M_createF(m, 3, e, d, g);
}
}  // namespace

// Records the children of a split entity (and, with a parent tag, their
// parent), then reports the new faces, if any, as one template refinement.
pPList meshTemplate::adoptChildren(pEntity split, std::initializer_list<pEntity> children,
                                   std::initializer_list<pEntity> reported) {
  pPList list = listOf(children);
  EN_attachDataPtr(split, childrenTag, list);
  if (parentTag) {
    pEntity parent = EN_whatIn(split);
    for (pEntity c : children) EN_attachDataPtr(c, parentTag, parent);
  }
  if (callback && reported.size() > 0) {
    pPList made = listOf(reported);
    callCallback(split, &made);
    PList_delete(made);
  }
  return list;
}

pPList meshTemplate::get_split_edges(pEdge e, int flag) {
  void* p = nullptr;
  if (EN_getDataPtr(e, childrenTag, &p)) return static_cast<pPList>(p);
  return splitLinearEdge(e, flag);
}

pPList meshTemplate::splitLinearEdge(pEdge e, int) {
  pVertex p = E_vertex(e, 0), q = E_vertex(e, 1);
  double x0[3], x1[3], mid[3];
  V_coord(p, x0);
  V_coord(q, x1);
  metric* M = nullptr;
  if (field) {
    field->centerPoint(e, mid, &M);
  } else {
    for (int i = 0; i < 3; ++i) mid[i] = 0.5 * (x0[i] + x1[i]);
  }
  pGEntity g = E_whatIn(e);
  int id = 0;
  EN_getDataInt(e, uniqueIdTag, &id);
  double par[3] = {0.0, 0.0, 0.0};
  const int level = g ? GEN_type(g) : 3;
  pVertex m = nullptr;
  if (snapMode && (level == 1 || level == 2)) {
    const double tol = GEN_tolerance(g);
    double target[3] = {mid[0], mid[1], mid[2]};
    // The parametric location is unavailable on a model without parameters:
    // its failure counts as not found.
    auto middle = [&]() {
      try {
        return templatesUtil::middlePoint(e, target, par);
      } catch (mException* ex) {
        delete ex;
      } catch (int) {
      }
      return 0;
    };
    int found = 0;
    if (snapMode == 1) {
      found = middle();
      if (!found) found = C_closestPoint(g, mid, target);
    } else if (snapMode == 2) {
      found = C_closestPoint(g, mid, target);
      if (!found) found = middle();
    }
    if ((snapMode == 1 || snapMode == 2) && !found)
      std::cerr << "get_split_edges: pb! Could not get target location" << std::endl;
    for (double& x : par) x = 0.0;
    m = M_createVP2(mesh, mid, par, id, g);
    EN_deleteData(e, uniqueIdTag);
    // A vertex without a target stays at the mid-point, on the mesh boundary.
    if (snapMode == 3 || (found && XYZ_distance2(target, mid) > tol * tol))
      if (toSnap) toSnap->append(m);
  } else {
    m = M_createVP2(mesh, mid, par, id, g);
    EN_deleteData(e, uniqueIdTag);
  }
  if (M) field->adoptMetric(m, M);
  pEdge ha = M_createE(mesh, p, m, g);
  pEdge hb = M_createE(mesh, m, q, g);
  return adoptChildren(e, {m, ha, hb}, {});
}

pPList meshTemplate::get_split_faces_1(pFace f, int flag) {
  void* p = nullptr;
  if (EN_getDataPtr(f, childrenTag, &p)) return static_cast<pPList>(p);
  pVertex w[3];
  pEdge e[3];
  int dir[3];
  faceCycle(f, w, e, dir);
  int k = 0, mark = 0;
  for (k = 0; k < 3; ++k) {
    mark = 0;
    EN_getDataInt(e[k], refineTag, &mark);
    if (mark == 1) break;
  }
  pPList ch = get_split_edges(e[k], flag);
  pVertex m = item(ch, 0);
  pEdge s1 = item(ch, dir[k] ? 1 : 2), s2 = item(ch, dir[k] ? 2 : 1);
  const int o = (k + 2) % 3;
  pGEntity g = F_whatIn(f);
  pEdge n = M_createE(mesh, m, w[o], g);
  pFace A = makeTriangle(mesh, n, e[o], s1, g);
  pFace B = makeTriangle(mesh, n, s2, e[(k + 1) % 3], g);
  return adoptChildren(f, {n, A, B}, {A, B});
}

pPList meshTemplate::get_split_faces_2(pFace f) {
  void* p = nullptr;
  if (EN_getDataPtr(f, childrenTag, &p)) return static_cast<pPList>(p);
  pVertex w[3];
  pEdge e[3];
  int dir[3];
  faceCycle(f, w, e, dir);
  int k = 0, mark = 0;
  for (k = 0; k < 3; ++k) {
    mark = 0;
    EN_getDataInt(e[k], refineTag, &mark);
    if (mark != 1) break;
  }
  const int a = (k + 1) % 3, b = (k + 2) % 3;
  pPList cha = get_split_edges(e[a], 0), chb = get_split_edges(e[b], 0);
  pVertex ma = item(cha, 0), mb = item(chb, 0);
  pEdge a1 = item(cha, dir[a] ? 1 : 2), a2 = item(cha, dir[a] ? 2 : 1);
  pEdge b1 = item(chb, dir[b] ? 1 : 2), b2 = item(chb, dir[b] ? 2 : 1);
  pGEntity g = F_whatIn(f);
  pEdge d = M_createE(mesh, w[k], ma, g);
  pEdge c = M_createE(mesh, ma, mb, g);
  pFace t1 = makeTriangle(mesh, d, e[k], a1, g);
  pFace t2 = makeTriangle(mesh, d, c, b2, g);
  pFace t3 = makeTriangle(mesh, c, a2, b1, g);
  if (option > 1) {
    const double l1 = templatesUtil::V_distanceM(field, w[k], ma);
    const double l2 = templatesUtil::V_distanceM(field, mb, w[a]);
    if (l2 < 0.9 * l1) {
      PList_append(diagonalList, d);
      PList_append(diagonalList, t2);
    }
  }
  return adoptChildren(f, {d, c, t1, t2, t3}, {t1, t2, t3});
}

pPList meshTemplate::get_split_faces_3(pFace f, int flag) {
  void* p = nullptr;
  if (EN_getDataPtr(f, childrenTag, &p)) return static_cast<pPList>(p);
  pVertex w[3];
  pEdge e[3];
  int dir[3];
  faceCycle(f, w, e, dir);
  pVertex m[3];
  pEdge h1[3], h2[3];  // halves at w[i] and at w[i+1]
  for (int i = 0; i < 3; ++i) {
    pPList ch = get_split_edges(e[i], flag);
    m[i] = item(ch, 0);
    h1[i] = item(ch, dir[i] ? 1 : 2);
    h2[i] = item(ch, dir[i] ? 2 : 1);
  }
  pGEntity g = F_whatIn(f);
  pEdge I0 = M_createE(mesh, m[0], m[1], g);
  pEdge I1 = M_createE(mesh, m[1], m[2], g);
  pEdge I2 = M_createE(mesh, m[2], m[0], g);
  pFace c0 = makeTriangle(mesh, I2, h2[2], h1[0], g);
  pFace c1 = makeTriangle(mesh, I0, h2[0], h1[1], g);
  pFace c2 = makeTriangle(mesh, I1, h2[1], h1[2], g);
  pFace inner = makeTriangle(mesh, I2, I0, I1, g);
  return adoptChildren(f, {I2, I0, I1, c0, c1, c2, inner}, {c0, c1, c2, inner});
}
