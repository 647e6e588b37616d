// The mesh writer takes a buffered path for streams with the default
// formatting and the stream's own formatting otherwise: both must give the
// same bytes, with the stream's precision, for trees, boundary selections and
// coordinates of every shape (%g switches to exponents, negative zero, tiny
// and huge values).

#include <gtest/gtest.h>

#include <iomanip>
#include <locale>
#include <sstream>
#include <string>

#include "KORA_MeshFiles.h"
#include "files_helpers.h"

namespace {

using namespace KORA;
using namespace filestest;

// The text through the stream's own formatting: a locale equal to the
// classic one in every facet but not the classic one itself.
std::string throughStream(mMesh &m, bool boundary, int precision) {
  std::ostringstream out;
  out.imbue(std::locale(std::locale::classic(), new std::numpunct<char>));
  out << std::setprecision(precision);
  KORA_Util::Instance()->exportDGFile(out, &m, boundary);
  return out.str();
}

std::string buffered(mMesh &m, bool boundary, int precision) {
  std::ostringstream out;
  out << std::setprecision(precision);
  KORA_Util::Instance()->exportDGFile(out, &m, boundary);
  return out.str();
}

TEST(FilesMshWriter, BufferedAndStreamTextsAreTheSame) {
  mMesh tree(1);
  KORA_Util::Instance()->importDGFile(data("mixed_tree.msh").c_str(), &tree);
  mMesh odd(1);
  gEntity *g = odd.getGEntity(1, 2);
  odd.createVertex(1, 1.0 / 3.0, -2.0e-17, 6.02214076e23, g);
  odd.createVertex(2, -0.0, 123456.5, 1e-5, g);
  odd.createVertex(3, 1e-300, 999999.5, -0.0001, g);
  odd.createFaceWithVertices(1, 2, 3, g);
  for (mMesh *m : {&tree, &odd})
    for (bool boundary : {false, true})
      for (int precision : {6, 3, 17}) {
        const std::string a = buffered(*m, boundary, precision), b = throughStream(*m, boundary, precision);
        EXPECT_FALSE(a.empty());
        EXPECT_EQ(a, b) << "boundary " << boundary << ", precision " << precision;
      }
  // Spot checks of the format itself (printf's %g at precision 6).
  const std::string text = buffered(odd, false, 6);
  EXPECT_NE(text.find("1 0.333333 -2e-17 6.02214e+23\n"), std::string::npos) << text;
  EXPECT_NE(text.find("2 -0 123456 1e-05\n"), std::string::npos) << text;
  EXPECT_NE(text.find("3 1e-300 1e+06 -0.0001\n"), std::string::npos) << text;
}

}  // namespace
