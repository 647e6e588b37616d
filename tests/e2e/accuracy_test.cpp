// Whole runs checked against mathematics: the isentropic vortex keeps its
// mass to round-off through its periodic far field, and its density error
// against the exact solution falls with mesh refinement at the rate of the
// polynomial order.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "e2e_support.h"

namespace {

using namespace e2e;

// Last value of a norm sensor's column file ("iteration time value" lines).
std::vector<double> column(const std::string &path) {
  std::vector<double> v;
  for (const std::string &l : lines(readFile(path))) {
    const std::vector<std::string> w = words(l);
    if (w.size() == 3) v.push_back(std::atof(w[2].c_str()));
  }
  return v;
}

double vortexError(int n, int order, double tend, std::vector<double> *mass = nullptr) {
  ScratchDir dir;
  makeMesh(dir / "v.msh", "tri", n, n, -5, 5, -5, 5);
  const Result r = runProgram(dir.path(), "v.msh -problem 17 -order " + std::to_string(order) +
                                              " -tend " + std::to_string(tend));
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  if (mass) *mass = column(dir / "Mass.plt");
  const std::vector<double> err = column(dir / "L1Norm.plt");
  EXPECT_FALSE(err.empty());
  return err.empty() ? NAN : err.back();
}

TEST(Vortex, MassIsConservedToRoundOff) {
  std::vector<double> mass;
  vortexError(8, 1, 0.5, &mass);
  ASSERT_GE(mass.size(), 5u);
  for (double m : mass) EXPECT_NEAR(m, mass.front(), 1e-12 * std::fabs(mass.front()));
}

TEST(Vortex, DensityErrorFallsWithRefinement) {
  for (int order : {1, 2}) {
    SCOPED_TRACE(order);
    const double coarse = vortexError(8, order, 0.5);
    const double fine = vortexError(16, order, 0.5);
    ASSERT_GT(fine, 0.0);
    const double ratio = coarse / fine;
    std::printf("isentropic vortex, order %d: L1 density error %.6e (8 x 8), %.6e (16 x 16), "
                "ratio %.3f\n",
                order, coarse, fine, ratio);
    // Order p converges as h^(p+1) in the smooth case; ask for most of it.
    EXPECT_GT(ratio, std::pow(2.0, order + 1) * 0.6);
  }
}

}  // namespace
