#include "DGSensor.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "ConservationLaw.h"
#include "DGAnalysis.h"
#include "DGBoundaryCell.h"
#include "DGCell.h"
#include "DGErrorEstimator.h"
#include "DGParameters.h"
#include "Expression.h"
#include "GlobalParamManager.h"
#include "InputSensors.h"
#include "ProbeSupport.h"
#include "mMesh.h"

using KORA::mEntity;
using KORA::mMesh;

namespace {

GlobalParamManager *context() { return GlobalParamManager::Instance(); }

// Whatever links the sensors (the analysis driving them pulls this file in)
// lets the input language's "Sensor" blocks create them.
const bool inputSensorsInstalled = (installInputSensors(), true);

// The first sensor file that failed since the last report, and its cause.
struct OutputFailure {
  bool pending = false;
  std::string text;
};
OutputFailure &outputFailure() {
  static OutputFailure failure;
  return failure;
}

}  // namespace

void probe::recordFailure(const std::string &name, int error) {
  OutputFailure &f = outputFailure();
  if (f.pending) return;
  f.pending = true;
  f.text = "cannot write the output file " + name + ": " +
           (error != 0 ? std::strerror(error) : "write failed");
}

void probe::File::close() noexcept {
  if (!f) return;
  bool failed = std::ferror(f) != 0;
  int error = failed ? errno : 0;
  if (std::fclose(f) != 0) {
    failed = true;
    error = errno;
  }
  f = nullptr;
  if (failed) {
    try {
      recordFailure(name, error);
    } catch (...) {
      // Out of memory for the text: nothing more can be told.
    }
  }
}

probe::File probe::open(const std::string &name, const char *mode) {
  std::FILE *f = std::fopen(name.c_str(), mode);
  if (!f) recordFailure(name, errno);
  return File(f, name);
}

void reportOutputFailures() {
  OutputFailure &f = outputFailure();
  if (!f.pending) return;
  f.pending = false;
  std::string text;
  text.swap(f.text);
  throw text;
}

DGSensor::DGSensor(const char *name, double dt)
    : funct(-1), name(name ? name : ""), dt(dt), lastTime(0.0), count(0) {}

void DGSensor::setFunct(const char *fname) {
  if (!fname) return;
  const int n = List_Nbr(Problem_S.Expressions);
  for (int i = 0; i < n; ++i) {
    const Expression *e = Get_Expression(i);
    if (e && e->Name && std::strcmp(e->Name, fname) == 0) funct = i;
  }
}

bool DGSensor::dowe(double time) {
  const double slot = static_cast<double>(count) * dt;
  if (!(slot <= time)) return false;
  lastTime = slot;
  ++count;
  return true;
}

void DGSensor::restart(double time) {
  if (!(dt > 0.0)) return;
  const double q = std::trunc(time / dt);
  if (!std::isfinite(q)) return;
  if (q < static_cast<double>(std::numeric_limits<int>::min()) ||
      q > static_cast<double>(std::numeric_limits<int>::max()))
    return;
  count = static_cast<int>(q);
}

namespace {

// The expression a sensor is bound to, or null (unbound, or the list no
// longer holds that position).
Expression *boundExpression(int funct) { return funct >= 0 ? Get_Expression(funct) : nullptr; }

}  // namespace

int DGSensor::getNbFieldsOfInterest() const {
  if (boundExpression(funct)) return 1;
  const ConservationLaw *law = context()->law;
  return law ? law->getNbFieldsOfInterest() : 0;
}

void DGSensor::getNameAndSize(int i, int &size, std::string &fieldName) const {
  if (const Expression *e = boundExpression(funct)) {
    size = 1;
    fieldName = e->Name ? e->Name : "";
    return;
  }
  if (const ConservationLaw *law = context()->law) law->getNameAndSize(i, size, fieldName);
}

void DGSensor::getIthFieldOfInterest(int i, const KORA::mPoint &p, const double *sol,
                                     const KORA::mVector *grads, double *out,
                                     double time) const {
  GlobalParamManager *ctx = context();
  if (Expression *e = boundExpression(funct)) {
    SimulationState &state = ctx->parameters->state;
    state.X = p.x();
    state.Y = p.y();
    state.Z = p.z();
    if (ctx->law) ctx->law->setSpecifics(sol, grads);
    Value v = VALUE_ZERO;
    Get_ValueOfExpression(e, &v);
    out[0] = v.Val[0];
    return;
  }
  if (const ConservationLaw *law = ctx->law) law->getIthFieldOfInterest(i, p, sol, grads, out, time);
}

// ---------------------------------------------------------------------------
// Reserved field names

bool DGSensor::isReservedField(const std::string &fieldName) {
  return fieldName == "errest" || fieldName == "reflev" || fieldName == "tag";
}

void DGSensor::prepareErrorEstimates(DGAnalysis &analysis) {
  GlobalParamManager *ctx = context();
  if (!ctx->estimator || !ctx->mesh) return;
  analysis.zeroError();
  double largest = 0.0, smallest = 0.0;
  analysis.computeError(largest, smallest);
}

void DGSensor::prepareErrorEstimates() {
  if (DGAnalysis *analysis = context()->analysis) prepareErrorEstimates(*analysis);
}

double DGSensor::reservedFieldValue(const std::string &fieldName, mEntity *element) {
  if (!element) return 0.0;
  GlobalParamManager *ctx = context();
  if (fieldName == "errest") {
    if (!ctx->estimator) return 0.0;
    const DGCell *c = dgCellOf(element);
    if (!c || c->errorWeight == 0.0) return 0.0;
    return c->getError();
  }
  if (fieldName == "reflev") return ctx->mesh ? ctx->mesh->getRefinementLevel(element) : 0.0;
  if (fieldName == "tag") {
    const DGCell *c = dgCellOf(element);
    return c ? static_cast<double>(c->getTag()) : 0.0;
  }
  return 0.0;
}

// ---------------------------------------------------------------------------
// The analysis drives its sensors

void DGAnalysis::evalSensors(int iter) {
  GlobalParamManager *ctx = context();
  const int dim = ctx->dim;
  const double time = ctx->parameters->state.t;
  for (DGSensor *s : sensors) s->eval(this, dim, iter, time);
  reportOutputFailures();
}
