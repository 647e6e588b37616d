#include "LineSensors.h"

#include <cstdio>

#include "ConservationLaw.h"
#include "DGAnalysis.h"
#include "GlobalParamManager.h"
#include "ProbeSupport.h"
#include "mEntity.h"

using KORA::mEntity;
using KORA::mPoint;
using KORA::mVector;

namespace {

// Number of conserved fields of the run's law (the buffers' capacity without one).
int lawFields() {
  const ConservationLaw *law = GlobalParamManager::Instance()->law;
  return law ? law->nbFields() : probe::kMaxValues;
}

// Locates p and fills the values and gradients there; the gradients of a
// point outside the mesh are zero.
mEntity *locate(DGAnalysis *analysis, const mPoint &p, double *values, mVector *grads) {
  probe::zeroGradients(grads, lawFields());
  if (!analysis) {
    for (int i = 0; i < probe::kMaxValues; ++i) values[i] = -1.0e24;
    return nullptr;
  }
  return analysis->eval(p, values, nullptr, grads);
}

// Recomputes the error indicators once for every field named "errest".
void prepareErrest(const DGSensor &s, const int *fields, int nbFields) {
  for (int k = 0; k < nbFields; ++k) {
    int size = 0;
    std::string name;
    s.getNameAndSize(fields ? fields[k] : k, size, name);
    if (name == "errest") DGSensor::prepareErrorEstimates();
  }
}

// First component of field i of sensor s at p in element e, with the law's
// values and gradients there: reserved fields ("errest", "reflev", "tag") come
// from the element's cell, the others from the law. fieldName receives the
// field's name; out is the components' scratch.
double sampleField(const DGSensor &s, int i, const mPoint &p, mEntity *e, const double *values,
                   const mVector *grads, double *out, double time, std::string &fieldName) {
  out[0] = 0.0;
  s.getIthFieldOfInterest(i, p, values, grads, out, time);
  int size = 0;
  fieldName.clear();
  s.getNameAndSize(i, size, fieldName);
  if (DGSensor::isReservedField(fieldName)) return DGSensor::reservedFieldValue(fieldName, e);
  return out[0];
}

}  // namespace

std::string tecplotFieldVariables(const DGSensor &sensor) {
  std::string text;
  const int n = sensor.getNbFieldsOfInterest();
  for (int i = 0; i < n; ++i) {
    int size = 0;
    std::string name;
    sensor.getNameAndSize(i, size, name);
    if (size == 1) {
      text += " \"" + name + "\"";
    } else {
      for (int j = 1; j <= size; ++j) text += " \"" + name + " " + std::to_string(j) + "\"";
    }
  }
  return text;
}

// ---------------------------------------------------------------------------

DGLineSensor::DGLineSensor(const char *name, const mPoint &p1, const mPoint &p2, int nbSamples,
                           double dt)
    : DGSensor(name, dt), p1(p1), p2(p2), nbSamples(nbSamples) {
  probe::truncate(this->name);
}

void DGLineSensor::eval(DGAnalysis *analysis, int dim, int iter, double time) {
  (void)dim;
  if (!dowe(time)) return;
  probe::File f = probe::open(name, "a");
  if (!f) return;
  std::fprintf(f.get(), "\n# evaluation of a line sensor with %d samples at time %12.5E at iter %d\n",
               nbSamples, time, iter);
  const int nbFields = getNbFieldsOfInterest();
  prepareErrest(*this, nullptr, nbFields);

  double values[probe::kMaxValues];
  mVector grads[probe::kMaxValues];
  double out[probe::kMaxValues];
  std::string fieldName;
  for (int k = 0; k < nbSamples; ++k) {
    const mPoint p = probe::along(p1, p2, probe::fraction(k, nbSamples));
    mEntity *e = locate(analysis, p, values, grads);
    if (!e) continue;
    std::fprintf(f.get(), "%d %12.5E %12.5E %12.5E %12.5E ", k + 1, time, p.x(), p.y(), p.z());
    for (int i = 0; i < nbFields; ++i) {
      const double v = sampleField(*this, i, p, e, values, grads, out, time, fieldName);
      if (fieldName == "reflev")
        std::fprintf(f.get(), "%dE ", static_cast<int>(v));
      else
        std::fprintf(f.get(), "%12.5E ", v);
    }
    std::fputs("\n", f.get());
  }
}

// ---------------------------------------------------------------------------

DGLineSensorTecplot::DGLineSensorTecplot(const char *name, const mPoint &p1, const mPoint &p2,
                                         int nbSamples, double dt, const char *title)
    : DGSensor(name, dt), p1(p1), p2(p2), nbSamples(nbSamples) {
  probe::File f = probe::open(this->name, "w");
  if (!f) return;
  std::fprintf(f.get(), "\n# evaluation of a line sensor Tecplot format\n");
  std::fprintf(f.get(), "TITLE= \"%s\"\n", title ? title : "");
  std::fprintf(f.get(), "VARIABLES=\"pointnumber\" \"Time\" \"X\" \"Y\" \"Z\"%s\n",
               tecplotFieldVariables(*this).c_str());
}

void DGLineSensorTecplot::eval(DGAnalysis *analysis, int dim, int iter, double time) {
  (void)dim;
  if (!dowe(time)) return;
  probe::File f = probe::open(name, "a");
  if (!f) return;
  std::fprintf(f.get(), "\n# evaluation of a line sensor with %d samples at time %12.5E at iter %d\n",
               nbSamples, time, iter);
  std::fprintf(f.get(), "ZONE T=\" t= %f \"\n", time);
  const int nbFields = getNbFieldsOfInterest();
  double values[probe::kMaxValues];
  mVector grads[probe::kMaxValues];
  double out[probe::kMaxValues];
  std::string fieldName;
  for (int k = 0; k < nbSamples; ++k) {
    const mPoint p = probe::along(p1, p2, probe::fraction(k, nbSamples));
    locate(analysis, p, values, grads);
    std::fprintf(f.get(), "%d %g %g %g %g ", k + 1, time, p.x(), p.y(), p.z());
    for (int i = 0; i < nbFields; ++i) {
      getIthFieldOfInterest(i, p, values, grads, out, time);
      int size = 0;
      getNameAndSize(i, size, fieldName);
      size = probe::clampSize(size);
      for (int j = 0; j < size; ++j) std::fprintf(f.get(), "%12.5E ", out[j]);
    }
    std::fputs("\n", f.get());
  }
}

// ---------------------------------------------------------------------------

DGSpaceTimeSensor::DGSpaceTimeSensor(const char *name, const mPoint &p1, const mPoint &p2,
                                     int nbSamples, double dt, int fieldIndex)
    : DGSensor(name, dt), p1(p1), p2(p2), nbSamples(nbSamples), fieldIndex(fieldIndex) {
  probe::truncate(this->name);
}

void DGSpaceTimeSensor::eval(DGAnalysis *analysis, int dim, int iter, double time) {
  (void)dim;
  (void)iter;
  if (!dowe(time)) return;
  probe::File f = probe::open(name, "a");
  if (!f) return;
  prepareErrest(*this, &fieldIndex, 1);

  double values[probe::kMaxValues];
  mVector grads[probe::kMaxValues];
  double out[probe::kMaxValues];
  std::string fieldName;
  for (int k = 0; k < nbSamples; ++k) {
    const double s = probe::fraction(k, nbSamples);
    const mPoint p = probe::along(p1, p2, s);
    mEntity *e = locate(analysis, p, values, grads);
    if (!e) continue;
    const double v = sampleField(*this, fieldIndex, p, e, values, grads, out, time, fieldName);
    if (fieldName == "reflev")
      std::fprintf(f.get(), "%lf %lf %d\n", s, time, static_cast<int>(v));
    else
      std::fprintf(f.get(), "%lf %lf %12.5E\n", s, time, v);
  }
  std::fputs("\n", f.get());
}

// ---------------------------------------------------------------------------

DGTresholdLineSensor::DGTresholdLineSensor(const char *name, int fieldIndex, const mPoint &p1,
                                           const mPoint &p2, int nbSamples, double threshold,
                                           double dt)
    : DGSensor(name, dt), fieldIndex(fieldIndex), p1(p1), p2(p2), nbSamples(nbSamples),
      threshold(threshold) {
  probe::File f = probe::open(this->name, "w");
  if (f) std::fprintf(f.get(), "\n# evaluation of a treshold line sensor\n");
}

void DGTresholdLineSensor::eval(DGAnalysis *analysis, int dim, int iter, double time) {
  (void)dim;
  (void)iter;
  if (!dowe(time)) return;
  probe::File f = probe::open(name, "a");
  if (!f) return;
  const int nbFields = lawFields();
  if (fieldIndex < 0 || fieldIndex >= nbFields || fieldIndex >= probe::kMaxValues) return;

  double values[probe::kMaxValues];
  mVector grads[probe::kMaxValues];
  double previous = 0.0;
  int found = 0;
  for (int k = 0; k < nbSamples; ++k) {
    const mPoint p = probe::along(p1, p2, probe::fraction(k, nbSamples));
    if (!locate(analysis, p, values, grads)) continue;
    const double v = values[fieldIndex];
    if (++found > 1) {
      const double u = previous;
      if ((u < threshold && threshold < v) || (u > threshold && threshold > v)) {
        std::fprintf(f.get(), "%12.5E %12.5E %12.5E %12.5E\n", time, p.x(), p.y(), p.z());
        return;
      }
    }
    previous = v;
  }
}
