// Opposite entities, existence look-ups and neighbourhoods.
#include <gtest/gtest.h>

#include "MT_topology.h"
#include "mt_fixtures.h"

using namespace mttest;

TEST(MeshToolsTopology, OppositeEntitiesOfTheUnitTetrahedron) {
  UnitTet t;
  pVertex* p = t.p;
  pFace f123 = F_exists(0, p[1], p[2], p[3], nullptr);
  ASSERT_NE(f123, nullptr);
  EXPECT_EQ(R_vtOpFc(t.r, p[0]), f123);
  EXPECT_EQ(R_fcOpVt(t.r, f123), p[0]);
  pEdge e23 = E_exists(p[2], p[3]);
  EXPECT_EQ(F_vtOpEd(f123, p[1]), e23);
  EXPECT_EQ(F_edOpVt(f123, e23), p[1]);
  EXPECT_EQ(R_gtOppEdg(t.r, E_exists(p[0], p[1])), e23);
  EXPECT_EQ(E_exists(p[0], p[0]), nullptr);
  // The triangle from any vertex first, from its edges; not with a fourth
  // vertex off the face.
  EXPECT_EQ(F_exists(0, p[3], p[1], p[2], nullptr), f123);
  EXPECT_EQ(F_exists(1, e23, E_exists(p[1], p[2]), E_exists(p[1], p[3]), nullptr), f123);
  EXPECT_EQ(F_exists(0, p[1], p[2], p[3], p[0]), nullptr);
  EXPECT_EQ(F_exists(2, p[1], p[2], p[3], nullptr), nullptr);
  pPList faces = E_faces(e23);
  EXPECT_EQ(PList_size(faces), 2);
  PList_delete(faces);
}

TEST(MeshToolsTopology, BoundaryFacesOfAVertex) {
  EdgeRing h(4);
  // The axis is interior: its ends reach the boundary through their other edges.
  pPList top = V_bdryFaces(h.top);
  ASSERT_NE(top, nullptr);
  EXPECT_EQ(PList_size(top), 4);  // the four faces (ring[i], ring[i+1], top), each once
  PList_delete(top);
  MeshHolder lone;
  pVertex v = lone.vertex(0, 0, 0);
  EXPECT_EQ(V_bdryFaces(v), nullptr);
}

TEST(MeshToolsTopology, AppendListToList) {
  int a, b;
  pPList src = PList_new();
  PList_append(src, &a);
  PList_append(src, &a);
  pPList target = nullptr;
  PList_app2Lst(&target, src, 1);
  ASSERT_NE(target, nullptr);
  EXPECT_EQ(PList_size(target), 2);  // a new list takes everything
  PList_append(src, &b);
  PList_app2Lst(&target, src, 1);
  EXPECT_EQ(PList_size(target), 3);
  PList_app2Lst(&target, src, 0);
  EXPECT_EQ(PList_size(target), 6);
  PList_delete(src);
  PList_delete(target);
}
