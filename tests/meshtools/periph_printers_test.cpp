// The debugging printers' formats.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "MT_info.h"
#include "MT_topology.h"
#include "mt_fixtures.h"

using namespace mttest;

namespace {
template <class F>
std::string printed(F&& f) {
  ::testing::internal::CaptureStdout();
  f();
  return ::testing::internal::GetCapturedStdout();
}

std::string hex(const void* p) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "0x%jx", static_cast<std::uintmax_t>(reinterpret_cast<std::uintptr_t>(p)));
  return buf;
}
}  // namespace

TEST(MeshToolsPrinters, NullWrongKindAndStatistics) {
  EXPECT_EQ(printed([] { EN_info(nullptr); }), "Null pointer passed to EN_info\n");
  EXPECT_EQ(printed([] { R_info(nullptr); }), "Null pointer passed to R_info\n");
  EXPECT_EQ(printed([] { V_info(nullptr); }), "Null pointer passed to V_info\n");
  UnitTet h;
  EXPECT_EQ(printed([&] { R_info(h.p[0]); }), "\n****** Entity is not a Region!!!\n");
  EXPECT_EQ(printed([&] { F_info(h.r); }), "\n****** Entity is not a Face!!!\n");
  EXPECT_EQ(printed([&] { E_info(h.r); }), "\n****** Entity is not a Edge!!!\n");
  EXPECT_EQ(printed([&] { V_info(h.r); }), "\n****** Entity is not a Vertex!!!\n");
  EXPECT_EQ(printed([&] { M_info(h.m); }),
            "mesh/model statistics\n"
            " # regions :            1\n"
            " # faces   :            4\n"
            " # edges   :            6\n"
            " # vertices:            4\n");
}

TEST(MeshToolsPrinters, RegionGeometryAndTopology) {
  UnitTet h;
  const std::string out = printed([&] { EN_info(h.r); });
  const std::string heading = "\nRegion : " + hex(h.r) + " (ID=";
  EXPECT_EQ(out.rfind(heading, 0), 0u) << out;
  EXPECT_NE(out.find("model ent.: " + hex(h.region) + "  tag: 1\nGeometry:\n volume      :         0.16667\n"),
            std::string::npos)
      << out;
  // Dihedral angles of the corner tetrahedron: acos(1/sqrt(3)) and 90 degrees.
  EXPECT_NE(out.find(" dhd angles  :        54.73561\t       90.00000\n"), std::string::npos) << out;
  EXPECT_NE(out.find("Topology:\n\nFaces       (ids):   type  model ent.      tag   orient\n"), std::string::npos);
  EXPECT_NE(out.find("\nVertices    (ids):   type  model ent.      tag               coordinates\n"),
            std::string::npos);
  EXPECT_NE(out.find("     1.00000      0.00000      0.00000\n"), std::string::npos);
  // Four face lines, six edge lines, four vertex lines.
  int lines = 0;
  for (char c : out) lines += c == '\n';
  EXPECT_EQ(lines, 1 + 1 + 7 + 1 + 2 + 4 + 2 + 6 + 2 + 4);

  // Turned inside out: the volume, the warning and no further measures.
  P_setPos(V_point(h.p[3]), 0, 0, -1);
  const std::string bad = printed([&] { R_info(h.r); });
  EXPECT_NE(bad.find(" volume      :        -0.16667\n  *** invalid element! ***\nTopology:\n"), std::string::npos)
      << bad;
  EXPECT_EQ(bad.find("r/R ratio"), std::string::npos);
}

TEST(MeshToolsPrinters, FaceEdgeVertexAndLists) {
  UnitTet h;
  pFace f = F_exists(0, h.p[0], h.p[1], h.p[2], nullptr);
  const std::string face = printed([&] { F_info(f); });
  EXPECT_EQ(face.rfind("\nFace : " + hex(f) + " (ID=", 0), 0u) << face;
  EXPECT_NE(face.find("  type:  2  model ent.: " + hex(h.face) + "  tag: 1\nTopology:\n"), std::string::npos) << face;
  EXPECT_NE(face.find("\nRegions     (ids):   model ent.      tag\n " + hex(h.r) + " ("), std::string::npos) << face;
  pEdge e = E_exists(h.p[0], h.p[1]);
  const std::string edge = printed([&] { E_info(e); });
  EXPECT_NE(edge.find("\nVertices    (ids):   type model ent.      tag               coordinates\n"),
            std::string::npos);
  EXPECT_NE(edge.find("\nRegions     (ids):    model ent.      tag\n " + hex(h.r)), std::string::npos) << edge;
  // A vertex classified on nothing.
  pVertex lone = M_createVP(h.m, 1, 2, 3, nullptr, 0, nullptr);
  const std::string v = printed([&] { V_info(lone); });
  EXPECT_EQ(v.rfind("\n****** Null Classification\nVertex: " + hex(lone), 0), 0u) << v;
  EXPECT_NE(v.find("  type: -1  model ent.: 0x0  tag: -1\nCoordinates:         1.00000         2.00000         3.00000\n"),
            std::string::npos)
      << v;
  pPList l = PList_new();
  EXPECT_EQ(printed([&] { PList_printx(l); }), "List " + hex(l) + ":\n\t\n");
  PList_append(l, h.p[0]);
  PList_append(l, h.r);
  EXPECT_EQ(printed([&] { PList_printx(l); }), "List " + hex(l) + ":\n\t" + hex(h.p[0]) + " " + hex(h.r) + " \n");
  PList_delete(l);
}
