// One metric per mesh vertex. Only one field exists at a time: the data name
// is registered on construction and released on destruction. The field owns
// the attached metrics. A vertex whose fast data slot is free holds its metric
// there (one indirection, looked up on every length and shape the adaptation
// rates); a vertex whose slot is taken holds it as mesh data under the name.
// A metric the field makes itself (setMetric, setSize) is stored in the
// slot's own block; one handed over by attachMetric is kept as that pointer,
// and detachMetric hands back a heap copy of a metric stored in the block.
#ifndef DG_ADAPT_METRICFIELD_H
#define DG_ADAPT_METRICFIELD_H

#include "KORA.h"
#include "metric.h"

class metricField {
 public:
  KORA::pMesh mesh;
  unsigned int metricId;

  explicit metricField(KORA::pMesh m);
  ~metricField();
  metricField(const metricField&) = delete;
  metricField& operator=(const metricField&) = delete;

  void setMetric(KORA::pVertex v, const double e[3][3], const double h[3]);
  void setSize(KORA::pVertex v, double size);
  // Hands m over to the field; an older metric of the vertex is deleted.
  void attachMetric(KORA::pVertex v, metric* m);
  // The same for a metric no caller points to: its value is stored in the
  // vertex's slot block where it can be, and m is deleted.
  void adoptMetric(KORA::pVertex v, metric* m);
  // Null when the vertex carries no metric.
  metric* getMetric(KORA::pVertex v) const;
  void deleteMetric(KORA::pVertex v);
  // Takes the metric off the vertex without deleting it (null when none).
  metric* detachMetric(KORA::pVertex v);
  // Moves from's metric to `to` (whose own metric goes); the same object, also
  // when it is stored in the slot block.
  void moveMetric(KORA::pVertex from, KORA::pVertex to);

  // New metric between m1 (t = 0) and m2 (t = 1). A missing metric takes the
  // other one's copy; with both missing *out is null.
  static void interpolate(const metric* m1, const metric* m2, double t, metric** out);
  // Metric mid-point of the segment x0 x1 and a new metric there. With a
  // missing end metric the point is the midpoint.
  static void centerPoint(const double x0[3], const double x1[3], const metric* m0,
                          const metric* m1, double out[3], metric** outM);
  void centerPoint(KORA::pEdge edge, double out[3], metric** outM) const;
  // Metric centre of a tetrahedron.
  void centroid(KORA::pVertex v[4], double out[3], metric** outM) const;

  // Gradation smoothing: sizes grow by at most beta per unit metric length.
  void smooth_aniso(const double beta[3]);
  void smooth(double beta);
  int E_isoSmooth(KORA::pVertex a, KORA::pVertex b, double beta);
  int E_anisoSmooth(KORA::pVertex a, KORA::pVertex b, double dirs[3][3], double lenM,
                    const double beta[3]);
 private:
  // Stores a copy of value as v's metric, in the vertex's slot block when it can.
  void setOwn(KORA::pVertex v, const metric& value);
};

#endif
