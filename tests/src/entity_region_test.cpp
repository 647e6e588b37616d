// Regions: tetrahedra (orientation, volume, construction from faces,
// templates), hexahedra and prisms (templates and tables), and the shared
// face and edge queries.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "entity_helpers.h"
#include "mEdge.h"
#include "mFace.h"
#include "mHex.h"
#include "mPrism.h"
#include "mTet.h"
#include "mVertex.h"

using namespace KORA;
using entity_test::Pool;

namespace {
std::vector<mEntity*> verticesOf(const mEntity* f) {
  std::vector<mEntity*> r;
  for (int k = 0; k < f->size(0); ++k) r.push_back(f->get(0, k));
  return r;
}

mPoint pt(const mEntity* v) { return static_cast<const mVertex*>(v)->point(); }

// Right-hand normal of a face from its first three vertices.
mVector normalOf(const mEntity* f) {
  return (pt(f->get(0, 1)) - pt(f->get(0, 0))) % (pt(f->get(0, 2)) - pt(f->get(0, 0)));
}

mPoint centreOf(const mEntity* e) {
  mPoint c;
  const int n = e->size(0);
  for (int k = 0; k < n; ++k) c += pt(e->get(0, k)) * (1.0 / n);
  return c;
}

// Checks the local numbering tables of one kind against each other: the
// faces of an edge contain its vertices, the faces of a vertex contain it,
// the two edges of a vertex meet there, and the edges of a face join its
// vertices.
template <int NE, int NF, int NV, int FV>
void checkTables(const int (&Tev)[NE][2], const int (&Tef)[NE][2], const int (&Tfv)[NF][FV],
                 const int (&Tfe)[NF][FV], const int (&Tve)[NV][2], const int (&Tvf)[NV][3]) {
  auto faceHas = [&](int f, int v) {
    for (int k = 0; k < FV; ++k)
      if (Tfv[f][k] == v) return true;
    return false;
  };
  for (int e = 0; e < NE; ++e)
    for (int s = 0; s < 2; ++s) {
      EXPECT_TRUE(faceHas(Tef[e][s], Tev[e][0]) && faceHas(Tef[e][s], Tev[e][1])) << "edge " << e;
    }
  for (int v = 0; v < NV; ++v) {
    for (int s = 0; s < 3; ++s) EXPECT_TRUE(faceHas(Tvf[v][s], v)) << "vertex " << v;
    for (int s = 0; s < 2; ++s) {
      const int e = Tve[v][s];
      EXPECT_TRUE(Tev[e][0] == v || Tev[e][1] == v) << "vertex " << v;
    }
  }
  for (int f = 0; f < NF; ++f) {
    const int n = (FV == 4 && Tfv[f][3] == -1) ? 3 : FV;
    for (int k = 0; k < n; ++k) {
      const int e = Tfe[f][k];
      EXPECT_TRUE(faceHas(f, Tev[e][0]) && faceHas(f, Tev[e][1])) << "face " << f << " edge " << k;
      EXPECT_TRUE(Tef[e][0] == f || Tef[e][1] == f) << "face " << f << " edge " << k;
    }
  }
}
}  // namespace

TEST(EntityTet, StoredPositivelyOrientedWithExactVolume) {
  Pool p;
  mVertex* a = p.vertex(1, 0, 0, 0);
  mVertex* b = p.vertex(2, 2, 0, 0);
  mVertex* c = p.vertex(3, 0, 3, 0);
  mVertex* d = p.vertex(4, 0, 0, 4);
  mTet pos(a, b, c, d, nullptr);
  EXPECT_EQ(verticesOf(&pos), (std::vector<mEntity*>{a, b, c, d}));
  EXPECT_DOUBLE_EQ(Volume(&pos), 2.0 * 3.0 * 4.0 / 6.0);

  mTet neg(a, c, b, d, nullptr);  // negative as given
  EXPECT_EQ(verticesOf(&neg), (std::vector<mEntity*>{c, a, b, d}));
  EXPECT_EQ(neg.getId(), pos.getId());
  EXPECT_EQ(neg.getId(), a->getRAND() + b->getRAND() + c->getRAND() + d->getRAND());
  EXPECT_DOUBLE_EQ(Volume(&neg), 4.0);
  EXPECT_TRUE(neg.equal(&pos));
  EXPECT_EQ(pos.getType(), mEntity::TET);
  EXPECT_EQ(pos.getLevel(), 3);
  char expected[128];
  // neg holds c, a, b, d: ids 3 1 2 4
  std::snprintf(expected, sizeof(expected), "tet %p with vertices 3 1 2 4\n", (void*)&neg);
  EXPECT_EQ(entity_test::captured([&] { neg.print(); }), expected);
}

TEST(EntityTet, NearlyFlatTetrahedraPrintTheirVertices) {
  Pool p;
  mVertex* a = p.vertex(1, 0, 0, 0);
  mVertex* b = p.vertex(2, 1, 0, 0);
  mVertex* c = p.vertex(3, 0, 1, 0);
  const std::string four =
      "vertex 1 = (0.000000,0.000000,0.000000)\n"
      "vertex 2 = (1.000000,0.000000,0.000000)\n"
      "vertex 3 = (0.000000,1.000000,0.000000)\n";
  const std::string last = "vertex 4 = (0.000000,0.000000,";
  struct Case {
    double z;  // height of the fourth vertex
    bool printed, reordered;
  } cases[] = {
      {6e-12, false, false},   // volume 1e-12: not below the threshold
      {0.0, true, false},      // flat: printed, order kept
      {-3e-12, true, true},    // small negative: printed and reordered
      {-6e-12, false, true},   // volume -1e-12
  };
  for (const Case& k : cases) {
    mVertex* d = p.vertex(4, 0, 0, k.z);
    mTet* t = nullptr;
    const std::string out = entity_test::captured([&] { t = new mTet(a, b, c, d, nullptr); });
    p.keep(t);
    if (k.printed)
      EXPECT_EQ(out.substr(0, (four + last).size()), four + last) << k.z;
    else
      EXPECT_EQ(out, "") << k.z;
    EXPECT_EQ(t->get(0, 0), k.reordered ? b : a) << k.z;
    EXPECT_GE(Volume(t), 0.0);
  }
}

TEST(EntityTet, BuiltFromFacesDerivesItsVertices) {
  Pool p;
  mVertex* v[4] = {p.vertex(1, 0, 0, 0), p.vertex(2, 1, 0, 0), p.vertex(3, 0, 1, 0), p.vertex(4, 0, 0, 1)};
  mTet ref(v[0], v[1], v[2], v[3], nullptr);
  mFace* f[4];
  for (int i = 0; i < 4; ++i) f[i] = p.keep(static_cast<mFace*>(ref.getTemplate(i, 2, 0)));

  // In template order the derived vertices are those of ref: positive.
  mTet t1(f[0], f[1], f[2], f[3], nullptr);
  EXPECT_EQ(verticesOf(&t1), verticesOf(&ref));
  EXPECT_EQ(t1.get(2, 0), f[0]);
  EXPECT_EQ(t1.getId(), ref.getId());
  EXPECT_TRUE(t1.equal(&ref));

  // Exchanging the first two faces exchanges derived vertices 2 and 3: the
  // tet puts them back.
  mTet t2(f[1], f[0], f[2], f[3], nullptr);
  EXPECT_EQ(t2.get(2, 0), f[0]);
  EXPECT_EQ(t2.get(2, 1), f[1]);
  EXPECT_GT(Volume(&t2), 0.0);
  EXPECT_DOUBLE_EQ(Volume(&t2), 1.0 / 6.0);
  EXPECT_EQ(t2.getId(), ref.getId());

  // Faces that do not bound one tetrahedron are refused.
  mVertex* far = p.vertex(9, 5, 5, 5);
  mFace* stray = p.keep(new mFace(v[1], v[2], far, nullptr));
  entity_test::expectMException([&] { mTet bad(f[0], f[1], stray, f[3], nullptr); }, "src/mTet");
}

TEST(EntityTet, TemplatesAndFailures) {
  Pool p;
  mVertex* v[4] = {p.vertex(1, 0, 0, 0), p.vertex(2, 1, 0, 0), p.vertex(3, 0, 1, 0), p.vertex(4, 0, 0, 1)};
  mTet t(v[0], v[1], v[2], v[3], nullptr);
  EXPECT_EQ(t.getNbTemplates(0), 4);
  EXPECT_EQ(t.getNbTemplates(1), 6);
  EXPECT_EQ(t.getNbTemplates(2), 4);
  std::string out = entity_test::expectMException([&] { t.getNbTemplates(3); }, "src/mTet");
  EXPECT_NE(out.find("TEXT : \n"), std::string::npos);
  out = entity_test::expectMException([&] { t.getTemplate(0, 3, 0); }, "src/mTet");
  EXPECT_NE(out.find("TEXT : this tet template is not done\n"), std::string::npos);
  entity_test::expectMException([&] { t.getTemplate(0, 2, 2); }, "src/mTet");

  for (int i = 0; i < 6; ++i) {
    mEntity* e0 = t.getTemplate(i, 1, 0);
    mEntity* e7 = t.getTemplate(i, 1, 7);
    EXPECT_EQ(e0->get(0, 0), v[mTet::Tev[i][0]]);
    EXPECT_EQ(e0->get(0, 1), v[mTet::Tev[i][1]]);
    EXPECT_EQ(verticesOf(e0), verticesOf(e7));
    t.add(e0);
    p.keep(e0);
    delete e7;
  }
  // With stored edges, faces made from edges: face 3 lists 2, 0, 3; the
  // others come out as from vertices.
  for (int i = 0; i < 4; ++i) {
    mEntity* byV = t.getTemplate(i, 2, 0);
    mEntity* byE = t.getTemplate(i, 2, 1);
    std::vector<mEntity*> expected = {v[mTet::Tfv[i][0]], v[mTet::Tfv[i][1]], v[mTet::Tfv[i][2]]};
    EXPECT_EQ(verticesOf(byV), expected);
    if (i == 3) expected = {v[2], v[0], v[3]};
    EXPECT_EQ(verticesOf(byE), expected) << "face " << i;
    EXPECT_EQ(byE->get(1, 0), t.get(1, mTet::Tfe[i][0]));
    delete byV;
    delete byE;
  }
  // Without stored edges, faces from edges are refused rather than built on
  // edges nobody owns.
  mTet bare(v[0], v[1], v[2], v[3], nullptr);
  entity_test::expectMException([&] { bare.getTemplate(0, 2, 1); }, "src/mTet");
}

TEST(EntityTet, VertexAndEdgeTemplatesFromStoredLists) {
  Pool p;
  mVertex* v[4] = {p.vertex(1, 0, 0, 0), p.vertex(2, 1, 0, 0), p.vertex(3, 0, 1, 0), p.vertex(4, 0, 0, 1)};
  mTet ref(v[0], v[1], v[2], v[3], nullptr);
  // Faces with stored edge lists: the tet's edge templates are those edges.
  mEdge* e[6];
  for (int i = 0; i < 6; ++i) e[i] = p.keep(static_cast<mEdge*>(ref.getTemplate(i, 1, 0)));
  mFace* f[4];
  for (int i = 0; i < 4; ++i)
    f[i] = p.keep(new mFace(e[mTet::Tfe[i][0]], e[mTet::Tfe[i][1]], e[mTet::Tfe[i][2]], nullptr));
  mTet t(f[0], f[1], f[2], f[3], nullptr);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(t.getTemplate(i, 1, 0), e[i]);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(t.get(0, k), v[k]);

  // Vertex templates from an edge list alone.
  mTet onlyEdges;
  for (int i = 0; i < 6; ++i) onlyEdges.add(e[i]);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(onlyEdges.getTemplate(k, 0, 0), v[k]);
  mTet nothing;
  EXPECT_EQ(nothing.getTemplate(0, 0, 0), nullptr);
}

TEST(EntityRegion, CommonFaceAndCommonEdge) {
  Pool p;
  mVertex* a = p.vertex(1, 0, 0, 0);
  mVertex* b = p.vertex(2, 1, 0, 0);
  mVertex* c = p.vertex(3, 0, 1, 0);
  mVertex* d = p.vertex(4, 0, 0, 1);
  mVertex* e = p.vertex(5, 0, 0, -1);
  mVertex* g = p.vertex(6, 1, 1, 1);
  mTet t1(a, b, c, d, nullptr), t2(a, c, b, e, nullptr), t3(a, b, g, e, nullptr);
  EXPECT_EQ(t1.commonFace(&t2), nullptr);  // no face lists
  mFace* abc = p.keep(new mFace(a, b, c, nullptr));
  for (mTet* t : {&t1, &t2})
    for (int i = 0; i < 4; ++i) {
      mFace* tf = static_cast<mFace*>(t->getTemplate(i, 2, 0));
      if (tf->equal(abc)) {
        delete tf;
        t->add(abc);
      } else {
        t->add(p.keep(tf));
      }
    }
  EXPECT_EQ(t1.commonFace(&t2), abc);
  EXPECT_EQ(t2.commonFace(&t1), abc);

  // t1, t2 and t3 share the edge (a, b) only; t3 keeps no edge list, the
  // others do.
  for (mTet* t : {&t1, &t2})
    for (int i = 0; i < 6; ++i) t->add(p.keep(t->getTemplate(i, 1, 0)));
  mEdge* shared = t1.commonEdge(&t2, &t3);
  ASSERT_NE(shared, nullptr);
  EXPECT_TRUE(t1.find(shared) == shared);
  EXPECT_TRUE((shared->vertex(0) == a && shared->vertex(1) == b) ||
              (shared->vertex(0) == b && shared->vertex(1) == a));
  mTet t4(c, d, g, p.vertex(7, 3, 3, 3), nullptr);
  EXPECT_EQ(t1.commonEdge(&t2, &t4), nullptr);
}

TEST(EntityHexPrism, TablesAreConsistent) {
  checkTables(mTet::Tev, mTet::Tef, mTet::Tfv, mTet::Tfe, mTet::Tve, mTet::Tvf);
  checkTables(mHex::Tev, mHex::Tef, mHex::Tfv, mHex::Tfe, mHex::Tve, mHex::Tvf);
  checkTables(mPrism::Tev, mPrism::Tef, mPrism::Tfv, mPrism::Tfe, mPrism::Tve, mPrism::Tvf);
}

TEST(EntityHexPrism, FaceNormalsOfTheTemplates) {
  Pool p;
  // Unit cube, bottom counter-clockwise seen from the top.
  const double xyz[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
  mVertex* hv[8];
  for (int k = 0; k < 8; ++k) hv[k] = p.vertex(k + 1, xyz[k][0], xyz[k][1], xyz[k][2]);
  mHex h(hv[0], hv[1], hv[2], hv[3], hv[4], hv[5], hv[6], hv[7], nullptr);
  const mPoint hc = centreOf(&h);
  for (int i = 0; i < 6; ++i) {
    mEntity* f = h.getTemplate(i, 2, 0);
    EXPECT_EQ(f->getType(), mEntity::QUAD);
    EXPECT_GT(normalOf(f) * (centreOf(f) - hc), 0.0) << "hex face " << i << " points out";
    delete f;
  }
  // Prism: triangle 0 1 2 counter-clockwise seen from 3 4 5; normals point in.
  const double pxyz[6][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {0, 1, 1}};
  mVertex* pv[6];
  for (int k = 0; k < 6; ++k) pv[k] = p.vertex(20 + k, pxyz[k][0], pxyz[k][1], pxyz[k][2]);
  mPrism pr(pv[0], pv[1], pv[2], pv[3], pv[4], pv[5], nullptr);
  const mPoint pc = centreOf(&pr);
  for (int i = 0; i < 5; ++i) {
    mEntity* f = pr.getTemplate(i, 2, 0);
    EXPECT_EQ(f->getType(), i < 2 ? mEntity::TRI : mEntity::QUAD);
    EXPECT_LT(normalOf(f) * (centreOf(f) - pc), 0.0) << "prism face " << i << " points in";
    delete f;
  }
}

TEST(EntityHexPrism, IdsTemplatesAndFailures) {
  Pool p;
  mVertex* v[8];
  for (int k = 0; k < 8; ++k) v[k] = p.vertex(k + 1, k, k * k, 1);
  mHex h(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], nullptr);
  mHex hr(v[7], v[6], v[5], v[4], v[3], v[2], v[1], v[0], nullptr);
  int sum = 0;
  for (mVertex* x : v) sum += x->getRAND();
  EXPECT_EQ(h.getId(), sum);
  EXPECT_EQ(hr.getId(), sum);
  EXPECT_EQ(hr.get(0, 0), v[7]);  // stored as given
  EXPECT_TRUE(h.equal(&hr));
  EXPECT_EQ(h.getType(), mEntity::HEX);
  EXPECT_EQ(h.getNbTemplates(0), 8);
  EXPECT_EQ(h.getNbTemplates(1), 12);
  EXPECT_EQ(h.getNbTemplates(2), 6);
  EXPECT_EQ(h.getTemplate(0, 3, 0), nullptr);
  std::string out = entity_test::expectMException([&] { h.getNbTemplates(3); }, "src/mHex");
  EXPECT_NE(out.find("TEXT : trying to ask for adjacency list of level 3 for an hex when it's not created\n"),
            std::string::npos);
  char line[200];
  std::snprintf(line, sizeof(line), "hex %ld with vertices 1 2 3 4 5 6 7 8\n", (long)h.getId());
  EXPECT_EQ(entity_test::captured([&] { h.print(); }), line);

  mPrism pr(v[0], v[1], v[2], v[3], v[4], v[5], nullptr);
  EXPECT_EQ(pr.getType(), mEntity::PRISM);
  EXPECT_EQ(pr.getNbTemplates(0), 6);
  EXPECT_EQ(pr.getNbTemplates(1), 9);
  EXPECT_EQ(pr.getNbTemplates(2), 5);
  EXPECT_EQ(pr.getTemplate(0, 3, 0), nullptr);
  EXPECT_EQ(pr.getTemplate(0, -1, 0), nullptr);
  out = entity_test::expectMException([&] { pr.getNbTemplates(3); }, "src/mPrism");
  EXPECT_NE(out.find("TEXT : trying to ask for adjacency list of level 3 for a prism when it's not created\n"),
            std::string::npos);
  std::snprintf(line, sizeof(line), "prism %ld with vertices 1 2 3 4 5 6 \n", (long)pr.getId());
  EXPECT_EQ(entity_test::captured([&] { pr.print(); }), line);

  for (int i = 0; i < 6; ++i) {
    out = entity_test::expectMException([&] { h.getTemplate(i, 2, 2); }, "src/mHex");
    EXPECT_NE(out.find("TEXT : weird adjacency asked\n"), std::string::npos);
  }
  for (int i = 0; i < 5; ++i) entity_test::expectMException([&] { pr.getTemplate(i, 2, 2); }, "src/mPrism");
  // Faces from edges need the stored edges.
  entity_test::expectMException([&] { h.getTemplate(0, 2, 1); }, "src/mHex");
  entity_test::expectMException([&] { pr.getTemplate(0, 2, 1); }, "src/mPrism");

  // Edge templates: new edges on Tev, also when the stored faces share none.
  for (int i = 0; i < 12; ++i) {
    mEntity* e = h.getTemplate(i, 1, 0);
    EXPECT_EQ(e->get(0, 0), v[mHex::Tev[i][0]]);
    EXPECT_EQ(e->get(0, 1), v[mHex::Tev[i][1]]);
    delete e;
  }
  for (int i = 0; i < 6; ++i) h.add(p.keep(h.getTemplate(i, 2, 0)));
  mEntity* e5 = h.getTemplate(5, 1, 0);
  EXPECT_EQ(e5->get(0, 0), v[1]);
  EXPECT_EQ(e5->get(0, 1), v[5]);
  delete e5;
  for (int k = 0; k < 8; ++k) EXPECT_EQ(h.getTemplate(k, 0, 0), v[k]);
}

TEST(EntityHexPrism, PrismFacesFromEdgesAndVerticesFromEdges) {
  Pool p;
  mVertex* v[6];
  for (int k = 0; k < 6; ++k) v[k] = p.vertex(k + 1, k % 3 == 1, k % 3 == 2, k / 3);
  mPrism pr(v[0], v[1], v[2], v[3], v[4], v[5], nullptr);
  mEdge* e[9];
  for (int i = 0; i < 9; ++i) {
    e[i] = p.keep(static_cast<mEdge*>(pr.getTemplate(i, 1, 0)));
    pr.add(e[i]);
  }
  struct Case {
    int face;
    std::vector<int> byVertices, byEdges;
  } cases[] = {
      {0, {0, 1, 2}, {1, 0, 2}},    {1, {3, 5, 4}, {4, 3, 5}},    {2, {0, 3, 4, 1}, {0, 3, 4, 1}},
      {3, {1, 4, 5, 2}, {1, 4, 5, 2}}, {4, {0, 2, 5, 3}, {3, 0, 2, 5}},
  };
  for (const Case& c : cases) {
    mEntity* fv = pr.getTemplate(c.face, 2, 0);
    mEntity* fe = pr.getTemplate(c.face, 2, 1);
    std::vector<mEntity*> ev, ee;
    for (int k : c.byVertices) ev.push_back(v[k]);
    for (int k : c.byEdges) ee.push_back(v[k]);
    EXPECT_EQ(verticesOf(fv), ev) << "face " << c.face;
    EXPECT_EQ(verticesOf(fe), ee) << "face " << c.face;
    delete fv;
    delete fe;
  }
  // A prism with an edge list and no vertex list answers its vertices.
  mPrism onlyEdges;
  for (int i = 0; i < 9; ++i) onlyEdges.add(e[i]);
  for (int k = 0; k < 6; ++k) EXPECT_EQ(onlyEdges.getTemplate(k, 0, 0), v[k]) << k;
  // The same for a hexahedron.
  mVertex* hv[8];
  for (int k = 0; k < 8; ++k) hv[k] = p.vertex(30 + k, k & 1, (k >> 1) & 1, k >> 2);
  mHex h(hv[0], hv[1], hv[3], hv[2], hv[4], hv[5], hv[7], hv[6], nullptr);
  mHex hOnlyEdges;
  for (int i = 0; i < 12; ++i) hOnlyEdges.add(p.keep(h.getTemplate(i, 1, 0)));
  for (int k = 0; k < 8; ++k) EXPECT_EQ(hOnlyEdges.getTemplate(k, 0, 0), h.get(0, k)) << k;
  // Hex faces made from edges list exactly the Tfv vertices.
  for (int i = 0; i < 12; ++i) h.add(hOnlyEdges.get(1, i));
  for (int i = 0; i < 6; ++i) {
    mEntity* fe = h.getTemplate(i, 2, 1);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(fe->get(0, k), h.get(0, mHex::Tfv[i][k])) << i;
    delete fe;
  }
}
