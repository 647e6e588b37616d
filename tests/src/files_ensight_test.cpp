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

TEST_F(FilesEnsight, TrianglesAndQuadrilateralsInTheirBlocks) {
  mMesh m(1);
  gEntity* g = m.getGEntity(1, 2);
  m.createVertex(1, 0, 0, 0, g);
  m.createVertex(2, 0.5, 0, 0, g);
  m.createVertex(3, 0.5, 1, 0, g);
  m.createVertex(4, 0, 1, -12345.678, g);
  m.createFaceWithVertices(1, 2, 3, g);
  m.createFaceWithVertices(1, 2, 3, 4, g);
  KORA_Util::Instance()->exportEnsightFile("mesh.geo", &m, true);
  const std::string text = readFile("mesh.geo");
  // Vertex keys 4289383, 5335290, 5554746 and 68078301 for the ids 1 to 4
  // go to the buckets 3, 0, 6 and 1 of the 10 vertex buckets; a face's id is
  // the sum of its vertices' keys.
  EXPECT_EQ(text, std::string(kHeader) +
                      "       2  5.00000e-01  0.00000e+00  0.00000e+00 \n"
                      "       4  0.00000e+00  1.00000e+00 -1.23457e+04 \n"
                      "       1  0.00000e+00  0.00000e+00  0.00000e+00 \n"
                      "       3  5.00000e-01  1.00000e+00  0.00000e+00 \n"
                      "tria3 \n"
                      "15179419       1       2       3\n"
                      "quad4 \n"
                      "83257720       1       2       3       4\n");
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
  // The walk order of the ids 1 to 3 (buckets 3, 0 and 6).
  const std::string vertices = std::string(kHeader) +
                               "       2  1.00000e+00  0.00000e+00  0.00000e+00 \n"
                               "       1  0.00000e+00  0.00000e+00  0.00000e+00 \n"
                               "       3  0.00000e+00  1.00000e+00  0.00000e+00 \n";
  EXPECT_EQ(readFile("points.geo"), vertices);
  m.createFaceWithVertices(1, 2, 3, g);
  KORA_Util::Instance()->exportEnsightFile("tri.geo", &m, false);
  EXPECT_EQ(readFile("tri.geo"), vertices + "tria3 \n15179419       1       2       3\n");
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
