// Mesh handles, iterators, indexed access and the entry points that fail in a fixed way.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "cint_fixtures.h"
#include "mEdge.h"
#include "mException.h"

using namespace KORA;
using namespace cinttest;

namespace {
// The two lines an exception prints when it is made, for a line and a text.
std::string exceptionLines(int line, const std::string& text) {
  return "an exception has been thrown at line " + std::to_string(line) + " in file cint/KORA\nTEXT : " +
         text + "\n";
}

template <class F>
void expectException(F f, int line, const std::string& text) {
  std::string out;
  bool thrown = false;
  testing::internal::CaptureStdout();
  try {
    f();
  } catch (mException* e) {
    thrown = true;
    EXPECT_EQ(e->getLine(), line);
    EXPECT_EQ(e->getFile(), "cint/KORA");
    delete e;
  }
  out = testing::internal::GetCapturedStdout();
  EXPECT_TRUE(thrown) << text;
  EXPECT_EQ(out, exceptionLines(line, text));
}
}  // namespace

TEST(CintHandles, MeshesAreListedUntilDeleted) {
  pMesh m1 = MS_newMesh(nullptr);
  pMesh m2 = MS_newMesh(nullptr);
  EXPECT_NE(m1, m2);
  EXPECT_EQ(m1->getId(), 1);
  EXPECT_EQ(m2->getId(), 1);
  EXPECT_EQ(MS_newMesh(m1), m1);
  EXPECT_EQ(M_model(m1), m1);
  EXPECT_TRUE(isThisAMesh(m1));
  const auto before = allMeshes.size();
  M_delete(m1);
  EXPECT_FALSE(isThisAMesh(m1));
  EXPECT_EQ(allMeshes.size(), before - 1);
  M_delete(m2);
  M_delete(nullptr);
  MS_init();
  MS_exit();
}

TEST(CintHandles, EdgeIteratorFollowsCreationAndGuardsDeletion) {
  MeshHolder h;
  pVertex v[4];
  for (int k = 0; k < 4; ++k) v[k] = h.vertex(k, 0, 0);
  for (int k = 0; k < 3; ++k) M_createE(h.m, v[k], v[k + 1], nullptr);
  EIter it = M_edgeIter(h.m);
  std::vector<pEdge> seen;
  pEdge first = EIter_next(it);
  seen.push_back(first);
  pEdge made = M_createE(h.m, v[0], v[3], nullptr);  // reached last by the walk
  // Deleting the entity just returned is allowed.
  M_removeEdge(h.m, first);
  pEdge next = EIter_next(it);
  seen.push_back(next);
  // Deleting one that is neither just returned nor next is refused with the
  // message and the integer 1, and nothing changes.
  pEdge other = made;
  const int edgesBefore = M_numEdges(h.m);
  const int v0Edges = V_numEdges(other->get(0, 0));
  int caught = 0;
  const std::string out = printed([&] {
    try {
      M_removeEdge(h.m, other);
    } catch (int i) {
      caught = i;
    }
  });
  EXPECT_EQ(caught, 1);
  EXPECT_NE(out.find("there is an iterator of dimension 1 where you delete a mesh entity which is not the "
                     "current one\n"),
            std::string::npos);
  EXPECT_EQ(M_numEdges(h.m), edgesBefore);
  EXPECT_EQ(V_numEdges(other->get(0, 0)), v0Edges);
  EXPECT_EQ(h.m->find(other), other);
  // Removing a vertex (another dimension) leaves the edge walk alone.
  M_removeVertex(h.m, h.vertex(5, 5, 5));
  while (pEdge e = EIter_next(it)) seen.push_back(e);
  EXPECT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen.back(), made);
  EXPECT_EQ(EIter_next(it), nullptr);
  EXPECT_EQ(EIter_next(it), nullptr);  // no wrap-around
  EIter_reset(it);
  EXPECT_NE(EIter_next(it), nullptr);
  EIter_delete(it);

  RIter r = M_regionIter(h.m);
  EXPECT_EQ(RIter_next(r), nullptr);
  RIter_delete(r);
}

TEST(CintHandles, CountsAndRandomAccess) {
  Star3D s;
  EXPECT_EQ(M_numRegions(s.m), 4);
  EXPECT_EQ(M_numFaces(s.m), 10);
  EXPECT_EQ(M_numEdges(s.m), 10);
  EXPECT_EQ(M_numVertices(s.m), 5);
  EXPECT_EQ(EN_type(M_region(s.m, 0)), 3);
  EXPECT_EQ(EN_type(M_face(s.m, 0)), 2);
  EXPECT_EQ(EN_type(M_edge(s.m, 0)), 1);
  EXPECT_EQ(EN_type(M_vertex(s.m, 0)), 0);
  expectException([&] { M_region(s.m, 1); }, 199, "No random access iterators to regions in KORA");
  expectException([&] { M_face(s.m, 2); }, 205, "No random access iterators to faces in KORA");
  expectException([&] { M_edge(s.m, 1); }, 211, "No random access iterators to edges in KORA");
  expectException([&] { M_vertex(s.m, 1); }, 217, "No random access iterators to vertices in KORA");
  MeshHolder empty;
  EXPECT_EQ(M_region(empty.m, 0), nullptr);
  EXPECT_EQ(M_vertex(empty.m, 0), nullptr);
}

TEST(CintHandles, StubsFailInTheirFixedWay) {
  MeshHolder h;
  pVertex v = h.vertex(0, 0, 0);
  pVertex w = h.vertex(1, 0, 0);
  pEdge e = M_createE(h.m, v, w, nullptr);
  pPoint p = P_new();
  expectException([&] { P_param1(p); }, 662, "KORA does not implement function P_param1(pPoint)");
  expectException([&] { P_param2(p, nullptr, nullptr, nullptr); }, 666,
                  "KORA does not implement function  P_param2(pPoint, double *p1, double *p2, int *ptch)");
  expectException([&] { E_point(e, 0); }, 881, "points are not supported on mesh edges, ask zq");
  expectException([&] { GE_point(nullptr, 0.0, nullptr); }, 886, "points are not supported on model edges, ask zq");
  expectException([&] { GF_point(nullptr, nullptr, nullptr); }, 891,
                  "points are not supported on model faces, ask zq");
  expectException([&] { E_otherVertex(e, nullptr); }, 675, "E_otherVertex failed");
  EXPECT_THROW(M_numPoints(h.m), int);
  EXPECT_THROW(M_nextRegion(h.m, nullptr), int);
  EXPECT_THROW(M_createP(h.m, 0, 0, 0, nullptr, 0, nullptr), int);
  EXPECT_THROW(P_setParam1(p, 0.5), int);
  EXPECT_THROW(P_setParam2(p, 0.5, 0.5, 0), int);
  EXPECT_THROW(V_merge(v, w), int);
  EXPECT_THROW(E_merge(e, e), int);
  EXPECT_THROW(F_merge2(nullptr, nullptr), int);
  EXPECT_THROW(EN_setID(v, 3), int);
  EXPECT_THROW(M_classifiedEdgeIter(h.m, nullptr, 1), int);
  EXPECT_EQ(E_numPoints(e), 0);
  EXPECT_EQ(M_numEdges(h.m), 1);
  P_delete(p);
  P_delete(nullptr);
}

TEST(CintHandles, PointsAndIndexedAccess) {
  Star3D s;
  pPoint p = V_point(s.o);
  P_setPos(p, 0.2, 0.3, 0.1);
  double xyz[3];
  V_coord(s.o, xyz);
  EXPECT_EQ(xyz[0], 0.2);
  EXPECT_EQ(xyz[1], 0.3);
  EXPECT_EQ(xyz[2], 0.1);
  pPoint q = P_new();
  EXPECT_EQ(P_x(q), 0.0);
  EXPECT_EQ(P_y(q), 0.0);
  EXPECT_EQ(P_z(q), 0.0);
  P_setPos(q, 0.25, 0.25, 0.25);
  V_setPoint(s.o, q);
  EXPECT_EQ(P_z(V_point(s.o)), 0.25);
  P_delete(q);

  pRegion r = s.opposite;
  EXPECT_EQ(R_numFaces(r), 4);
  EXPECT_EQ(R_numVertices(r), 4);
  EXPECT_EQ(V_numEdges(s.o), 4);
  pEdge e = s.edgeTo(s.p[1], s.p[2]);
  EXPECT_EQ(E_numVertices(e), 2);
  EXPECT_EQ(E_numFaces(e), 3);  // two outer faces and one through O
  EXPECT_EQ(E_otherVertex(e, E_vertex(e, 0)), E_vertex(e, 1));
  EXPECT_EQ(E_otherVertex(e, E_vertex(e, 1)), E_vertex(e, 0));
  // A vertex and an edge without the upward list count 0.
  MeshHolder h;
  pVertex a = h.vertex(0, 0, 0);
  EXPECT_EQ(V_numEdges(a), 0);
  pEdge lone = h.m->createEdge(V(a), V(h.vertex(1, 0, 0)), nullptr);
  EXPECT_EQ(E_numFaces(lone), 0);
  // Regions of a face by index: a boundary face has one.
  pFace outer = s.m->getTri(V(s.p[1]), V(s.p[2]), V(s.p[3]));
  EXPECT_EQ(F_region(outer, 0), r);
  EXPECT_EQ(F_region(outer, 1), nullptr);
  // A face without a stored region list has none by index.
  pFace loose = h.m->createFaceWithVertices(V(a), V(h.vertex(1, 1, 0)), V(h.vertex(0, 1, 0)), nullptr);
  EXPECT_EQ(F_region(loose, 0), nullptr);
}

TEST(CintHandles, WriteSmsNamesTheFileWithMsh) {
  Star3D s;
  const std::string name = "cint_partialMesh";
  M_writeSMS(s.m, name.c_str());
  EXPECT_TRUE(std::filesystem::exists(name + ".msh"));
  std::filesystem::remove(name + ".msh");
}
