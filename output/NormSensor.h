#ifndef DG_NORMSENSOR_H
#define DG_NORMSENSOR_H

// Norms of one field of interest over the leaf elements of the mesh,
// integrated with each element's Gauss rule of order 2p (p the order of its
// DG cell). The file has no header; every due sample appends one line
// "iter time" followed by one column per component of the field, each written
// " %21.15E" (type 3: the value and two zeros).
//
//   L1:        sum of J w |u|
//   L2:        sqrt of the sum of J w u^2
//   LINF:      largest |u| at the quadrature points (a NaN never replaces it)
//   L2_VECTOR: sqrt of the sum of J w (u0^2 + u1^2 + u2^2), the same for every
//              component; components the field lacks count as 0.
//
// A field index the sensor does not know has 0 components: the line then
// holds "iter time" only.

#include "DGSensor.h"

class DGNormSensor : public DGSensor {
public:
  enum Type { L1 = 0, L2 = 1, LINF = 2, L2_VECTOR = 3 };

  DGNormSensor(const char *name, Type type, double dt, int field);
  void eval(DGAnalysis *analysis, int dim, int iter, double time) override;

private:
  Type type;
  int field;
};

#endif
