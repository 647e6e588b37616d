// Gmsh views of one field of interest of the sensor being written
// (DGSensor::current): over the leaf faces, each face cut into small straight
// triangles by the polynomial order of the cell it samples, and over the leaf
// tetrahedra and hexahedra.

#include <algorithm>
#include <string>
#include <vector>

#include "ConservationLaw.h"
#include "DGAnalysis.h"
#include "DGBoundaryCell.h"
#include "DGCell.h"
#include "DGParameters.h"
#include "DGSensor.h"
#include "FunctionSpace.h"
#include "GlobalParamManager.h"
#include "GmshProcessor.h"
#include "Mapping.h"
#include "SplitTri.h"
#include "gEntity.h"
#include "mEntity.h"
#include "mMesh.h"

using KORA::mEntity;
using KORA::mMesh;
using KORA::mPoint;
using KORA::mVector;

namespace {

DGSensor *sensorBeingWritten() {
  DGSensor *s = DGSensor::current;
  if (!s) throw std::string("Gmsh export: no sensor is being written");
  return s;
}

// Working storage of one export call: the law's values and gradients at one
// point, sized from the number of fields (grown only for a cell with more).
struct PointBuffers {
  std::vector<double> values;
  std::vector<mVector> grads;

  explicit PointBuffers(int nbFields)
      : values(std::max(nbFields, 1), 0.0), grads(std::max(nbFields, 1)) {}
  void fit(int nbFields) {
    if (nbFields > static_cast<int>(values.size())) {
      values.resize(nbFields, 0.0);
      grads.resize(nbFields);
    }
  }
};

int lawFields() {
  const ConservationLaw *law = GlobalParamManager::Instance()->law;
  return law ? law->nbFields() : 1;
}

// Components of the field at reference point (u, v, w) of the cell, whose
// physical point is p, into out[0..size-1] (zero-filled first).
void sampleField(const DGSensor &sensor, int field, const DGCell &cell, double u, double v,
                 double w, const mPoint &p, double t, PointBuffers &buf, double *out, int size) {
  buf.fit(cell.nbFields());
  std::fill(buf.values.begin(), buf.values.end(), 0.0);
  std::fill(buf.grads.begin(), buf.grads.end(), mVector(0.0, 0.0, 0.0));
  cell.interpolate(u, v, w, buf.values.data());
  cell.dinterpolate(u, v, w, buf.grads.data(), DGCell::LEVEL0);
  std::fill(out, out + size, 0.0);
  sensor.getIthFieldOfInterest(field, p, buf.values.data(), buf.grads.data(), out, t);
}

// Reference triangles covering a face, as (P1, P2, P3) of the subdivision.
struct RefTriangle {
  double p[3][2];
};
constexpr RefTriangle kTriangleFace[1] = {{{{0, 0}, {0, 1}, {1, 0}}}};
constexpr RefTriangle kQuadFace[4] = {
    {{{-1, -1}, {-1, 1}, {0, 0}}},  // side u = -1
    {{{-1, 1}, {1, 1}, {0, 0}}},    // side v = 1
    {{{1, 1}, {1, -1}, {0, 0}}},    // side u = 1
    {{{-1, -1}, {1, -1}, {0, 0}}},  // side v = -1
};

// True when the face of a three-dimensional mesh lies on a model face or
// bounds a single region.
bool onSurface(const mEntity *face) {
  const KORA::gEntity *g = face->getClassification();
  if (g && g->getLevel() == 2) return true;
  const KORA::mAdjacencyContainer *regions = face->getAdjacencyList(3);
  return regions && regions->size() == 1;
}

// Number of divisions of each reference triangle's edges for a cell.
int divisionsFor(const DGCell &cell) {
  const int p = cell.getFunctionSpace()->order();
  const int g = cell.getMapping()->geomOrder();
  const int n = 3 * (p + g - 2);
  return n > 0 ? n : 1;
}

}  // namespace

void DGAnalysis::exportGmsh(GmshProcessor &processor, const char *viewName, int field) {
  const DGSensor &sensor = *sensorBeingWritten();
  GlobalParamManager *ctx = GlobalParamManager::Instance();

  int size = 0;
  std::string name;
  sensor.getNameAndSize(field, size, name);
  const bool errest = name == "errest";
  const bool tag = !errest && name == "tag";
  if (errest || tag) size = 1;
  if (errest) DGSensor::prepareErrorEstimates(*this);

  processor.startView(viewName);
  mMesh *mesh = ctx->mesh;
  if (!mesh || size < 1 || size > 3) {
    processor.endView();
    return;
  }

  const bool threeD = ctx->dim == 3;
  const double t = ctx->parameters->state.t;
  PointBuffers buf(lawFields());
  double comps[3][3];  // node, component
  double x[3], y[3], z[3];
  double vals[9];

  for (auto it = mesh->begin(2); it != mesh->end(2); ++it) {
    mEntity *face = *it;
    const DGCell *cell = nullptr;
    const KORA::Mapping *faceMapping = nullptr;
    if (threeD) {
      if (!onSurface(face)) continue;
      const DGBoundaryCell *b = dgBoundaryCellOf(face);
      if (!b) continue;
      cell = b->getLeft() ? dgCellOf(b->getLeft()) : nullptr;
      faceMapping = b->getMapping();
    } else {
      cell = dgCellOf(face);
    }
    if (!cell) continue;
    const KORA::Mapping *cellMapping = cell->getMapping();

    const RefTriangle *refs = nullptr;
    int nbRefs = 0;
    switch (face->getType()) {
      case mEntity::TRI: refs = kTriangleFace; nbRefs = 1; break;
      case mEntity::QUAD: refs = kQuadFace; nbRefs = 4; break;
      default: continue;
    }
    const int n = divisionsFor(*cell);
    double errorValue = 0.0;
    if (errest) errorValue = DGSensor::reservedFieldValue(name, cell->getEntity());
    const double tagValue = static_cast<double>(cell->getTag());

    for (int r = 0; r < nbRefs; ++r) {
      const RefTriangle &rt = refs[r];
      splitTri split(n, mPoint(rt.p[0][0], rt.p[0][1], 0.0), mPoint(rt.p[1][0], rt.p[1][1], 0.0),
                     mPoint(rt.p[2][0], rt.p[2][1], 0.0));
      mPoint nodes[3];
      while (split.nextTri(nodes[0], nodes[1], nodes[2])) {
        if (threeD) {
          // Face reference coordinates to the sampled element's.
          for (mPoint &q : nodes) {
            double px, py, pz, u = 0.0, v = 0.0, w = 0.0;
            faceMapping->eval(q.x(), q.y(), 0.0, px, py, pz);
            cellMapping->invert(px, py, pz, u, v, w);
            q = mPoint(u, v, w);
          }
        }
        for (int k = 0; k < 3; ++k)
          cellMapping->eval(nodes[k].x(), nodes[k].y(), nodes[k].z(), x[k], y[k], z[k]);
        for (int k = 0; k < 3; ++k) {
          if (errest) {
            comps[k][0] = errorValue;
          } else if (tag) {
            comps[k][0] = tagValue;
          } else {
            sampleField(sensor, field, *cell, nodes[k].x(), nodes[k].y(), nodes[k].z(),
                        mPoint(x[k], y[k], z[k]), t, buf, comps[k], size);
          }
        }
        if (size == 1) {
          for (int k = 0; k < 3; ++k) vals[k] = comps[k][0];
          processor.addDrawable(GmshDrawable::ST, 1, x, y, z, vals);
        } else if (size == 2) {
          for (int c = 0; c < 2; ++c)
            for (int k = 0; k < 3; ++k) vals[3 * c + k] = comps[k][c];
          processor.addDrawable(GmshDrawable::ST, 2, x, y, z, vals);
        } else {
          for (int k = 0; k < 3; ++k)
            for (int c = 0; c < 3; ++c) vals[3 * k + c] = comps[k][c];
          processor.addDrawable(GmshDrawable::VT, 1, x, y, z, vals);
        }
      }
    }
  }
  processor.endView();
}

namespace {

// Sample points of a hexahedron in the reference cube: corners 0-7, centre 8,
// face centres 9-14.
constexpr double kHexPoints[15][3] = {
    {-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1}, {-1, -1, 1},
    {1, -1, 1},   {1, 1, 1},   {-1, 1, 1}, {0, 0, 0},   {-1, 0, 0},
    {1, 0, 0},    {0, -1, 0},  {0, 1, 0},  {0, 0, -1},  {0, 0, 1},
};
// The 24 tetrahedra around the centre: (centre, edge end, face centre, other
// edge end), faces v = -1, v = 1, u = 1, u = -1, w = -1, w = 1.
constexpr int kHexTets[24][4] = {
    {8, 4, 11, 5}, {8, 5, 11, 1}, {8, 1, 11, 0}, {8, 0, 11, 4},  //
    {8, 7, 12, 6}, {8, 6, 12, 2}, {8, 2, 12, 3}, {8, 3, 12, 7},  //
    {8, 5, 10, 6}, {8, 6, 10, 2}, {8, 2, 10, 1}, {8, 1, 10, 5},  //
    {8, 4, 9, 7},  {8, 7, 9, 3},  {8, 3, 9, 0},  {8, 0, 9, 4},   //
    {8, 0, 13, 1}, {8, 1, 13, 2}, {8, 2, 13, 3}, {8, 3, 13, 0},  //
    {8, 4, 14, 5}, {8, 5, 14, 6}, {8, 6, 14, 7}, {8, 7, 14, 4},
};
constexpr double kTetPoints[4][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

}  // namespace

void DGAnalysis::exportGmsh_Volume(GmshProcessor &processor, const char *viewName, int field) {
  const DGSensor &sensor = *sensorBeingWritten();
  GlobalParamManager *ctx = GlobalParamManager::Instance();

  int size = 0;
  std::string name;
  sensor.getNameAndSize(field, size, name);

  processor.startView(viewName);
  mMesh *mesh = ctx->mesh;
  if (!mesh || size < 1 || size > 2) {
    processor.endView();
    return;
  }

  const double t = ctx->parameters->state.t;
  PointBuffers buf(lawFields());
  double px[15], py[15], pz[15];
  double comps[15][2];
  double x[4], y[4], z[4];
  double vals[8];

  // One tetrahedron of sample points a..d.
  auto writeTet = [&](const int *pts) {
    for (int k = 0; k < 4; ++k) {
      x[k] = px[pts[k]];
      y[k] = py[pts[k]];
      z[k] = pz[pts[k]];
    }
    for (int c = 0; c < size; ++c)
      for (int k = 0; k < 4; ++k) vals[4 * c + k] = comps[pts[k]][c];
    processor.addDrawable(GmshDrawable::SS, size, x, y, z, vals);
  };

  for (auto it = mesh->begin(3); it != mesh->end(3); ++it) {
    mEntity *region = *it;
    const DGCell *cell = getCell(region);
    if (!cell) continue;
    const int type = region->getType();
    const double(*ref)[3] = nullptr;
    int nbPoints = 0;
    if (type == mEntity::HEX) {
      ref = kHexPoints;
      nbPoints = 15;
    } else if (type == mEntity::TET) {
      ref = kTetPoints;
      nbPoints = 4;
    } else {
      continue;
    }
    const KORA::Mapping *mapping = cell->getMapping();
    for (int k = 0; k < nbPoints; ++k) {
      mapping->eval(ref[k][0], ref[k][1], ref[k][2], px[k], py[k], pz[k]);
      sampleField(sensor, field, *cell, ref[k][0], ref[k][1], ref[k][2],
                  mPoint(px[k], py[k], pz[k]), t, buf, comps[k], size);
    }
    if (type == mEntity::HEX) {
      for (const auto &tet : kHexTets) writeTet(tet);
    } else {
      static constexpr int kTetNodes[4] = {0, 1, 2, 3};
      writeTet(kTetNodes);
    }
  }
  processor.endView();
}
