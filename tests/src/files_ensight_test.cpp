// EnSight geometry text.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "files_helpers.h"
#include "mFace.h"
#include "mesh_fixtures.h"

namespace {

using namespace KORA;
using namespace filestest;

class FilesEnsight : public InTempDir {};

const char* kHeader =
    "blbabl\n blbabl\n node id given\n element id given\n coordinate\n # of unstructured node\n";

std::string vertexLines(mMesh& m) {
  std::string s;
  char buf[128];
  for (auto it = m.beginall(0), last = m.endall(0); it != last; ++it) {
    const mPoint p = static_cast<mVertex*>(*it)->point();
    std::snprintf(buf, sizeof buf, "%8d %12.5e %12.5e %12.5e \n", (*it)->getId(), p(0), p(1), p(2));
    s += buf;
  }
  return s;
}

std::string faceLine(mEntity* f) {
  std::string s;
  char buf[16];
  std::snprintf(buf, sizeof buf, "%8d", f->getId());
  s += buf;
  for (int i = 0; i < f->size(0); ++i) {
    std::snprintf(buf, sizeof buf, "%8d", f->get(0, i)->getId());
    s += buf;
  }
  return s + "\n";
}

TEST_F(FilesEnsight, TrianglesAndQuadrilateralsInTheirBlocks) {
  mMesh m(1);
  gEntity* g = m.getGEntity(1, 2);
  m.createVertex(1, 0, 0, 0, g);
  m.createVertex(2, 0.5, 0, 0, g);
  m.createVertex(3, 0.5, 1, 0, g);
  m.createVertex(4, 0, 1, -12345.678, g);
  mEntity* t = m.createFaceWithVertices(1, 2, 3, g);
  mEntity* q = m.createFaceWithVertices(1, 2, 3, 4, g);
  KORA_Util::Instance()->exportEnsightFile("mesh.geo", &m, true);
  const std::string text = readFile("mesh.geo");
  EXPECT_EQ(text, kHeader + vertexLines(m) + "tria3 \n" + faceLine(t) + "quad4 \n" + faceLine(q));
  // The coordinate 0.5 in twelve characters, five decimals, exponent form.
  EXPECT_NE(text.find("       2  5.00000e-01  0.00000e+00  0.00000e+00 \n"), std::string::npos);
  EXPECT_NE(text.find(" -1.23457e+04 \n"), std::string::npos);
}

TEST_F(FilesEnsight, MissingBlocksAreNotWritten) {
  mMesh m(1);
  gEntity* g = m.getGEntity(1, 2);
  m.createVertex(1, 0, 0, 0, g);
  m.createVertex(2, 1, 0, 0, g);
  m.createVertex(3, 0, 1, 0, g);
  KORA_Util::Instance()->exportEnsightFile("points.geo", &m, false);
  EXPECT_EQ(readFile("points.geo"), kHeader + vertexLines(m));
  mEntity* t = m.createFaceWithVertices(1, 2, 3, g);
  KORA_Util::Instance()->exportEnsightFile("tri.geo", &m, false);
  EXPECT_EQ(readFile("tri.geo"), kHeader + vertexLines(m) + "tria3 \n" + faceLine(t));
}

TEST_F(FilesEnsight, AFileThatCannotBeCreatedIsReported) {
  mMesh m(1);
  bool thrown = false;
  const std::string printed = meshtest::expectMeshException(
      [&] { KORA_Util::Instance()->exportEnsightFile("no/dir/mesh.geo", &m, false); }, &thrown);
  EXPECT_TRUE(thrown);
  EXPECT_NE(printed.find("cannot open the EnSight geometry file no/dir/mesh.geo"),
            std::string::npos);
}

}  // namespace
