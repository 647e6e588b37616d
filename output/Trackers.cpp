#include "Trackers.h"

#include <cstdio>

#include "ConservationLaw.h"
#include "DGAnalysis.h"
#include "DGParameters.h"
#include "GlobalParamManager.h"
#include "ProbeSupport.h"

using KORA::mPoint;
using KORA::mVector;

namespace {

void writeHeader(const std::string &fileName) {
  probe::File f = probe::open(fileName, "w");
  if (!f) {
    std::perror("Open file failed \n");
    return;
  }
  const int d = GlobalParamManager::Instance()->dim;
  std::fprintf(f.get(), "\n# Tracking the movement of a given particel \n");
  std::fprintf(f.get(), "VARIABLES= \"Time\" ");
  for (int i = 0; i < d; ++i) std::fprintf(f.get(), "\"position %d\" ", i);
  for (int i = 0; i < d; ++i) std::fprintf(f.get(), "\"Velocity %d\" ", i);
  std::fprintf(f.get(), "\n");
}

void writeRow(std::FILE *f, double t, const mPoint &x, const mVector &v, int d) {
  if (!f) return;
  std::fprintf(f, "%lf ", t);
  for (int i = 0; i < d && i < 3; ++i) std::fprintf(f, "%lf ", x[i]);
  for (int i = 0; i < d && i < 3; ++i) std::fprintf(f, "%lf ", v[i]);
  std::fprintf(f, "\n");
}

}  // namespace

MasslessParticleTracker::MasslessParticleTracker(const mPoint &start, const char *fileName)
    : MasslessParticleTracker(fileName) {
  particles.push_back(start);
}

MasslessParticleTracker::MasslessParticleTracker(const char *fileName)
    : fileName(fileName ? fileName : "") {
  writeHeader(this->fileName);
}

void MasslessParticleTracker::addPoint(const mPoint &p, double) { particles.push_back(p); }

void MasslessParticleTracker::eval(DGAnalysis *analysis, int, int, double) {
  GlobalParamManager *ctx = GlobalParamManager::Instance();
  const int d = ctx->dim;
  const double dt = ctx->parameters->time.dt;
  const double t = ctx->parameters->state.t;
  probe::File f = probe::open(fileName, "a");
  if (f) std::fprintf(f.get(), "ZONE T = \"t = %fl \" \n ", t);

  double q[probe::kMaxValues] = {};
  mVector grads[probe::kMaxValues];
  for (mPoint &x : particles) {
    if (!analysis || !analysis->eval(x, q, nullptr, grads)) continue;
    const mVector v(q[1] / q[0], q[2] / q[0], d == 3 ? q[4] / q[0] : 0.0);
    std::printf("v[0] = %f, v[1] = %f \n", v[0], v[1]);
    writeRow(f.get(), t, x, v, d);
    x = mPoint(x.x() + dt * v[0], x.y() + dt * v[1], x.z() + dt * v[2]);
  }
  std::fflush(stdout);
}

// ---------------------------------------------------------------------------

MassParticleTracker::MassParticleTracker(const char *fileName, double mass)
    : MasslessParticleTracker(fileName), mass(mass) {}

void MassParticleTracker::addPoint(const mPoint &p, double) {
  particles.push_back(p);
  previous.push_back(p);
  velocity.push_back(mVector(0.0, 0.0, 0.0));
}

void MassParticleTracker::eval(DGAnalysis *analysis, int, int, double) {
  GlobalParamManager *ctx = GlobalParamManager::Instance();
  const int d = ctx->dim;
  const double dt = ctx->parameters->time.dt;
  const double t = ctx->parameters->state.t;
  const double dt2 = dt * dt;
  ConservationLaw *law = ctx->law;
  probe::File f = probe::open(fileName, "a");
  if (f) std::fprintf(f.get(), "ZONE T = \"t = %fl \" \n ", t);

  double q[probe::kMaxValues] = {};
  mVector grads[probe::kMaxValues];
  mVector force(0.0, 0.0, 0.0);
  auto x = particles.begin();
  auto xPrev = previous.begin();
  auto v = velocity.begin();
  for (; x != particles.end() && xPrev != previous.end() && v != velocity.end(); ++x, ++xPrev, ++v) {
    probe::zeroGradients(grads, probe::kMaxValues);
    if (!analysis || !analysis->eval(*x, q, nullptr, grads)) continue;
    if (law) {
      if (d > 2) {
        law->ForceField3d(*x, t, q, grads, force);
      } else {
        law->ForceField2d(*x, t, q, grads, force);
        force[2] = 0.0;
      }
    }
    const mVector a(force[0] / mass, force[1] / mass, force[2] / mass);
    const mPoint next(2.0 * x->x() - xPrev->x() + dt2 * a[0], 2.0 * x->y() - xPrev->y() + dt2 * a[1],
                      2.0 * x->z() - xPrev->z() + dt2 * a[2]);
    writeRow(f.get(), t, *x, *v, d);
    *v = mVector((*v)[0] + dt * a[0], (*v)[1] + dt * a[1], (*v)[2] + dt * a[2]);
    *xPrev = *x;
    *x = next;
  }
}
