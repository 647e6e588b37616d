#ifndef DG_INTEGRATIONSENSOR_H
#define DG_INTEGRATIONSENSOR_H

// Measure of a sensor mesh clipped to a level set, counted where the
// solution mesh holds a solution. The sensor reads its own mesh from a mesh
// file when it is made and owns it. At each due sample every leaf element of
// that mesh is clipped to the region where level_func <= 0, each clipped
// piece (a pentagon as a triangle plus a quadrilateral) is integrated with
// the order-3 Gauss rule, and only the Gauss points that the analysis
// locates count. The file gets one row per sample: the time, then for every
// conserved field of the law the same sum of J w (the clipped measure).
// Every clipped piece and Gauss point is traced on standard output.

#include "DGSensor.h"
#include "mPoint.h"

namespace KORA {
class mMesh;
}

// sqrt((x - 0.5)^2 + (y - 0.5)^2) - 0.1: the disc of radius 0.1 about (0.5, 0.5).
double level_func(KORA::mPoint &p);

class DGIntegrationSensor : public DGSensor {
public:
  // Reads meshFile into a mesh of id 1 (the import's exception passes to the
  // caller) and truncates the output file.
  DGIntegrationSensor(const char *name, double dt, const char *meshFile);
  ~DGIntegrationSensor() override;
  void eval(DGAnalysis *analysis, int dim, int iter, double time) override;

  KORA::mMesh *getSensorMesh() const { return sensorMesh; }

private:
  KORA::mMesh *sensorMesh;
};

#endif
