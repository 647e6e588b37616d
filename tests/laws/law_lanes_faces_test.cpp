// Several faces' numerical fluxes in one call (eulerlanes::facesFluxes, whose
// packs run across the faces' ends) against each face's own call: the same
// bits at every point of every face and the same messages.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Euler.h"
#include "EulerLanes.h"

using KORA::mPoint;
using KORA::mVector;

namespace {

const double kGamma = 1.4;

std::uint64_t bits(double x) {
  std::uint64_t b;
  std::memcpy(&b, &x, sizeof b);
  return b;
}

// (rho, un, ut, p) on each side: smooth, shocks, rarefactions, near vacuum
// and inadmissible (the failing solve's fallback and message).
const double kStates[][2][4] = {
    {{1.3, 0.4, -0.2, 2.0}, {1.3, 0.4, -0.2, 2.0}}, {{1, 0, 0, 1}, {0.125, 0, 0, 0.1}},
    {{1, -3, 0.5, 1}, {1, 3, -0.5, 1}},             {{1, 50, 0, 1}, {1, -50, 0, 1}},
    {{1e-6, 0, 0, 1e-9}, {1, 0, 0, 1}},             {{1, 0.3, 0, -0.5}, {0.9, -0.2, 0, -0.2}},
    {{0.8, -4.5, 0.1, 0.7}, {1, -5, 0.4, 1}},
};
constexpr int kStateCount = sizeof kStates / sizeof kStates[0];

struct FacePoint {
  mPoint x;
  mVector n;
};

// A face of count points, the states of the table from first on.
struct Face {
  std::vector<FacePoint> pts;
  std::vector<double> states;  // per point: left, then right
  int nf = 0;
  Face(int dim, int count, int first) : pts(count), nf(dim == 2 ? 4 : 5) {
    states.resize(2 * nf * count);
    for (int k = 0; k < count; ++k) {
      const int q = first + k;
      mVector n(0.6, 0.8, 0.0);
      if (q % 3 == 1) n = dim == 2 ? mVector(-1, 0, 0) : mVector(0, 0.6, 0.8);
      if (q % 3 == 2) n = dim == 2 ? mVector(0, 1, 0) : mVector(0.48, 0.6, 0.64);
      const mVector t = dim == 2 ? mVector(-n.y(), n.x(), 0) : mVector(0, 0.8, -0.6);
      pts[k] = {mPoint(0.1 * q, 0.2, 0.0), n};
      for (int s = 0; s < 2; ++s) {
        const double *P = kStates[q % kStateCount][s];
        const mVector v = n * P[1] + t * P[2];
        double *U = &states[(2 * k + s) * nf];
        U[0] = P[0];
        U[1] = P[0] * v.x();
        U[2] = P[0] * v.y();
        U[3] = P[3] / (kGamma - 1) + 0.5 * P[0] * (v * v);
        if (dim == 3) U[4] = P[0] * v.z();
      }
    }
  }
  ConservationLaw::FacePoints view() const {
    ConservationLaw::FacePoints fp;
    fp.count = static_cast<int>(pts.size());
    fp.normal = &pts[0].n;
    fp.point = &pts[0].x;
    fp.stride = sizeof(FacePoint);
    fp.UL = states.data();
    fp.UR = states.data() + nf;
    fp.stateStride = 2 * nf;
    return fp;
  }
};

// A law derived from a gas law with a flux of its own.
class HalvedFlux : public Euler2dExactRiemann {
public:
  using Euler2dExactRiemann::Euler2dExactRiemann;
  void riemannSolver(const mVector &n, const mPoint &p, const double *UL, const double *UR, double *FL,
                     double *FR) const override {
    Euler2dExactRiemann::riemannSolver(n, p, UL, UR, FL, FR);
    for (int j = 0; j < 4; ++j) FL[j] = FR[j] = 0.5 * FL[j];
  }
};

}  // namespace

// Faces of assorted counts (odd ones, whose packs straddle two faces, a
// single point, a full pack) taken together give each face's own call's
// bits and messages, for every gas law and for a derived law (which keeps
// its own flux and is not one the packs serve).
TEST(EulerLanesFaces, SeveralFacesMatchEachFacesCall) {
  const std::map<int, bc> none;
  struct Kind {
    const char *name;
    int dim;
    bool packed;
    std::unique_ptr<Euler> law;
  };
  Kind kinds[] = {
      {"Euler2dExactRiemann", 2, true,
       std::make_unique<Euler2dExactRiemann>(false, none, nullptr, false, false, kGamma, 287, 0, nullptr, nullptr)},
      {"Euler2d", 2, true, std::make_unique<Euler2d>(false, none, nullptr, false, false, kGamma, 287, 0, nullptr, nullptr)},
      {"Euler3d", 3, true, std::make_unique<Euler3d>(false, none, nullptr, false, kGamma, 287, nullptr, nullptr)},
      {"Euler3dRoe", 3, true, std::make_unique<Euler3dRoe>(false, none, nullptr, false, kGamma, 287, nullptr, nullptr)},
      {"derived", 2, false, std::make_unique<HalvedFlux>(false, none, nullptr, false, false, kGamma, 287, 0, nullptr, nullptr)},
  };
  const std::vector<std::vector<int>> groups = {{5, 5}, {5, 5, 5, 5}, {3, 1, 7}, {1}, {4, 5}, {9, 3}};
  for (const Kind &kind : kinds) {
    EXPECT_EQ(eulerlanes::packedFluxes(*kind.law), kind.packed) << kind.name;
    const int nf = kind.law->nbFields();
    for (const std::vector<int> &counts : groups)
      for (int first : {0, 3}) {
        SCOPED_TRACE(std::string(kind.name) + ", " + std::to_string(counts.size()) + " faces from state " +
                     std::to_string(first));
        std::vector<Face> faces;
        int q = first;
        for (int c : counts) {
          faces.emplace_back(kind.dim, c, q);
          q += c;
        }
        std::vector<ConservationLaw::FacePoints> views;
        std::vector<std::vector<double>> FL, FR;
        for (const Face &f : faces) {
          views.push_back(f.view());
          FL.emplace_back(nf * f.pts.size(), -9.0);
          FR.emplace_back(nf * f.pts.size(), -9.0);
        }
        std::vector<double *> pl, pr;
        for (std::size_t i = 0; i < faces.size(); ++i) {
          pl.push_back(FL[i].data());
          pr.push_back(FR[i].data());
        }
        testing::internal::CaptureStdout();
        eulerlanes::facesFluxes(*kind.law, views.data(), static_cast<int>(views.size()), pl.data(), pr.data());
        const std::string together = testing::internal::GetCapturedStdout();
        testing::internal::CaptureStdout();
        for (std::size_t i = 0; i < faces.size(); ++i) {
          std::vector<double> L(FL[i].size()), R(FR[i].size());
          kind.law->riemannFluxes(views[i], L.data(), R.data());
          for (std::size_t j = 0; j < L.size(); ++j) {
            EXPECT_EQ(bits(FL[i][j]), bits(L[j])) << "face " << i << " entry " << j;
            EXPECT_EQ(bits(FR[i][j]), bits(R[j])) << "face " << i << " entry " << j;
          }
        }
        EXPECT_EQ(together, testing::internal::GetCapturedStdout());
      }
  }
}
