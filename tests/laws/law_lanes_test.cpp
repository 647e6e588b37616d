// The Euler laws' fluxes taken a few points at a time (EulerLanes) against
// the per-point solvers: the same bits, the same Newton passes and the same
// messages, over a table of states from equal ones to failing ones; the
// face-wide interior and boundary fluxes of the laws against their per-point
// calls, with the run state the far field reads.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "DGParameters.h"
#include "Euler.h"
#include "EulerLanes.h"
#include "GlobalParamManager.h"
#include "law_helpers.h"

using namespace lawtest;

namespace {

const double kGamma = 1.4;

std::uint64_t bits(double x) {
  std::uint64_t b;
  std::memcpy(&b, &x, sizeof b);
  return b;
}

// A 1-D Riemann problem: (rho, un, ut1, ut2, p) on each side.
struct Problem {
  const char *name;
  double L[5], R[5];
};

const Problem kProblems[] = {
    {"equal states", {1.3, 0.4, -0.2, 0.1, 2.0}, {1.3, 0.4, -0.2, 0.1, 2.0}},
    {"Sod", {1, 0, 0, 0, 1}, {0.125, 0, 0, 0, 0.1}},
    {"Sod mirrored", {0.125, 0, 0.3, 0, 0.1}, {1, 0, -0.1, 0.2, 1}},
    {"strong shock", {1, 0, 0, 0, 1e5}, {1, 0, 0, 0, 1e-5}},
    {"vacuum-near pressure", {1, 0, 0, 0, 1}, {1, 0, 0, 0, 1e-12}},
    {"two rarefactions", {1, -3, 0.5, 0, 1}, {1, 3, -0.5, 0, 1}},
    {"two shocks", {1, 50, 0, 0, 1}, {1, -50, 0, 0, 1}},
    {"supersonic to the right", {1, 5, 0.2, 0, 1}, {0.8, 4.5, -0.3, 0, 0.7}},
    {"supersonic to the left", {0.8, -4.5, 0.1, 0, 0.7}, {1, -5, 0.4, 0, 1}},
    {"near vacuum", {1e-6, 0, 0, 0, 1e-9}, {1, 0, 0, 0, 1}},
    // Near vacuum: the interface pressure is so small against the sides' that
    // round-off keeps the Newton pass from settling to the tolerance.
    {"no convergence", {2.5202737834524971, -0.82391822594433695, 0, 0, 0.13581809670323691},
     {1.8853676360965477, 0.066725805177184863, 0, 0, 0.052059103622447464}},
    {"negative pressure left", {1, 0, 0, 0, -0.5}, {1, 0, 0, 0, 1}},
    {"negative pressure right", {1, 0, 0, 0, 1}, {1, 0.2, 0, 0, -0.5}},
    {"negative pressures", {1, 0.3, 0, 0, -0.5}, {0.9, -0.2, 0, 0, -0.2}},
    {"negative density and pressure", {-1, 0, 0, 0, -1}, {1, 0, 0, 0, 10}},  // fails in a Newton pass
};
constexpr int kCount = sizeof(kProblems) / sizeof(kProblems[0]);

std::unique_ptr<Euler> exact3d() {
  return std::unique_ptr<Euler>(new Euler3d(false, {}, nullptr, false, kGamma, 287, nullptr, nullptr));
}

// Solves problems first .. first + count - 1 (of the table, cyclically) in
// one pack of lanes.
eulerlanes::RiemannLanes pack(int first, int count) {
  eulerlanes::RiemannLanes r;
  r.count = count;
  for (int i = 0; i < count; ++i) {
    const Problem &p = kProblems[(first + i) % kCount];
    r.rhoL[i] = p.L[0], r.uL[i] = p.L[1], r.ut1L[i] = p.L[2], r.ut2L[i] = p.L[3], r.pL[i] = p.L[4];
    r.rhoR[i] = p.R[0], r.uR[i] = p.R[1], r.ut1R[i] = p.R[2], r.ut2R[i] = p.R[3], r.pR[i] = p.R[4];
  }
  eulerlanes::solveRiemann(kGamma, r);
  return r;
}

}  // namespace

// Every problem in every lane position and pack size: the lanes give what
// the solver alone gives, bit for bit, with its pass count and its messages.
TEST(EulerLanes, RiemannMatchesThePointSolver) {
  auto law = exact3d();
  for (int count = 1; count <= eulerlanes::kLanes; ++count)
    for (int first = 0; first < kCount; ++first) {
      testing::internal::CaptureStdout();
      const eulerlanes::RiemannLanes r = pack(first, count);
      const std::string laneOut = testing::internal::GetCapturedStdout();
      testing::internal::CaptureStdout();
      for (int i = 0; i < count; ++i) {
        const Problem &p = kProblems[(first + i) % kCount];
        SCOPED_TRACE(std::string(p.name) + " in lane " + std::to_string(i) + " of " + std::to_string(count));
        RiemannResult s;
        const bool ok = law->riemann(p.L[0], p.L[1], p.L[2], p.L[3], p.L[4], p.R[0], p.R[1], p.R[2], p.R[3],
                                     p.R[4], s);
        ASSERT_EQ(r.ok[i], ok);
        if (!ok) continue;
        EXPECT_EQ(r.iterations[i], s.iterations);
        EXPECT_EQ(bits(r.error[i]), bits(s.error));
        EXPECT_EQ(bits(r.rho[i]), bits(s.rho));
        EXPECT_EQ(bits(r.un[i]), bits(s.un));
        EXPECT_EQ(bits(r.ut1[i]), bits(s.ut1));
        EXPECT_EQ(bits(r.ut2[i]), bits(s.ut2));
        EXPECT_EQ(bits(r.p[i]), bits(s.p));
      }
      EXPECT_EQ(laneOut, testing::internal::GetCapturedStdout());
    }
}

// The solver's known cases, from the lanes: equal states stop after one
// pass; Sod's tube takes five passes to its interface state; supersonic
// flows keep their upwind state; a negative pressure fails; a pair that does
// not settle takes all twelve passes and says so once.
TEST(EulerLanes, KnownCases) {
  testing::internal::CaptureStdout();
  const eulerlanes::RiemannLanes a = pack(0, 4);  // equal, Sod, Sod mirrored, strong shock
  const eulerlanes::RiemannLanes b = pack(7, 4);  // supersonic both ways, near vacuum, no convergence
  const eulerlanes::RiemannLanes c = pack(11, 4);  // the failing states
  const std::string out = testing::internal::GetCapturedStdout();

  EXPECT_EQ(a.iterations[0], 1);
  EXPECT_EQ(a.error[0], 0.0);
  EXPECT_DOUBLE_EQ(a.rho[0], 1.3);
  EXPECT_DOUBLE_EQ(a.un[0], 0.4);
  EXPECT_EQ(a.ut1[0], -0.2);
  EXPECT_EQ(a.ut2[0], 0.1);
  EXPECT_DOUBLE_EQ(a.p[0], 2.0);

  EXPECT_EQ(a.iterations[1], 5);
  EXPECT_NEAR(a.rho[1], 0.4473, 5e-4);
  // Mirrored: the interface moves left and the right side is upwind, whose
  // tangential velocities the face takes.
  EXPECT_LT(a.un[2], 0.0);
  EXPECT_EQ(a.ut1[2], -0.1);
  EXPECT_EQ(a.ut2[2], 0.2);

  for (int i : {0, 1}) {  // the upwind side's state, as given
    const Problem &p = kProblems[7 + i];
    const double *up = i == 0 ? p.L : p.R;
    EXPECT_DOUBLE_EQ(b.rho[i], up[0]);
    EXPECT_DOUBLE_EQ(b.un[i], up[1]);
    EXPECT_EQ(b.ut1[i], up[2]);
    EXPECT_DOUBLE_EQ(b.p[i], up[4]);
  }
  EXPECT_TRUE(b.ok[2]);
  EXPECT_GT(b.rho[2], 0.0);
  EXPECT_EQ(b.iterations[3], 12);
  EXPECT_GE(b.error[3], 1e-12);
  EXPECT_TRUE(b.ok[3]);

  for (int i = 0; i < 4; ++i) EXPECT_FALSE(c.ok[i]) << kProblems[11 + i].name;

  // One message, for the lane that did not converge.
  const std::string head = "Riemann solver failed to converge in 12iterations\nRelative error is ";
  ASSERT_EQ(out.find(head), 0u) << out;
  EXPECT_EQ(out.find(head, 1), std::string::npos) << out;
}

namespace {

using Maker = std::function<Euler *(const std::map<int, bc> &, FieldEvaluator *, Fonctionoftime *)>;

struct LawKind {
  const char *name;
  int dim;
  Maker make;
};

const LawKind kLaws[] = {
    {"Euler2d (Roe)", 2,
     [](const std::map<int, bc> &m, FieldEvaluator *f, Fonctionoftime *tf) -> Euler * {
       return new Euler2d(false, m, f, false, false, kGamma, 287, 2, nullptr, tf);
     }},
    {"Euler2dExactRiemann", 2,
     [](const std::map<int, bc> &m, FieldEvaluator *f, Fonctionoftime *tf) -> Euler * {
       return new Euler2dExactRiemann(false, m, f, false, false, kGamma, 287, 2, nullptr, tf);
     }},
    {"Euler3d (exact)", 3,
     [](const std::map<int, bc> &m, FieldEvaluator *f, Fonctionoftime *) -> Euler * {
       return new Euler3d(false, m, f, false, kGamma, 287, nullptr, nullptr);
     }},
    {"Euler3dRoe", 3,
     [](const std::map<int, bc> &m, FieldEvaluator *f, Fonctionoftime *) -> Euler * {
       return new Euler3dRoe(false, m, f, false, kGamma, 287, nullptr, nullptr);
     }},
};

// A face's points laid out as the solver's are: physical point and normal,
// with something between points.
struct FacePoint {
  mPoint x;
  mVector n;
  double pad;
};

// Points of a face: the table's problems turned into conservative states
// across assorted unit normals (in 3-D also normals with zero components,
// which choose the tangent frame), left and right interleaved.
struct Face {
  std::vector<FacePoint> pts;
  std::vector<double> states;  // per point: left (stride nf), then right
  int nf = 0;
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

void conservative(int dim, const double *prim, const mVector &n, double *U) {
  // (rho, un, ut1, ut2, p) with the normal velocity along n and the
  // tangential ones along two fixed directions.
  const double rho = prim[0], p = prim[4];
  mVector t1 = mVector(0.3, -0.5, dim == 3 ? 0.8 : 0.0), t2(0.1, 0.2, dim == 3 ? -0.4 : 0.0);
  const mVector v = n * prim[1] + t1 * prim[2] + t2 * prim[3];
  const double E = p / (kGamma - 1) + 0.5 * rho * (v * v);
  U[0] = rho;
  U[1] = rho * v.x();
  U[2] = rho * v.y();
  U[3] = E;
  if (dim == 3) U[4] = rho * v.z();
}

Face makeFace(int dim, int count, int first) {
  static const mVector normals2[] = {mVector(1, 0, 0), mVector(0.6, 0.8, 0), mVector(0, -1, 0),
                                     mVector(-0.28, 0.96, 0), mVector(-1, 0, 0)};
  static const mVector normals3[] = {mVector(0, 0, 1),   mVector(0, 0.6, 0.8),  mVector(0.6, 0, 0.8),
                                     mVector(1, 0, 0),   mVector(0.48, 0.6, 0.64), mVector(0, -1, 0),
                                     mVector(-0.36, 0.48, -0.8)};
  Face f;
  f.nf = dim == 2 ? 4 : 5;
  f.pts.resize(count);
  f.states.resize(2 * f.nf * count);
  for (int k = 0; k < count; ++k) {
    const int q = first + k;
    const mVector &n = dim == 2 ? normals2[q % 5] : normals3[q % 7];
    f.pts[k] = {mPoint(0.1 * q, 0.2 + 0.05 * q, dim == 3 ? 0.3 : 0.0), n, 0.0};
    const Problem &p = kProblems[q % kCount];
    conservative(dim, p.L, n, &f.states[2 * f.nf * k]);
    conservative(dim, p.R, n, &f.states[2 * f.nf * k + f.nf]);
  }
  return f;
}

}  // namespace

// The face-wide numerical fluxes of every Euler law give, point for point,
// the per-point flux's bits and messages, for any number of points (packs
// and their remainders) and every state of the table.
TEST(EulerLanes, FaceFluxesMatchThePointCalls) {
  for (const LawKind &kind : kLaws) {
    std::unique_ptr<Euler> law(kind.make({}, nullptr, nullptr));
    const int nf = law->nbFields();
    for (int count : {1, 3, 4, 5, 9})
      for (int first = 0; first < kCount; first += 2) {
        SCOPED_TRACE(std::string(kind.name) + ", " + std::to_string(count) + " points from " + std::to_string(first));
        const Face f = makeFace(kind.dim, count, first);
        std::vector<double> FL(nf * count), FR(nf * count);
        testing::internal::CaptureStdout();
        law->riemannFluxes(f.view(), FL.data(), FR.data());
        const std::string faceOut = testing::internal::GetCapturedStdout();
        testing::internal::CaptureStdout();
        for (int k = 0; k < count; ++k) {
          double fl[5], fr[5];
          law->riemannSolver(f.pts[k].n, f.pts[k].x, &f.states[2 * nf * k], &f.states[2 * nf * k + nf], fl, fr);
          for (int j = 0; j < nf; ++j) {
            EXPECT_EQ(bits(FL[nf * k + j]), bits(fl[j])) << "point " << k << " field " << j;
            EXPECT_EQ(bits(FR[nf * k + j]), bits(fr[j])) << "point " << k << " field " << j;
          }
        }
        EXPECT_EQ(faceOut, testing::internal::GetCapturedStdout());
      }
  }
}

namespace {

SimulationState &runState() { return GlobalParamManager::Instance()->parameters->state; }

class ConstantInTime : public Fonctionoftime {
public:
  void eval(double, double *U) const override {
    U[0] = 1.1, U[1] = 0.2, U[2] = -0.1, U[3] = 2.6;
  }
};

}  // namespace

// Boundary faces in one call: walls, the physical flux and the far field
// (here one that reads the point and the published interior state from the
// run state) give the per-point calls' bits, and leave the run state as the
// per-point calls do; a time-function condition and a derived law are left
// to the per-point calls.
TEST(EulerLanes, BoundaryFluxesMatchThePointCalls) {
  SimulationState &s = runState();
  const SimulationState saved = s;
  // Far state from the point and from the interior state published for it.
  LambdaField far([&s](const mPoint &x, double t, double *U) {
    const double rho = 0.5 * s.Density + 0.6 + 0.1 * s.X, u = 0.3 * s.VX - 0.2 * s.Y + t, v = 0.2 * s.VY + 0.1 * x.z(),
                 w = 0.1 * s.VZ, p = 0.5 * s.Pressure + 0.4;
    U[0] = rho, U[1] = rho * u, U[2] = rho * v, U[3] = p / (kGamma - 1) + 0.5 * rho * (u * u + v * v + w * w);
    U[4] = rho * w;
  });
  ConstantInTime timeFunction;
  const std::map<int, bc> bcs = {{1, bc(1)}, {2, bc(2)}, {3, bc(3)}, {4, bc(4)}, {5, bc(7)}};
  for (const LawKind &kind : kLaws) {
    std::unique_ptr<Euler> law(kind.make(bcs, &far, &timeFunction));
    const int nf = law->nbFields();
    for (int tag : {1, 2, 3, 4, 5, 6})
      for (int count : {1, 4, 6}) {
        SCOPED_TRACE(std::string(kind.name) + ", tag " + std::to_string(tag) + ", " + std::to_string(count) + " points");
        // Admissible states only: the far field reads their pressure.
        const Face f = makeFace(kind.dim, count, 0);
        std::vector<double> F(nf * count, -7.0);
        s = saved;
        testing::internal::CaptureStdout();
        const bool done = law->boundaryFluxes(f.view(), tag, 0.25, F.data());
        const std::string faceOut = testing::internal::GetCapturedStdout();
        const SimulationState after = s;
        if (kind.dim == 2 && tag == 3) {  // the time function: point by point
          EXPECT_FALSE(done);
          EXPECT_EQ(F[0], -7.0);
          continue;
        }
        ASSERT_TRUE(done);
        s = saved;
        testing::internal::CaptureStdout();
        for (int k = 0; k < count; ++k) {
          // As the face pass calls it: the point published first.
          s.X = f.pts[k].x.x(), s.Y = f.pts[k].x.y(), s.Z = f.pts[k].x.z();
          std::vector<double> U(f.states.begin() + 2 * nf * k, f.states.begin() + 2 * nf * k + nf);
          double g[5];
          law->boundaryFlux(f.pts[k].n, tag, f.pts[k].x, U.data(), g, 0.25);
          for (int j = 0; j < nf; ++j) EXPECT_EQ(bits(F[nf * k + j]), bits(g[j])) << "point " << k << " field " << j;
        }
        EXPECT_EQ(faceOut, testing::internal::GetCapturedStdout());
        if (tag == 4) {
          for (double SimulationState::*m : {&SimulationState::X, &SimulationState::Y, &SimulationState::Z,
                                             &SimulationState::Density, &SimulationState::Pressure,
                                             &SimulationState::VX, &SimulationState::VY, &SimulationState::VZ})
            EXPECT_EQ(bits(after.*m), bits(s.*m));
        }
      }
  }
  // A derived law keeps its own boundary flux, point by point.
  struct Derived : Euler2dExactRiemann {
    using Euler2dExactRiemann::Euler2dExactRiemann;
  };
  Derived derived(false, bcs, &far, false, false, kGamma, 287, 2, nullptr, &timeFunction);
  const Face f = makeFace(2, 3, 0);
  double F[12];
  EXPECT_FALSE(derived.boundaryFluxes(f.view(), 1, 0.0, F));
  s = saved;
}
