// Tetrahedron sub-templates: the interior of a rotated tetrahedron whose edges
// and faces are already split. The new tetrahedra are given by their vertices
// (corners 0..3, mid-vertices m0..m5 of the split edges, the Steiner vertex c);
// their faces are the triangles of the refined faces, the whole unsplit faces
// and interior triangles made here.
#include <cstdio>
#include <vector>

#include "MT_topology.h"

#include "meshTemplate.h"
#include "templatesUtil.h"

using namespace KORA;

namespace {

enum Label { M0 = 4, M1, M2, M3, M4, M5, C };

pEntity item(pPList l, int i) { return static_cast<pEntity>(PList_item(l, i)); }

// The triangle a b c when it exists.
pFace findFace(pVertex a, pVertex b, pVertex c) {
  pEdge ab = nullptr;
  for (int i = 0; i < V_numEdges(a) && !ab; ++i) {
    pEdge e = V_edge(a, i);
    if (E_vertex(e, 0) == b || E_vertex(e, 1) == b) ab = e;
  }
  if (!ab) return nullptr;
  for (int i = 0; i < E_numFaces(ab); ++i) {
    pFace f = E_face(ab, i);
    for (int k = 0; k < F_numEdges(f); ++k) {
      pEdge e = F_edge(f, k);
      if (E_vertex(e, 0) == c || E_vertex(e, 1) == c) return f;
    }
  }
  return nullptr;
}

// Builds the tetrahedra of one sub-template variant.
class Builder {
 public:
  Builder(meshTemplate& t, pEdge e[6], pFace F[4], pVertex v[4], pGEntity g, pPList* newRegions,
          pPList* newEdges)
      : t_(t), F_(F), g_(g) {
    if (t.option & 1) {
      *newRegions = PList_new();
      *newEdges = PList_new();
      regions_ = *newRegions;
      edges_ = *newEdges;
    }
    for (int k = 0; k < 4; ++k) L_[k] = v[k];
    // Mid-vertices of the split edges; without the rotated edges, of the
    // edges joining the corners.
    static const int ends[6][2] = {{0, 1}, {1, 2}, {0, 2}, {0, 3}, {1, 3}, {2, 3}};
    for (int k = 0; k < 6; ++k) {
      pEdge ek = e ? e[k] : E_exists(v[ends[k][0]], v[ends[k][1]]);
      void* p = nullptr;
      L_[M0 + k] = ek && EN_getDataPtr(ek, t.childrenTag, &p) ? item(static_cast<pPList>(p), 0) : nullptr;
    }
  }

  pVertex label(int k) const { return L_[k]; }
  void setLabel(int k, pVertex x) { L_[k] = x; }
  pPList regions() const { return regions_; }
  pPList* edgeList() { return &edges_; }

  pEdge edge(int a, int b) { return t_.get_edge_by_verts(t_.mesh, L_[a], L_[b], g_, &edges_); }

  // The new edges of the refined faces of the tetrahedron, face by face.
  void faceEdges() {
    for (int k = 0; k < 4; ++k) {
      pPList ch = children(k);
      if (!ch || !edges_) continue;
      const int n = PList_size(ch) == 3 ? 1 : PList_size(ch) == 5 ? 2 : 3;
      for (int i = 0; i < n; ++i) PList_append(edges_, PList_item(ch, i));
    }
  }

  pPList children(int k) const {
    void* p = nullptr;
    return EN_getDataPtr(F_[k], t_.childrenTag, &p) ? static_cast<pPList>(p) : nullptr;
  }

  pFace face(int a, int b, int c) {
    if (pFace f = findFace(L_[a], L_[b], L_[c])) return f;
    pEdge e[3] = {edge(a, b), edge(b, c), edge(c, a)};
    int d[3] = {1, 1, 1};
    pFace f = M_createF(t_.mesh, 3, e, d, g_);
    made_.push_back(f);
    return f;
  }

  pRegion tet(const int x[4]) {
    pFace f[4] = {face(x[0], x[1], x[2]), face(x[0], x[1], x[3]), face(x[1], x[2], x[3]), face(x[0], x[2], x[3])};
    int d[4] = {1, 1, 1, 1};
    pRegion r = M_createR(t_.mesh, 4, f, d, g_);
    if (regions_) PList_append(regions_, r);
    made_.push_back(r);
    return r;
  }

  template <int N>
  void tets(const int (&x)[N][4]) {
    for (int i = 0; i < N; ++i) tet(x[i]);
  }

  // Records the interior edge a-b for a split-collapse when the other
  // diagonal o1-o2 of its quadrilateral is clearly shorter in the metric.
  void diagonal(int a, int b, int o1, int o2, int third) {
    if (t_.option <= 1) return;
    const double inner = templatesUtil::V_distanceM(t_.field, L_[a], L_[b]);
    const double other = templatesUtil::V_distanceM(t_.field, L_[o1], L_[o2]);
    if (other < 0.9 * inner) {
      PList_append(t_.diagonalList, edge(a, b));
      PList_append(t_.diagonalList, findFace(L_[a], L_[b], L_[third]));
    }
  }

  const std::vector<pEntity>& made() const { return made_; }

 private:
  meshTemplate& t_;
  pFace* F_;
  pGEntity g_;
  pVertex L_[11] = {};
  pPList regions_ = nullptr;
  pPList edges_ = nullptr;
  std::vector<pEntity> made_;
};

}  // namespace

// ------------------------------------------------------------ building blocks

pEdge meshTemplate::get_edge_by_verts(pMesh m, pVertex a, pVertex b, pGEntity g, pPList* list) {
  for (int i = 0; i < V_numEdges(b); ++i) {
    pEdge e = V_edge(b, i);
    if (E_otherVertex(e, b) == a) return e;
  }
  pEdge e = M_createE(m, a, b, g);
  if ((option & 1) && list && *list) PList_append(*list, e);
  return e;
}

pFace meshTemplate::get_face_by_edge_vert(pMesh m, pEdge e, pVertex x, pGEntity g, pPList* list) {
  pVertex a = E_vertex(e, 0), b = E_vertex(e, 1);
  pEdge ax = get_edge_by_verts(m, a, x, g, list);
  for (int i = 0; i < E_numFaces(e); ++i) {
    pFace f = E_face(e, i);
    for (int k = 0; k < F_numEdges(f); ++k)
      if (F_edge(f, k) == ax) return f;
  }
  pEdge bx = get_edge_by_verts(m, b, x, g, list);
  pEdge loop[3] = {e, bx, ax};
  int d[3] = {1, E_vertex(bx, 0) != x, E_vertex(ax, 0) == x};
  return M_createF(m, 3, loop, d, g);
}

pRegion meshTemplate::face_vert_create_region(pMesh m, pVertex x, pFace f, int dir, pGEntity g, pPList* list) {
  pFace faces[4] = {f, nullptr, nullptr, nullptr};
  int dirs[4] = {dir, 0, 0, 0};
  for (int i = 0; i < 3; ++i) {
    const int k = dir == 0 ? i : 2 - i;
    faces[i + 1] = get_face_by_edge_vert(m, F_edge(f, k), x, g, list);
    dirs[i + 1] = dir == 0 ? F_edgeDir(f, k) : 1 - F_edgeDir(f, k);
  }
  return M_createR(m, 4, faces, dirs, g);
}

void meshTemplate::faces_vert_create_regions(pMesh m, pVertex x, int n, pFace faces[], int dirs[],
                                             pGEntity models[], pPList* newRegions, pPList* newEdges) {
  for (int i = 0; i < n; ++i) {
    pRegion r = face_vert_create_region(m, x, faces[i], dirs[i], models[i], newEdges);
    if ((option & 1) && newRegions && *newRegions) PList_append(*newRegions, r);
  }
}

// ---------------------------------------------------------------- templates

void meshTemplate::sub_template_1(pEdge e[6], pFace F[4], int*, pVertex v[4], pGEntity g, pPList* newRegions,
                                  pPList* newEdges) {
  Builder b(*this, e, F, v, g, newRegions, newEdges);
  b.faceEdges();
  static const int t[2][4] = {{0, 2, 3, M0}, {1, 2, 3, M0}};
  b.tets(t);
}

void meshTemplate::sub_template_2_1(pEdge e[6], pFace F[4], int* dir, pVertex v[4], pGEntity g,
                                    pPList* newRegions, pPList* newEdges) {
  Builder b(*this, e, F, v, g, newRegions, newEdges);
  b.faceEdges();
  static const int t0[3][4] = {{0, 1, 3, M1}, {0, 3, M1, M2}, {2, 3, M1, M2}};
  static const int t1[3][4] = {{0, 1, 3, M2}, {1, 3, M1, M2}, {2, 3, M1, M2}};
  if (dir[0] == 0)
    b.tets(t0);
  else
    b.tets(t1);
}

void meshTemplate::sub_template_2_2(pEdge e[6], pFace F[4], int*, pVertex v[4], pGEntity g, pPList* newRegions,
                                    pPList* newEdges) {
  Builder b(*this, e, F, v, g, newRegions, newEdges);
  b.edge(M0, M5);
  b.faceEdges();
  static const int t[4][4] = {{0, 3, M0, M5}, {1, 3, M0, M5}, {0, 2, M0, M5}, {1, 2, M0, M5}};
  b.tets(t);
}

void meshTemplate::sub_template_3_1(pEdge e[6], pFace F[4], int*, pVertex v[4], pGEntity g, int c,
                                    pPList* newRegions, pPList* newEdges) {
  Builder b(*this, e, F, v, g, newRegions, newEdges);
  b.edge(M2, M4);
  b.faceEdges();
  static const int t[4][5][4] = {
      {{0, M0, M2, M4}, {1, M0, M2, M4}, {1, 2, M2, M4}, {2, 3, M2, M4}, {0, 3, M2, M4}},
      {{0, M0, M2, M4}, {2, M0, M2, M4}, {1, 2, M0, M4}, {2, 3, M2, M4}, {0, 3, M2, M4}},
      {{3, M0, M2, M4}, {1, M0, M2, M4}, {1, 2, M2, M4}, {2, 3, M2, M4}, {0, 3, M0, M2}},
      {{3, M0, M2, M4}, {2, M0, M2, M4}, {1, 2, M0, M4}, {2, 3, M2, M4}, {0, 3, M0, M2}}};
  b.tets(t[c]);
}

void meshTemplate::sub_template_3_2(pEdge e[6], pFace F[4], int*, pVertex v[4], pGEntity g, int c,
                                    pPList* newRegions, pPList* newEdges) {
  Builder b(*this, e, F, v, g, newRegions, newEdges);
  b.edge(M1, M3);
  b.faceEdges();
  static const int t[4][5][4] = {
      {{0, 2, M0, M3}, {1, 3, M0, M1}, {2, M0, M1, M3}, {2, 3, M1, M3}, {3, M0, M1, M3}},
      {{0, M0, M1, M3}, {1, 3, M0, M1}, {0, 2, M1, M3}, {2, 3, M1, M3}, {3, M0, M1, M3}},
      {{0, 2, M0, M3}, {1, M0, M1, M3}, {2, M0, M1, M3}, {2, 3, M1, M3}, {1, 3, M1, M3}},
      {{0, M0, M1, M3}, {1, M0, M1, M3}, {1, 3, M1, M3}, {2, 3, M1, M3}, {0, 2, M1, M3}}};
  b.tets(t[c]);
}

namespace {
// The Steiner vertex of a rotated tetrahedron: at its centroid, or its metric
// centroid with the metric there; created with the id reserved on the region.
pVertex steinerVertex(meshTemplate& t, pVertex v[4], pGEntity g) {
  double xyz[3] = {0.0, 0.0, 0.0};
  metric* M = nullptr;
  if (t.field) {
    t.field->centroid(v, xyz, &M);
  } else {
    for (int k = 0; k < 4; ++k) {
      double x[3];
      V_coord(v[k], x);
      for (int i = 0; i < 3; ++i) xyz[i] += 0.25 * x[i];
    }
  }
  int id = 0;
  EN_getDataInt(t.currentRegion, t.uniqueIdTag, &id);
  EN_deleteData(t.currentRegion, t.uniqueIdTag);
  double par[3] = {0.0, 0.0, 0.0};
  pVertex c = M_createVP2(t.mesh, xyz, par, id, g);
  if (M) t.field->adoptMetric(c, M);
  return c;
}

// The vertex of triangle f that is not on edge d.
pVertex oppositeVertex(pFace f, pEdge d) {
  pVertex a = E_vertex(d, 0), b = E_vertex(d, 1);
  for (int k = 0; k < F_numEdges(f); ++k)
    for (int i = 0; i < 2; ++i) {
      pVertex w = E_vertex(F_edge(f, k), i);
      if (w != a && w != b) return w;
    }
  return nullptr;
}

// With recording on: the Steiner vertex keeps, for each face split with two
// edges, its diagonal d and the vertices of B and A opposite d.
void recordSteiner(meshTemplate& t, pVertex c, pPList faceChildren[], int n) {
  if (t.option <= 1) return;
  pPList triples = PList_new();
  for (int i = 0; i < n; ++i) {
    pEdge d = item(faceChildren[i], 0);
    PList_append(triples, d);
    PList_append(triples, oppositeVertex(item(faceChildren[i], 3), d));
    PList_append(triples, oppositeVertex(item(faceChildren[i], 2), d));
  }
  EN_attachDataPtr(c, t.childrenTag, triples);
  PList_append(t.steinerList, c);
}
}  // namespace

void meshTemplate::sub_template_3_3_a(pFace F[4], int dir[4], pVertex v[4], pGEntity g, int code,
                                      pPList* newRegions, pPList* newEdges) {
  if (code != 0 && code != 7) std::printf("sub_template_3_3_a: pb\n");
  pPList fch[3] = {nullptr, nullptr, nullptr};
  const int split[3] = {0, 1, 3};
  Builder b(*this, nullptr, F, v, g, newRegions, newEdges);
  for (int i = 0; i < 3; ++i) fch[i] = b.children(split[i]);
  b.faceEdges();
  static const int corner[4] = {0, M0, M2, M3};
  b.tet(corner);
  pFace T = b.face(M0, M2, M3);
  pVertex c = steinerVertex(*this, v, g);
  pFace around[8];
  int dirs[8];
  pGEntity models[8];
  for (int i = 0; i < 3; ++i) {
    around[2 * i] = item(fch[i], 2);
    around[2 * i + 1] = item(fch[i], 3);
    dirs[2 * i] = dirs[2 * i + 1] = dir[split[i]];
  }
  around[6] = T;
  dirs[6] = 0;
  around[7] = F[2];
  dirs[7] = dir[2];
  for (pGEntity& m : models) m = g;
  pPList regions = b.regions();
  faces_vert_create_regions(mesh, c, 8, around, dirs, models, &regions, b.edgeList());
  recordSteiner(*this, c, fch, 3);
}

void meshTemplate::sub_template_3_3_b(pEdge e[6], pFace F[4], int*, pVertex v[4], pGEntity g, int code,
                                      pPList* newRegions, pPList* newEdges) {
  Builder b(*this, e, F, v, g, newRegions, newEdges);
  b.faceEdges();
  static const int t[6][4][4] = {{{0, M0, M2, M3}, {2, M0, M2, M3}, {2, 3, M0, M3}, {1, 2, 3, M0}},
                                 {{0, M0, M2, M3}, {1, M0, M2, M3}, {1, 2, M2, M3}, {1, 2, 3, M3}},
                                 {{0, M0, M2, M3}, {2, M0, M2, M3}, {1, 2, M0, M3}, {1, 2, 3, M3}},
                                 {{0, M0, M2, M3}, {3, M0, M2, M3}, {1, 3, M0, M2}, {1, 2, 3, M2}},
                                 {{0, M0, M2, M3}, {3, M0, M2, M3}, {2, 3, M0, M2}, {1, 2, 3, M0}},
                                 {{0, M0, M2, M3}, {1, M0, M2, M3}, {1, 3, M2, M3}, {1, 2, 3, M2}}};
  b.tets(t[code - 1]);
}

void meshTemplate::sub_template_3_4(pEdge e[6], pFace F[4], int*, pVertex v[4], pGEntity g, pPList* newRegions,
                                    pPList* newEdges) {
  Builder b(*this, e, F, v, g, newRegions, newEdges);
  b.faceEdges();
  static const int t[4][4] = {{0, 3, M0, M2}, {1, 3, M0, M1}, {2, 3, M1, M2}, {3, M0, M1, M2}};
  b.tets(t);
}

void meshTemplate::sub_template_4_1(pEdge e[6], pFace F[4], int*, pVertex v[4], pGEntity g, int c,
                                    pPList* newRegions, pPList* newEdges) {
  Builder b(*this, e, F, v, g, newRegions, newEdges);
  if (c != 2) b.edge(M1, M3);
  b.faceEdges();
  static const int t0[6][4] = {{0, M0, M2, M3}, {1, 3, M0, M1}, {M0, M1, M2, M3},
                               {3, M0, M1, M3}, {2, M1, M2, M3}, {2, 3, M1, M3}};
  static const int t1[6][4] = {{0, M0, M2, M3}, {M0, M1, M2, M3}, {1, M0, M1, M3},
                               {1, 3, M1, M3}, {2, M1, M2, M3}, {2, 3, M1, M3}};
  static const int t2[5][4] = {{0, M0, M2, M3}, {3, M0, M2, M3}, {1, 3, M0, M1}, {2, 3, M1, M2}, {3, M0, M1, M2}};
  static const int t3[6][4] = {{0, M0, M2, M3}, {1, M0, M1, M3}, {1, 3, M1, M3},
                               {M0, M1, M2, M3}, {3, M1, M2, M3}, {2, 3, M1, M2}};
  if (c == 0) b.tets(t0);
  else if (c == 1) b.tets(t1);
  else if (c == 2) b.tets(t2);
  else b.tets(t3);
}

void meshTemplate::sub_template_4_2_a(pEdge e[6], pFace F[4], pVertex v[4], pGEntity g, int c,
                                      pPList* newRegions, pPList* newEdges) {
  Builder b(*this, e, F, v, g, newRegions, newEdges);
  const bool m24 = c == 5 || c == 7 || c == 11 || c == 13 || c == 14 || c == 15;
  if (m24)
    b.edge(M2, M4);
  else
    b.edge(M1, M3);
  b.faceEdges();
  static const int t[16][6][4] = {
      {{0, M1, M2, M3}, {0, 1, M1, M3}, {1, M1, M3, M4}, {3, M1, M3, M4}, {2, M1, M2, M3}, {2, 3, M1, M3}},
      {{0, 1, M2, M3}, {1, M1, M2, M3}, {1, M1, M3, M4}, {3, M1, M3, M4}, {2, M1, M2, M3}, {2, 3, M1, M3}},
      {{0, M1, M2, M3}, {0, M1, M3, M4}, {0, 1, M1, M4}, {3, M1, M3, M4}, {2, M1, M2, M3}, {2, 3, M1, M3}},
      {},
      {{0, M1, M2, M3}, {0, 1, M1, M3}, {1, M1, M3, M4}, {2, M1, M3, M4}, {2, M1, M2, M3}, {2, 3, M3, M4}},
      {{0, 1, M2, M3}, {1, M2, M3, M4}, {1, M1, M2, M4}, {2, M1, M2, M4}, {2, M2, M3, M4}, {2, 3, M3, M4}},
      {{0, M1, M2, M3}, {0, M1, M3, M4}, {0, 1, M1, M4}, {2, M1, M3, M4}, {2, M1, M2, M3}, {2, 3, M3, M4}},
      {{0, M2, M3, M4}, {0, 1, M2, M4}, {1, M1, M2, M4}, {2, M1, M2, M4}, {2, M2, M3, M4}, {2, 3, M3, M4}},
      {{0, M1, M2, M3}, {0, 1, M1, M3}, {1, M1, M3, M4}, {3, M1, M3, M4}, {3, M1, M2, M3}, {2, 3, M1, M2}},
      {{0, 1, M2, M3}, {1, M1, M2, M3}, {1, M1, M3, M4}, {3, M1, M3, M4}, {3, M1, M2, M3}, {2, 3, M1, M2}},
      {{0, M1, M2, M3}, {0, M1, M3, M4}, {0, 1, M1, M4}, {3, M1, M3, M4}, {3, M1, M2, M3}, {2, 3, M1, M2}},
      {{0, M2, M3, M4}, {0, 1, M2, M4}, {1, M1, M2, M4}, {3, M1, M2, M4}, {3, M2, M3, M4}, {2, 3, M1, M2}},
      {},
      {{0, 1, M2, M3}, {1, M2, M3, M4}, {1, M1, M2, M4}, {2, M1, M2, M4}, {2, 3, M2, M4}, {3, M2, M3, M4}},
      {{0, M2, M3, M4}, {0, M1, M2, M4}, {0, 1, M1, M4}, {2, M1, M2, M4}, {2, 3, M2, M4}, {3, M2, M3, M4}},
      {{0, M2, M3, M4}, {0, 1, M2, M4}, {1, M1, M2, M4}, {2, M1, M2, M4}, {2, 3, M2, M4}, {3, M2, M3, M4}}};
  b.tets(t[c]);
  if (m24)
    b.diagonal(M2, M4, M1, M3, M1);
  else
    b.diagonal(M1, M3, M2, M4, M2);
}

void meshTemplate::sub_template_4_2_b(pFace F[4], int dir[4], pVertex v[4], pGEntity g, pPList* newRegions,
                                      pPList* newEdges) {
  Builder b(*this, nullptr, F, v, g, newRegions, newEdges);
  b.faceEdges();
  pPList fch[4];
  pFace around[12];
  int dirs[12];
  pGEntity models[12];
  for (int k = 0; k < 4; ++k) {
    fch[k] = b.children(k);
    for (int i = 0; i < 3; ++i) {
      around[3 * k + i] = item(fch[k], 2 + i);
      dirs[3 * k + i] = dir[k];
      models[3 * k + i] = g;
    }
  }
  pVertex c = steinerVertex(*this, v, g);
  pPList regions = b.regions();
  faces_vert_create_regions(mesh, c, 12, around, dirs, models, &regions, b.edgeList());
  recordSteiner(*this, c, fch, 4);
}

void meshTemplate::sub_template_5(pEdge e[6], pFace F[4], int*, pVertex v[4], pGEntity g, int c,
                                  pPList* newRegions, pPList* newEdges) {
  Builder b(*this, e, F, v, g, newRegions, newEdges);
  if (c == 0)
    b.edge(M1, M3);
  else
    b.edge(M2, M4);
  b.faceEdges();
  static const int t[4][7][4] = {{{0, M1, M2, M3},
                                  {0, 1, M1, M3},
                                  {1, M1, M3, M4},
                                  {M1, M3, M4, M5},
                                  {M1, M2, M3, M5},
                                  {2, M1, M2, M5},
                                  {3, M3, M4, M5}},
                                 {{0, 1, M2, M3},
                                  {1, M2, M3, M4},
                                  {1, M1, M2, M4},
                                  {M1, M2, M4, M5},
                                  {M2, M3, M4, M5},
                                  {2, M1, M2, M5},
                                  {3, M3, M4, M5}},
                                 {{0, M2, M3, M4},
                                  {0, M1, M2, M4},
                                  {0, 1, M1, M4},
                                  {M1, M2, M4, M5},
                                  {M2, M3, M4, M5},
                                  {2, M1, M2, M5},
                                  {3, M3, M4, M5}},
                                 {{0, M2, M3, M4},
                                  {0, 1, M2, M4},
                                  {1, M1, M2, M4},
                                  {M1, M2, M4, M5},
                                  {M2, M3, M4, M5},
                                  {2, M1, M2, M5},
                                  {3, M3, M4, M5}}};
  b.tets(t[c]);
  if (c == 0)
    b.diagonal(M1, M3, M2, M4, M2);
  else
    b.diagonal(M2, M4, M1, M3, M1);
}

void meshTemplate::sub_template_6(pRegion r, pEdge e[6], pFace F[4], int*, pVertex v[4], pGEntity g,
                                  pPList* newRegions, pPList* newEdges) {
  // Uniform refinement splits edges and faces on demand.
  for (int k = 0; k < 6; ++k) get_split_edges(e[k], 0);
  for (int k = 0; k < 4; ++k) get_split_faces_3(F[k], 0);
  Builder b(*this, e, F, v, g, newRegions, newEdges);
  b.faceEdges();
  pEdge inner = b.edge(M0, M5);
  static const int t[8][4] = {{0, M0, M2, M3},  {1, M0, M1, M4},  {2, M1, M2, M5},  {3, M3, M4, M5},
                              {M0, M3, M4, M5}, {M0, M1, M4, M5}, {M0, M1, M2, M5}, {M0, M2, M3, M5}};
  b.tets(t);
  if (parentTag) {
    pEntity parent = EN_whatIn(r);
    EN_attachDataPtr(inner, parentTag, parent);
    for (pEntity x : b.made()) EN_attachDataPtr(x, parentTag, parent);
  }
}
