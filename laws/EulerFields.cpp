// Output fields of the Euler laws offered to the sensors, and the force on a
// particle (the pressure gradient).

#include <cmath>

#include "Euler.h"

using KORA::mPoint;
using KORA::mVector;

namespace {

struct FieldName {
  const char *name;
  int size;
};

// The names are part of the output files ("momemtum" included).
constexpr FieldName kFields[11] = {
    {"density", 1},  {"momemtum", 3},         {"energy", 1},      {"density_velocity", 2},
    {"vorticity", 1}, {"mach", 1},            {"velocity", 3},    {"pressure", 1},
    {"temperature", 1}, {"dens-z", 2},        {"dens-exactdens", 1}};

}  // namespace

int Euler::getNbFieldsOfInterest() const { return exactField ? 11 : 10; }

void Euler::getNameAndSize(int i, int &size, std::string &name) const {
  if (i < 0 || i > 10) return;
  size = kFields[i].size;
  name = kFields[i].name;
}

void Euler::pressureGradient(const double *U, const mVector *G, int dim, double out[3]) const {
  const double r = U[0];
  const double m2 = dim == 3 ? U[1] * U[1] + U[2] * U[2] + U[4] * U[4] : U[1] * U[1] + U[2] * U[2];
  for (int j = 0; j < 3; ++j) {
    double mg = U[1] * G[1][j] + U[2] * G[2][j];
    if (dim == 3) mg += U[4] * G[4][j];
    out[j] = (gamma - 1.0) * (G[3][j] - (mg - (m2 / (2.0 * r)) * G[0][j]) / r);
  }
}

void Euler::ForceField2d(const mPoint &, double, const double *U, const mVector *G,
                         mVector &force) {
  double g[3];
  pressureGradient(U, G, 2, g);
  force.set(g[0], g[1] - (gravity ? 9.8 : 0.0), 0.0);
}

void Euler::ForceField3d(const mPoint &, double, const double *U, const mVector *G,
                         mVector &force) {
  double g[3];
  pressureGradient(U, G, 3, g);
  force.set(g[0], g[1] - (gravity ? 9.8 : 0.0), g[2]);
}

namespace {

// Values shared by both dimensions; vel holds (u, v, w), w = 0 in 2-D.
void commonField(int i, const mPoint &x, const double *U, const double vel[3], double p,
                 double lambda, double R, double rhoExact, double *out) {
  const double speed = std::sqrt(vel[0] * vel[0] + vel[1] * vel[1] + vel[2] * vel[2]);
  switch (i) {
    case 0: out[0] = U[0]; break;
    case 2: out[0] = U[3]; break;
    case 3:
      out[0] = U[0];
      out[1] = speed;
      break;
    case 5: out[0] = speed / (lambda - speed); break;
    case 6:
      out[0] = vel[0];
      out[1] = vel[1];
      out[2] = vel[2];
      break;
    case 7: out[0] = p; break;
    case 8: out[0] = p / (U[0] * R); break;
    case 9:
      out[0] = U[0];
      out[1] = x.y();
      break;
    case 10: out[0] = U[0] - rhoExact; break;
    default: break;
  }
}

// The fields besides momentum and vorticity, for a law of either dimension:
// the Mach number needs the fastest wave speed, the density error the exact
// field (the density itself when none is given), the rest the pressure.
void scalarField(int i, const mPoint &x, const double *U, const double vel[3], double t, const Euler &law,
                 double (*pressure)(const double *, double), double *out) {
  switch (i) {
    case 5:
      commonField(i, x, U, vel, 0.0, law.maximumEigenValue(U, mPoint(0, 0, 0)), law.getGasConstant(), 0.0, out);
      return;
    case 10: {
      double rhoExact = U[0];
      if (law.getExactField()) {
        double buf[ConservationLaw::kMaxFields];
        law.getExactField()->eval(x, t, buf);
        rhoExact = buf[0];
      }
      commonField(i, x, U, vel, 0.0, 0.0, law.getGasConstant(), rhoExact, out);
      return;
    }
    default:
      commonField(i, x, U, vel, pressure(U, law.getGamma()), 0.0, law.getGasConstant(), 0.0, out);
      return;
  }
}

}  // namespace

void Euler2d::getIthFieldOfInterest(int i, const mPoint &x, const double *U, const mVector *G,
                                    double *out, double t) const {
  if (i < 0 || i > 10) return;
  const double r = U[0];
  const double vel[3] = {U[1] / r, U[2] / r, 0.0};
  switch (i) {
    case 1:
      out[0] = U[1];
      out[1] = U[2];
      out[2] = 0.0;
      return;
    case 4: {
      if (!G) {  // no gradients at hand: no rotation can be measured
        out[0] = 0.0;
        return;
      }
      const double uy = (G[1].y() - vel[0] * G[0].y()) / r;
      const double vx = (G[2].x() - vel[1] * G[0].x()) / r;
      out[0] = uy - vx;
      return;
    }
    default:
      scalarField(i, x, U, vel, t, *this, computeP2d, out);
      return;
  }
}

void Euler3d::getIthFieldOfInterest(int i, const mPoint &x, const double *U, const mVector *,
                                    double *out, double t) const {
  if (i < 0 || i > 10) return;
  const double r = U[0];
  const double vel[3] = {U[1] / r, U[2] / r, U[4] / r};
  switch (i) {
    case 1:
      out[0] = U[1];
      out[1] = U[2];
      out[2] = U[4];
      return;
    case 4: out[0] = 0.0; return;
    default:
      scalarField(i, x, U, vel, t, *this, computeP3d, out);
      return;
  }
}
