// Runs at the orders that the extended bases opened: hexahedra beyond order
// 1, triangles at their top order. One Burgers step each; the number of
// degrees of freedom is the number of cells times the basis size, and the
// run ends normally.
#include <gtest/gtest.h>

#include <string>

#include "e2e_support.h"

using namespace e2e;

TEST(HighOrders, HexahedraAndTrianglesRunAtTheNewOrders) {
  struct Case {
    const char *mesh;  // in the test data, or empty for a two-triangle square
    int order;
    int dofs;  // cells x basis size
  };
  const Case cases[] = {
      {"cube_hexes.msh", 2, 8 * 27},
      {"cube_hexes.msh", 3, 8 * 64},
      {"cube_hexes.msh", 5, 8 * 216},
      {"", 12, 2 * 91},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string(c.mesh) + " order " + std::to_string(c.order));
    ScratchDir dir;
    if (*c.mesh)
      writeFile(dir / "m.msh", readFile(std::string(DG_TEST_DATA) + "/" + c.mesh));
    else
      makeMesh(dir / "m.msh", "tri", 1, 1, 0, 1, 0, 1);
    const Result r = runProgram(dir.path(), "m.msh -problem 14 -order " + std::to_string(c.order) +
                                                " -tend 0.001 -outputdt 0");
    ASSERT_EQ(r.status, 0) << r.out.substr(0, 2000) << r.err;
    const auto progress = progressLines(r.out);
    ASSERT_FALSE(progress.empty()) << r.out;
    EXPECT_EQ(words(progress.back()).front(), std::to_string(c.dofs));
    EXPECT_NE(r.out.find("DG finishes"), std::string::npos);
  }
}
