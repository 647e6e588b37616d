#ifndef DG_TECPLOTSENSOR_H
#define DG_TECPLOTSENSOR_H

// The whole leaf mesh with the sensor's fields of interest at every element
// corner, as Tecplot finite-element data: a header at construction, then one
// FEPOINT zone per due sample. Every element lists its own corners (a vertex
// shared by several elements appears once per element, with that element's
// value), the nodes numbered from 1 in that order. Values beyond +-1e30 are
// written as 0; the fields see zero gradients.
//
// A mesh of triangles gives a TRIANGLE zone; a mesh with quadrilaterals a
// QUADRILATERAL zone, in which a triangle repeats its last node. An element
// of any other kind prints a message and no zone is written; an empty mesh
// writes nothing.

#include "DGSensor.h"

class DGTecplotmesh : public DGSensor {
public:
  DGTecplotmesh(const char *name, double dt);
  void eval(DGAnalysis *analysis, int dim, int iter, double time) override;
};

#endif
