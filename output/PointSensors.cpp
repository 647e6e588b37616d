#include "PointSensors.h"

#include <cstdio>
#include <string>

#include "ConservationLaw.h"
#include "DGAnalysis.h"
#include "DGParameters.h"
#include "FieldEvaluator.h"
#include "GlobalParamManager.h"
#include "LineSensors.h"
#include "ProbeSupport.h"

using KORA::mPoint;
using KORA::mVector;

namespace {

GlobalParamManager *context() { return GlobalParamManager::Instance(); }

int lawFields() {
  const ConservationLaw *law = context()->law;
  return law ? law->nbFields() : probe::kMaxValues;
}

// The point sensor's VARIABLES line: the law's fields of interest, vector
// components numbered from 0 and joined to the name.
std::string pointVariables(const ConservationLaw &law) {
  std::string text = "VARIABLES= \"iter\" \"Time\" ";
  const int n = law.getNbFieldsOfInterest();
  for (int i = 0; i < n; ++i) {
    int size = 0;
    std::string name;
    law.getNameAndSize(i, size, name);
    if (size == 1)
      text += "\"" + name + "\" ";
    else
      for (int c = 0; c < size; ++c) text += "\"" + name + std::to_string(c) + "\" ";
  }
  return text + "\n";
}

void writeQuadrangleHeader(const DGSensor &s, const char *title) {
  probe::File f = probe::open(s.getName(), "w");
  if (!f) return;
  std::fprintf(f.get(), "\n# evaluation of a line sensor Tecplot format\n");
  std::fprintf(f.get(), "TITLE= \"%s\"\n", title ? title : "");
  std::fprintf(f.get(), "VARIABLES= \"X\" \"Y\" \"Z\"%s\n", tecplotFieldVariables(s).c_str());
}

void writeZoneHead(std::FILE *f, int ni, int nj, int iter, double time) {
  std::fprintf(f,
               "\n# evaluation of a Quadrangle sensor with %d samples in i direction et %d in j, "
               "at time %12.5E at iter %d\n",
               ni, nj, time, iter);
  std::fprintf(f, "ZONE T=\" t= %f \", F=POINT, I=%d, J=%d \n", time, ni, nj);
}

// One grid point line: coordinates, then every component of every field of
// interest, clipped to 0 beyond +-1e10.
void writeGridLine(std::FILE *f, const DGSensor &s, const mPoint &q, const double *values,
                   const mVector *grads, double time) {
  double out[probe::kMaxValues];
  std::string name;
  std::fprintf(f, " %12.5E %12.5E %12.5E ", q.x(), q.y(), q.z());
  const int n = s.getNbFieldsOfInterest();
  for (int k = 0; k < n; ++k) {
    s.getIthFieldOfInterest(k, q, values, grads, out, time);
    int size = 0;
    s.getNameAndSize(k, size, name);
    size = probe::clampSize(size);
    for (int m = 0; m < size; ++m) {
      double v = out[m];
      if (v > 1.0e10 || v < -1.0e10) v = 0.0;
      std::fprintf(f, "%12.5E ", v);
    }
  }
  std::fputs("\n", f);
}

}  // namespace

mPoint probe::quadranglePoint(const mPoint &p1, const mPoint &p2, const mPoint &p3,
                              const mPoint &p4, int i, int j, int ni, int nj) {
  const double t = fraction(j, nj), s = fraction(i, ni);
  const mPoint e = along(p1, p4, t);
  const mPoint f = along(p2, p3, t);
  return along(e, f, s);
}

// ---------------------------------------------------------------------------

DGPointSensor::DGPointSensor(const char *name, const mPoint &point, double dt)
    : DGSensor(name, dt), point(point), variablesPending(true) {
  probe::File f = probe::open(this->name, "w");
  if (!f) return;
  std::fprintf(f.get(), "TITLE= \"evaluation of a point sensor\"\n");
  std::fprintf(f.get(), "# Point : %g %g %g \n", point.x(), point.y(), point.z());
  if (const ConservationLaw *law = context()->law) {
    std::fputs(pointVariables(*law).c_str(), f.get());
    variablesPending = false;
  }
}

void DGPointSensor::eval(DGAnalysis *analysis, int dim, int iter, double time) {
  (void)dim;
  GlobalParamManager *ctx = context();
  double values[probe::kMaxValues];
  mVector grads[probe::kMaxValues];
  double out[probe::kMaxValues];
  probe::zeroGradients(grads, probe::kMaxValues);
  if (analysis)
    analysis->eval(point, values, nullptr, grads);
  else
    for (double &v : values) v = -1.0e24;

  probe::File f = probe::open(name, "a");
  if (!f) return;
  if (variablesPending && ctx->law) {
    std::fputs(pointVariables(*ctx->law).c_str(), f.get());
    variablesPending = false;
  }
  std::fprintf(f.get(), "%d %12.5E ", iter, time);
  const double now = ctx->parameters->state.t;
  const int n = getNbFieldsOfInterest();
  std::string fieldName;
  for (int i = 0; i < n; ++i) {
    int size = 0;
    getNameAndSize(i, size, fieldName);
    size = probe::clampSize(size);
    getIthFieldOfInterest(i, point, values, grads, out, now);
    for (int c = 0; c < size; ++c) std::fprintf(f.get(), "%12.5E ", out[c]);
  }
  std::fputs("\n", f.get());
}

// ---------------------------------------------------------------------------

DGQuadrangleSensorTecplot::DGQuadrangleSensorTecplot(const char *name, const mPoint &p1,
                                                     const mPoint &p2, const mPoint &p3,
                                                     const mPoint &p4, int ni, int nj, double dt,
                                                     const char *title)
    : DGSensor(name, dt), p1(p1), p2(p2), p3(p3), p4(p4), ni(ni), nj(nj) {
  writeQuadrangleHeader(*this, title);
}

void DGQuadrangleSensorTecplot::eval(DGAnalysis *analysis, int dim, int iter, double time) {
  (void)dim;
  if (!dowe(time)) return;
  probe::File f = probe::open(name, "a");
  if (!f) return;
  writeZoneHead(f.get(), ni, nj, iter, time);
  double values[probe::kMaxValues];
  mVector grads[probe::kMaxValues];
  const int nbFields = lawFields();
  for (int j = 0; j < nj; ++j)
    for (int i = 0; i < ni; ++i) {
      const mPoint q = probe::quadranglePoint(p1, p2, p3, p4, i, j, ni, nj);
      probe::zeroGradients(grads, nbFields);
      if (analysis)
        analysis->eval(q, values, nullptr, grads);
      else
        for (double &v : values) v = -1.0e24;
      writeGridLine(f.get(), *this, q, values, grads, time);
    }
}

// ---------------------------------------------------------------------------

DGQuadrangleSensorExactTecplot::DGQuadrangleSensorExactTecplot(
    const char *name, const mPoint &p1, const mPoint &p2, const mPoint &p3, const mPoint &p4,
    int ni, int nj, double dt, const char *title)
    : DGSensor(name, dt), p1(p1), p2(p2), p3(p3), p4(p4), ni(ni), nj(nj) {
  writeQuadrangleHeader(*this, title);
}

void DGQuadrangleSensorExactTecplot::eval(DGAnalysis *analysis, int dim, int iter, double time) {
  (void)analysis;
  (void)dim;
  if (!dowe(time)) return;
  const ConservationLaw *law = context()->law;
  const FieldEvaluator *exact = law ? law->getExactField() : nullptr;
  if (!exact) return;
  probe::File f = probe::open(name, "a");
  if (!f) return;
  writeZoneHead(f.get(), ni, nj, iter, time);
  double values[probe::kMaxValues] = {};
  const mVector grads[probe::kMaxValues] = {};
  for (int j = 0; j < nj; ++j)
    for (int i = 0; i < ni; ++i) {
      const mPoint q = probe::quadranglePoint(p1, p2, p3, p4, i, j, ni, nj);
      exact->eval(q, time, values);
      writeGridLine(f.get(), *this, q, values, grads, time);
    }
}
