#ifndef DG_POINTSENSORS_H
#define DG_POINTSENSORS_H

// Sensors at fixed points, each keeping one file named by the sensor's name.
//
// - DGPointSensor: a time series of every field of interest at one point,
//   one row "iter time values..." at every call (no sampling period). The
//   header names the law's fields of interest; when the sensor is made before
//   the law exists (from a parameter file), the title lines are written at
//   once and the VARIABLES line at the first call.
// - DGQuadrangleSensorTecplot: every field of interest on an ni x nj grid
//   spanning the quadrangle p1 p2 p3 p4 (p1 at (0,0), p2 at (1,0), p3 at
//   (1,1), p4 at (0,1)), one Tecplot POINT zone per due sample; values beyond
//   +-1e10 (points outside the mesh) are written as 0. A grid dimension of 1
//   puts its single line at parameter 0.
// - DGQuadrangleSensorExactTecplot: the same grid and format from the law's
//   exact solution (zero gradients); a law without an exact solution skips
//   the sample.
// A file that cannot be opened is skipped silently.

#include "DGSensor.h"
#include "mPoint.h"

class DGPointSensor : public DGSensor {
public:
  DGPointSensor(const char *name, const KORA::mPoint &point, double dt);
  void eval(DGAnalysis *analysis, int dim, int iter, double time) override;

private:
  KORA::mPoint point;
  bool variablesPending;  // the VARIABLES line waits for the law
};

class DGQuadrangleSensorTecplot : public DGSensor {
public:
  DGQuadrangleSensorTecplot(const char *name, const KORA::mPoint &p1, const KORA::mPoint &p2,
                            const KORA::mPoint &p3, const KORA::mPoint &p4, int ni, int nj,
                            double dt, const char *title);
  void eval(DGAnalysis *analysis, int dim, int iter, double time) override;

private:
  KORA::mPoint p1, p2, p3, p4;
  int ni, nj;
};

class DGQuadrangleSensorExactTecplot : public DGSensor {
public:
  DGQuadrangleSensorExactTecplot(const char *name, const KORA::mPoint &p1, const KORA::mPoint &p2,
                                 const KORA::mPoint &p3, const KORA::mPoint &p4, int ni, int nj,
                                 double dt, const char *title);
  void eval(DGAnalysis *analysis, int dim, int iter, double time) override;

private:
  KORA::mPoint p1, p2, p3, p4;
  int ni, nj;
};

namespace probe {
// Grid point of row j and column i: e = p1 + (p4 - p1) t, f = p2 + (p3 - p2) t,
// q = e + (f - e) s with t = j / (nj - 1), s = i / (ni - 1) (0 for a count of 1).
KORA::mPoint quadranglePoint(const KORA::mPoint &p1, const KORA::mPoint &p2,
                             const KORA::mPoint &p3, const KORA::mPoint &p4, int i, int j, int ni,
                             int nj);
}  // namespace probe

#endif
