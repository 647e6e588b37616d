#include "TecplotSensor.h"

#include <cstdio>
#include <iostream>
#include <string>

#include "DGAnalysis.h"
#include "DGCell.h"
#include "GlobalParamManager.h"
#include "LineSensors.h"
#include "ProbeSupport.h"
#include "mEntity.h"
#include "mMesh.h"
#include "mVertex.h"

using KORA::mEntity;
using KORA::mPoint;
using KORA::mVector;

namespace {

// Reference corners of a triangle and of a quadrilateral, in vertex order.
const double kTriCorners[3][2] = {{0, 0}, {1, 0}, {0, 1}};
const double kQuadCorners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};

// The i-th vertex: from the vertex adjacency list when there is one, else the template.
mEntity *vertexOf(mEntity *e, int i) {
  if (e->isAdjacencyCreated(0)) return e->get(0, i);
  return e->getTemplate(i, 0, 0);
}

}  // namespace

DGTecplotmesh::DGTecplotmesh(const char *name, double dt) : DGSensor(name, dt) {
  probe::File f = probe::open(this->name, "w");
  if (!f) return;
  std::fprintf(f.get(), "TITLE=\"Maillage Tecplot\"\n");
  std::fprintf(f.get(), "VARIABLES= \"X\" \"Y\" \"Z\"%s\n", tecplotFieldVariables(*this).c_str());
}

void DGTecplotmesh::eval(DGAnalysis *analysis, int dim, int iter, double time) {
  (void)analysis;
  (void)iter;
  if (!dowe(time)) return;
  KORA::mMesh *mesh = GlobalParamManager::Instance()->mesh;
  if (!mesh || dim < 0 || dim > 3) return;

  // Element count, node count and the zone's kind.
  int nbElements = 0, nbNodes = 0;
  bool hasQuads = false;
  for (auto it = mesh->begin(dim); it != mesh->end(dim); ++it) {
    const mEntity::mType type = (*it)->getType();
    if (type != mEntity::TRI && type != mEntity::QUAD) {
      std::cout << "TYPE d'Elements Inconnu dans DGSensor EvalTecplotMesh";
      std::cout.flush();
      return;
    }
    hasQuads = hasQuads || type == mEntity::QUAD;
    nbNodes += type == mEntity::QUAD ? 4 : 3;
    ++nbElements;
  }
  if (nbElements == 0) return;

  probe::File f = probe::open(name, "a");
  if (!f) return;
  std::fprintf(f.get(), "ZONE T=\"%f\", N= %d, E= %d, F=FEPOINT, ET=%s \n", time, nbNodes,
               nbElements, hasQuads ? "QUADRILATERAL" : "TRIANGLE");

  double values[probe::kMaxValues];
  const mVector grads[probe::kMaxValues] = {};
  double out[probe::kMaxValues];
  std::string fieldName;
  for (auto it = mesh->begin(dim); it != mesh->end(dim); ++it) {
    mEntity *e = *it;
    const bool quad = e->getType() == mEntity::QUAD;
    const int nv = quad ? 4 : 3;
    const DGCell *cell = DGAnalysis::getCell(e);
    for (int i = 0; i < nv; ++i) {
      const mEntity *v = vertexOf(e, i);
      const mPoint p = v ? static_cast<const KORA::mVertex *>(v)->point() : mPoint();
      std::fprintf(f.get(), "%f %f %f", p.x(), p.y(), p.z());
      const double *corner = quad ? kQuadCorners[i] : kTriCorners[i];
      if (cell)
        cell->interpolate(corner[0], corner[1], 0.0, values);
      else
        for (double &x : values) x = 0.0;
      const int nbFields = getNbFieldsOfInterest();
      for (int k = 0; k < nbFields; ++k) {
        getIthFieldOfInterest(k, p, values, grads, out, time);
        int size = 0;
        getNameAndSize(k, size, fieldName);
        size = probe::clampSize(size);
        for (int c = 0; c < size; ++c) {
          const double val = out[c];
          std::fprintf(f.get(), " %f", (val > 1e30 || val < -1e30) ? 0.0 : val);
        }
      }
      std::fputs("\n", f.get());
    }
  }

  // Connectivity: nodes numbered from 1 in the order of the node lines.
  int node = 1;
  for (auto it = mesh->begin(dim); it != mesh->end(dim); ++it) {
    const bool quad = (*it)->getType() == mEntity::QUAD;
    const int nv = quad ? 4 : 3;
    for (int i = 0; i < nv; ++i) std::fprintf(f.get(), "%d ", node + i);
    if (hasQuads && !quad) std::fprintf(f.get(), "%d ", node + 2);
    std::fputs("\n", f.get());
    node += nv;
  }
}
