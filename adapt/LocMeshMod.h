// A local mesh modification: aimed at one entity, checked without changing
// the mesh, and only then applied. The operators implement this protocol.
#ifndef DG_ADAPT_LOCMESHMOD_H
#define DG_ADAPT_LOCMESHMOD_H

#include "KORA.h"
#include "measures.h"
#include "metricField.h"

class LocMeshMod {
 public:
  KORA::pMesh mesh;
  shapeMeasure* shpMeasure;  // not owned
  sizeMeasure* sizMeasure;   // not owned
  EvalResults* results;      // not owned, shared with the caller
  int noSnap = 0;
  int relaxedShape = 0;  // non-zero: a strictly positive rating is valid
  int checkVolume = 0;
  double volumeLimit = 0.0;
  double areaLimit = 0.0;
  // Non-zero: a change next to the boundary that alters the volume (area in
  // 2-D) of its elements beyond round-off is refused, silently. A boundary
  // that is one model entity round a corner would otherwise be cut.
  int keepDomain = 0;
  static constexpr double domainTolerance = 1e-10;  // relative
  KORA::CBFunction callback = nullptr;
  void* userData = nullptr;
  metricField* field;
  KORA::pVertex motionVertex = nullptr;
  double motionTarget[3] = {0.0, 0.0, 0.0};

  LocMeshMod(KORA::pMesh m, metricField* f, shapeMeasure* shp, sizeMeasure* siz, EvalResults* res)
      : mesh(m), shpMeasure(shp), sizMeasure(siz), results(res), field(f) {}
  // The same with a vertex that the change moves to target as well.
  LocMeshMod(KORA::pMesh m, metricField* f, shapeMeasure* shp, sizeMeasure* siz, EvalResults* res,
             KORA::pVertex v, const double target[3])
      : LocMeshMod(m, f, shp, siz, res) {
    motionVertex = v;
    for (int i = 0; i < 3; ++i) motionTarget[i] = target[i];
  }
  LocMeshMod(const LocMeshMod&) = default;
  LocMeshMod& operator=(const LocMeshMod&) = default;
  virtual ~LocMeshMod() = default;

  virtual int topoCheck() = 0;
  virtual int geomCheck() = 0;
  virtual int sizeCheck() = 0;
  virtual void getAffectedRgns(KORA::pPList* out) = 0;
  virtual int apply() = 0;
  virtual int apply(KORA::pPList* newRegions) = 0;
  virtual KORA::modType type() = 0;

  // Ratings for the geometric checks: 1 valid, 0 invalid, rating in *out.
  // A tetrahedron or triangle rated in each vertex metric (null ones skipped,
  // Euclidean once when all are null).
  int getShape(const double xyz[4][3], metric* metrics[4], double* out);
  int getShape2D(const double xyz[3][3], const double* normal, metric* metrics[3], double* out);
  int getShape(const double xyz[4][3], metric* m, double* out);
  int getShape2D(const double xyz[3][3], const double* normal, metric* m, double* out);
  int getShape(KORA::pRegion r, double* out);

 private:
  int valid(int measured, double rating) const { return relaxedShape ? rating > 0.0 : measured; }
};

#endif
