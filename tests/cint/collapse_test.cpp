// Edge collapse in three and two dimensions, its callback and its refusals.
#include <gtest/gtest.h>

#include "cint_fixtures.h"

using namespace KORA;
using namespace cinttest;

namespace {
struct Seen {
  int calls = 0;
  int oldCount = 0;
  int newCount = 0;
  int kind = -1;
  pEntity entity = nullptr;
  bool entityStillInMesh = false;
  pMesh mesh = nullptr;
  int vdelId = 0;
  std::vector<pGEntity> newClassification;
};

void record(pPList olds, pPList news, void* data, modType kind, pEntity e) {
  Seen* s = static_cast<Seen*>(data);
  ++s->calls;
  s->oldCount = PList_size(olds);
  s->newCount = PList_size(news);
  s->kind = kind;
  s->entity = e;
  s->entityStillInMesh = s->mesh->getVertex(s->vdelId) == e;
  for (int i = 0; i < PList_size(news); ++i)
    s->newClassification.push_back(EN_whatIn(static_cast<pEntity>(PList_item(news, i))));
}

struct Results {
  pPList edges = PList_new(), faces = PList_new(), regions = PList_new();
  ~Results() {
    PList_delete(edges);
    PList_delete(faces);
    PList_delete(regions);
  }
};

std::vector<int> counts(pMesh m) { return {M_numVertices(m), M_numEdges(m), M_numFaces(m), M_numRegions(m)}; }
}  // namespace

TEST(CintCollapse, InteriorVertexOfFourTetrahedraOntoACorner) {
  Star3D s;
  Seen seen;
  seen.mesh = s.m;
  seen.vdelId = EN_id(s.o);
  // The boundary of the unit tetrahedron lies on a model face; what is rebuilt
  // against it keeps the lower-level model entity.
  pGEntity boundary = s.m->getGEntity(1, 2);
  const int tris[4][3] = {{0, 1, 2}, {0, 1, 3}, {1, 2, 3}, {0, 2, 3}};
  for (const auto& t : tris) F_setWhatIn(s.m->getTri(V(s.p[t[0]]), V(s.p[t[1]]), V(s.p[t[2]])), boundary);
  Results res;
  PList_append(res.regions, s.o);  // result lists are emptied first
  pEdge e = s.edgeTo(s.o, s.p[0]);
  ASSERT_EQ(E_colaps(s.m, e, s.o, s.p[0], record, &seen, res.edges, res.faces, res.regions), 1);

  EXPECT_EQ(seen.calls, 1);
  EXPECT_EQ(seen.oldCount, 4);
  EXPECT_EQ(seen.newCount, 1);
  EXPECT_EQ(seen.kind, 0);
  EXPECT_EQ(seen.entity, s.o);
  EXPECT_TRUE(seen.entityStillInMesh);
  ASSERT_EQ(seen.newClassification.size(), 1u);
  EXPECT_EQ(seen.newClassification[0], s.r2);  // the model region of the region replaced

  EXPECT_EQ(counts(s.m), (std::vector<int>{4, 6, 4, 1}));
  EXPECT_EQ(s.m->getVertex(seen.vdelId), nullptr);
  ASSERT_EQ(PList_size(res.regions), 1);
  mTet* t = static_cast<mTet*>(PList_item(res.regions, 0));
  EXPECT_NEAR(Volume(t), 1.0 / 6.0, 1e-15);
  EXPECT_EQ(R_whatIn(t), s.r2);
  EXPECT_EQ(PList_size(res.faces), 4);
  EXPECT_EQ(PList_size(res.edges), 6);
  // Upward lists are consistent again: each face bounds the tetrahedron only,
  // each edge lies on two faces, each vertex on three edges.
  for (int i = 0; i < 4; ++i) {
    pFace f = R_face(t, i);
    EXPECT_EQ(F_whatIn(f), boundary);
    EXPECT_EQ(F_region(f, 0), t);
    EXPECT_EQ(F_region(f, 1), nullptr);
  }
  for (int i = 0; i < PList_size(res.edges); ++i) EXPECT_EQ(E_numFaces(static_cast<pEdge>(PList_item(res.edges, i))), 2);
  for (pVertex v : s.p) EXPECT_EQ(V_numEdges(v), 3);
  pPList around = V_regions(s.p[0]);
  EXPECT_EQ(PList_size(around), 1);
  PList_delete(around);
}

TEST(CintCollapse, CentreOfFourTrianglesOntoACorner) {
  Star2D s;
  Seen seen;
  seen.mesh = s.m;
  seen.vdelId = EN_id(s.o);
  Results res;
  const std::string out = printed([&] {
    EXPECT_EQ(E_colaps(s.m, s.oa, s.o, s.a, record, &seen, res.edges, res.faces, res.regions), 1);
  });
  EXPECT_EQ(out, "");
  EXPECT_EQ(seen.calls, 1);
  EXPECT_EQ(seen.oldCount, 4);
  EXPECT_EQ(seen.newCount, 2);
  EXPECT_TRUE(seen.entityStillInMesh);
  EXPECT_EQ(counts(s.m), (std::vector<int>{4, 5, 2, 0}));
  EXPECT_EQ(PList_size(res.faces), 2);
  EXPECT_EQ(PList_size(res.regions), 0);
  EXPECT_EQ(PList_size(res.edges), 5);
  // The diagonal takes the model face of the inner edge it replaces; the sides keep their model edges.
  pEdge ac = s.m->getEdge(V(s.a), V(s.c));
  ASSERT_NE(ac, nullptr);
  EXPECT_EQ(E_whatIn(ac), s.face);
  EXPECT_EQ(E_numFaces(ac), 2);
  EXPECT_EQ(E_whatInType(s.ab), 1);
  EXPECT_EQ(V_numEdges(s.a), 3);
  EXPECT_EQ(V_numEdges(s.c), 3);
}

TEST(CintCollapse, AnEdgeOnAModelFaceLeftWithOneFaceIsReported) {
  MeshHolder h;
  pGEntity face = h.m->getGEntity(1, 2);
  pVertex a = h.vertex(0, 0, 0), b = h.vertex(1, 0, 0), c = h.vertex(1, 1, 0), o = h.vertex(0.4, 0.5, 0);
  pEdge ab = M_createE(h.m, a, b, face), bc = M_createE(h.m, b, c, face);
  pEdge oa = M_createE(h.m, o, a, face), ob = M_createE(h.m, o, b, face), oc = M_createE(h.m, o, c, face);
  pEdge t0[3] = {oa, ab, ob}, t1[3] = {ob, bc, oc};
  M_createF(h.m, 3, t0, nullptr, face);
  M_createF(h.m, 3, t1, nullptr, face);
  Results res;
  const std::string out =
      printed([&] { EXPECT_EQ(E_colaps(h.m, oa, o, a, nullptr, nullptr, res.edges, res.faces, res.regions), 1); });
  EXPECT_EQ(out.rfind("ahrrrgh edge ", 0), 0u) << out;
  EXPECT_EQ(counts(h.m), (std::vector<int>{3, 3, 1, 0}));
}

TEST(CintCollapse, RefusalsChangeNothing) {
  {  // no faces but another edge
    MeshHolder h;
    pVertex a = h.vertex(0, 0, 0), b = h.vertex(1, 0, 0), c = h.vertex(2, 0, 0);
    pEdge ab = M_createE(h.m, a, b, nullptr);
    M_createE(h.m, b, c, nullptr);
    Results res;
    EXPECT_EQ(E_colaps(h.m, ab, b, a, nullptr, nullptr, res.edges, res.faces, res.regions), 0);
    EXPECT_EQ(counts(h.m), (std::vector<int>{3, 2, 0, 0}));
    EXPECT_EQ(V_numEdges(b), 2);
    // A lone edge: the edge and the vertex go.
    pVertex d = h.vertex(0, 5, 0);
    pEdge ad = M_createE(h.m, a, d, nullptr);
    EXPECT_EQ(E_colaps(h.m, ad, d, a, nullptr, nullptr, res.edges, res.faces, res.regions), 1);
    EXPECT_EQ(counts(h.m), (std::vector<int>{3, 2, 0, 0}));
    EXPECT_EQ(V_numEdges(a), 1);
  }
  {  // faces but no regions, in a mesh of regions
    Star3D s;
    pVertex q = s.vertex(2, 2, 0, s.r1);
    pEdge e1 = M_createE(s.m, s.p[1], q, s.r1);
    pEdge e2 = M_createE(s.m, q, s.p[2], s.r1);
    pEdge side[3] = {e1, e2, s.edgeTo(s.p[2], s.p[1])};
    M_createF(s.m, 3, side, nullptr, s.r1);
    const std::vector<int> before = counts(s.m);
    Seen seen;
    seen.mesh = s.m;
    Results res;
    EXPECT_EQ(E_colaps(s.m, e1, q, s.p[1], record, &seen, res.edges, res.faces, res.regions), 0);
    EXPECT_EQ(seen.calls, 0);
    EXPECT_EQ(counts(s.m), before);
  }
}

TEST(CintCollapse, AThousandCollapsesLeaveNothingBehind) {
  for (int k = 0; k < 1000; ++k) {
    Star3D s;
    Results res;
    ASSERT_EQ(E_colaps(s.m, s.edgeTo(s.o, s.p[k % 4]), s.o, s.p[k % 4], nullptr, nullptr, res.edges,
                       res.faces, res.regions),
              1);
    ASSERT_EQ(M_numRegions(s.m), 1);
    Star2D t;
    ASSERT_EQ(E_colaps(t.m, t.ob, t.o, t.b, nullptr, nullptr, res.edges, res.faces, res.regions), 1);
    ASSERT_EQ(M_numFaces(t.m), 2);
  }
}
