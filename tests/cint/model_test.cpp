// Model entities: iteration, look-up, sides, closure, projection and the mapping file.
#include <gtest/gtest.h>

#include <fstream>

#include "../common/temp_dir.h"
#include "cint_fixtures.h"
#include "mException.h"

using namespace KORA;
using namespace cinttest;

TEST(CintModel, IterationInIdOrderCountsAndTags) {
  MeshHolder h;
  for (int id : {7, 3, 5}) h.m->getGEntity(id, 2);
  h.m->getGEntity(2, 1, 5);
  GFIter it = GM_faceIter(h.m);
  std::vector<int> ids;
  while (pGFace f = GFIter_next(it)) ids.push_back(GEN_id(f));
  EXPECT_EQ(ids, (std::vector<int>{3, 5, 7}));
  EXPECT_EQ(GFIter_next(it), nullptr);
  GFIter_reset(it);
  EXPECT_EQ(GEN_id(GRIter_next(it)), 3);  // the iterator carries its level
  GFIter_delete(it);
  GRIter_delete(nullptr);

  GRIter r = GM_regionIter(h.m);
  EXPECT_EQ(GRIter_next(r), nullptr);
  GRIter_delete(r);
  EXPECT_EQ(GM_numRegions(h.m), 0);
  EXPECT_EQ(GM_numFaces(h.m), 3);
  EXPECT_EQ(GM_numEdges(h.m), 1);
  EXPECT_EQ(GM_numVertices(h.m), 0);

  h.m->getGEntity(9, 2, 5);  // a second model face tagged 5
  pGEntity byTag = GM_entityByTag(h.m, 2, 5);
  ASSERT_NE(byTag, nullptr);
  EXPECT_EQ(GEN_id(byTag), 5);
  EXPECT_EQ(GEN_tag(h.m->getGEntity(9, 2)), 5);
  EXPECT_EQ(GEN_type(byTag), 2);
  // A miss answers null and creates nothing.
  EXPECT_EQ(GM_entityByTag(h.m, 3, 5), nullptr);
  EXPECT_EQ(GM_numRegions(h.m), 0);
  GM_delete(h.m);
}

TEST(CintModel, SidesEndsClosureAndTolerance) {
  MeshHolder h;
  pGEntity r2 = h.m->getGEntity(2, 3), r4 = h.m->getGEntity(4, 3);
  pGEntity between = h.m->getGEntity(1, 2), single = h.m->getGEntity(2, 2), none = h.m->getGEntity(3, 2);
  between->add(r4);
  between->add(r2);
  single->add(r4);
  r4->add(single);
  EXPECT_EQ(GF_region(between, 0), r2);
  EXPECT_EQ(GF_region(between, 1), r4);
  EXPECT_EQ(GF_region(single, 0), nullptr);
  EXPECT_EQ(GF_region(single, 1), r4);
  EXPECT_EQ(GF_region(none, 0), nullptr);
  EXPECT_EQ(GF_region(none, 1), nullptr);
  EXPECT_EQ(G_entity(between, 2, 3), nullptr);  // two slots only
  EXPECT_EQ(G_entity(between, -1, 3), nullptr);
  pGEntity three = h.m->getGEntity(5, 2);
  for (pGEntity r : {r2, r4, h.m->getGEntity(6, 3)}) three->add(r);
  EXPECT_EQ(G_entity(three, 1, 3), r4);  // more matches than slots: the first two

  pGEntity edge = h.m->getGEntity(1, 1), v9 = h.m->getGEntity(9, 0), v2 = h.m->getGEntity(2, 0);
  edge->add(v9);
  edge->add(v2);
  for (pGEntity f : {between, single, none}) edge->add(f);
  EXPECT_EQ(GE_vertex(edge, 0), v2);
  EXPECT_EQ(GE_vertex(edge, 1), v9);
  EXPECT_EQ(GE_numFaces(edge), 3);
  single->add(edge);
  EXPECT_EQ(GF_inClosure(single, single), 1);
  EXPECT_EQ(GR_inClosure(r4, edge), 1);
  EXPECT_EQ(GF_inClosure(single, r4), 0);
  EXPECT_EQ(GEN_inClosure(edge, single), 0);
  EXPECT_EQ(GEN_tolerance(v9), 1e-08);
  EXPECT_EQ(GEN_tolerance(r2), 1e-08);
  EXPECT_EQ(C_F_edgeDir(), 1);

  // Adjacency lists by level, in id order.
  pGEntity reg = h.m->getGEntity(8, 3);
  for (int id : {7, 3, 5}) reg->add(h.m->getGEntity(id, 2));
  for (int id : {1, 2}) reg->add(h.m->getGEntity(id, 1));
  pPList faces = GR_faces(reg);
  ASSERT_EQ(PList_size(faces), 3);
  EXPECT_EQ(GEN_id(static_cast<pGEntity>(PList_item(faces, 0))), 3);
  EXPECT_EQ(GEN_id(static_cast<pGEntity>(PList_item(faces, 2))), 7);
  PList_delete(faces);
  pPList edges = GR_edges(reg);
  EXPECT_EQ(PList_size(edges), 2);
  PList_delete(edges);
  pPList verts = GR_vectices(reg);
  EXPECT_EQ(PList_size(verts), 0);
  PList_delete(verts);
  pPList noRegions = GV_regions(v9);
  EXPECT_EQ(PList_size(noRegions), 0);
  PList_delete(noRegions);
}

TEST(CintModel, UnsupportedQueriesThrowTheInteger) {
  double a[3] = {0, 0, 0}, b[3] = {0, 0, 0};
  double lo = 0, hi = 0;
  EXPECT_THROW(GM_bounds(nullptr, a, b), int);
  EXPECT_THROW(GF_parRange(nullptr, 0, &lo, &hi), int);
  EXPECT_THROW(GF_parRange(nullptr, 0, lo, hi), int);
  EXPECT_THROW(GE_parRange(nullptr, &lo, &hi), int);
  EXPECT_THROW(GV_point(nullptr, a), int);
  EXPECT_THROW(C_gmtype(2, nullptr), int);
  EXPECT_THROW(GF_vertices(nullptr), int);
  EXPECT_THROW(GE_vertices(nullptr), int);
  EXPECT_THROW(GF_geomDirection(nullptr), int);
  EXPECT_THROW(GM_tolerance(nullptr), int);
}

TEST(CintModel, ClosestPointOnTheModelMesh) {
  MeshHolder h;
  pGEntity g = h.m->getGEntity(3, 1, 30);
  double p[3] = {1.2, 1.6, 0.0}, out[3] = {7, 7, 7};  // 2 from the edge's first end
  EXPECT_EQ(C_closestPoint(g, p, out), 0);  // no model mesh
  EXPECT_EQ(out[0], 7);

  MeshHolder model;
  pGEntity target = model.m->getGEntity(30, 1);
  model.m->createEdge(V(model.vertex(0, 0, 0)), V(model.vertex(2, 0, 0)), target);
  h.m->setMeshModel(model.m);
  EXPECT_EQ(C_closestPoint(1, g, p, nullptr, nullptr, nullptr, out, nullptr), 1);
  EXPECT_DOUBLE_EQ(out[0], 1.2);
  EXPECT_DOUBLE_EQ(out[1], 0.0);
  // A failing projection (no edge on that model entity) answers 0; its exception is freed.
  pGEntity lonely = h.m->getGEntity(4, 1);
  out[0] = 7;
  testing::internal::CaptureStdout();
  EXPECT_EQ(C_closestPoint(lonely, p, out), 0);
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(out[0], 7);
  h.m->setMeshModel(nullptr);
}

TEST(CintModel, MappingFileGivesTheModelEntities) {
  dgtest::TempDir dir("cint-model");
  {
    std::ofstream tir("wing.tir");
    tir << "vertex v 11 w x 1\n"
           "edge e 12 w x 2\n"
           "face f 13 w x 3\n"
           "region r 14 w x 4\n"
           "face f 15 w x 5\n"
           "body b 16 w x 6\n";
  }
  pGModel model = nullptr;
  EXPECT_EQ(printed([&] { model = GM_createFromParasolidFile("wing.x_t"); }), "trying to open wing.tir\n");
  EXPECT_TRUE(isThisAMesh(model));
  EXPECT_EQ(GM_numVertices(model), 1);
  EXPECT_EQ(GM_numEdges(model), 1);
  EXPECT_EQ(GM_numFaces(model), 2);
  EXPECT_EQ(GM_numRegions(model), 1);
  EXPECT_EQ(GEN_id(GM_entityByTag(model, 2, 15)), 5);
  M_delete(model);

  // The stem ends at the first '.'; a name without one is its own stem.
  std::rename("wing.tir", "a.tir");
  EXPECT_EQ(printed([&] { model = GM_createFromParasolidFile("a.b.c"); }), "trying to open a.tir\n");
  EXPECT_EQ(GM_numFaces(model), 2);
  M_delete(model);
  std::rename("a.tir", "plain.tir");
  EXPECT_EQ(printed([&] { model = GM_createFromParasolidFile("plain"); }), "trying to open plain.tir\n");
  EXPECT_EQ(GM_numRegions(model), 1);
  M_delete(model);

  // A missing mapping file gives an empty model after the reader's message.
  const std::string out = printed([&] { model = GM_createFromParasolidFile("missing.x_t"); });
  EXPECT_EQ(out.rfind("trying to open missing.tir\n", 0), 0u);
  EXPECT_NE(out.find("Cannot open ids_2_tag Mapping file missing.tir"), std::string::npos);
  EXPECT_TRUE(isThisAMesh(model));
  EXPECT_EQ(GM_num(model, 2), 0);
  M_delete(model);
}
