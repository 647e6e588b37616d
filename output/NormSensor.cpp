#include "NormSensor.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "DGAnalysis.h"
#include "DGCell.h"
#include "DGParameters.h"
#include "FunctionSpace.h"
#include "GaussIntegrator.h"
#include "GlobalParamManager.h"
#include "Mapping.h"
#include "ProbeSupport.h"
#include "mMesh.h"

using KORA::mPoint;
using KORA::mVector;

DGNormSensor::DGNormSensor(const char *name, Type type, double dt, int field)
    : DGSensor(name, dt), type(type), field(field) {
  probe::truncate(this->name);
}

void DGNormSensor::eval(DGAnalysis *analysis, int dim, int iter, double time) {
  (void)analysis;
  if (!dowe(time)) return;
  GlobalParamManager *ctx = GlobalParamManager::Instance();

  double acc[probe::kMaxValues] = {};
  double values[probe::kMaxValues];
  mVector grads[probe::kMaxValues];
  double out[probe::kMaxValues];

  // The component count is fixed before the walk: a field index the sensor
  // does not know keeps 0 components.
  int size = 0;
  std::string fieldName;
  if (field >= 0 && field < getNbFieldsOfInterest()) getNameAndSize(field, size, fieldName);
  size = probe::clampSize(size);

  probe::File f = probe::open(name, "a");
  if (!f) return;
  std::fprintf(f.get(), "%d %12.5E ", iter, time);

  KORA::mMesh *mesh = ctx->mesh;
  const double now = ctx->parameters->state.t;
  if (mesh && size > 0 && dim >= 0 && dim <= 3) {
    for (auto it = mesh->begin(dim); it != mesh->end(dim); ++it) {
      KORA::mEntity *e = *it;
      const DGCell *cell = DGAnalysis::getCell(e);
      if (!cell) continue;
      const int order = 2 * cell->getFunctionSpace()->order();
      KORA::GaussIntegrator rule(e);
      const int n = rule.nbIntegrationPoints(order);
      for (int k = 0; k < n; ++k) {
        double u, v, w, weight;
        rule.iPoint(k, order, u, v, w, weight);
        cell->interpolate(u, v, w, values);
        double x, y, z;
        cell->getMapping()->eval(u, v, w, x, y, z);
        const double jac = cell->dinterpolate(u, v, w, grads, DGCell::LEVEL0);
        for (int m = 0; m < size; ++m) out[m] = 0.0;
        getIthFieldOfInterest(field, mPoint(x, y, z), values, grads, out, now);
        const double jw = jac * weight;
        switch (type) {
          case L1:
            for (int m = 0; m < size; ++m) acc[m] += jw * std::fabs(out[m]);
            break;
          case L2:
            for (int m = 0; m < size; ++m) acc[m] += (jw * out[m]) * out[m];
            break;
          case LINF:
            for (int m = 0; m < size; ++m)
              if (std::fabs(out[m]) > acc[m]) acc[m] = std::fabs(out[m]);
            break;
          case L2_VECTOR: {
            const double u0 = out[0], u1 = size > 1 ? out[1] : 0.0, u2 = size > 2 ? out[2] : 0.0;
            const double q = (u0 * u0 + u1 * u1 + u2 * u2) * jw;
            for (int m = 0; m < size; ++m) acc[m] += q;
            break;
          }
        }
      }
    }
  }

  for (int m = 0; m < size; ++m) {
    switch (type) {
      case L1:
      case LINF:
        std::fprintf(f.get(), " %21.15E", acc[m]);
        break;
      case L2:
        std::fprintf(f.get(), " %21.15E", std::sqrt(acc[m]));
        break;
      case L2_VECTOR:
        std::fprintf(f.get(), " %21.15E  %21.15E  %21.15E", std::sqrt(acc[m]), 0.0, 0.0);
        break;
    }
  }
  std::fputs("\n", f.get());
}
