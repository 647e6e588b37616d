// Shape and size measures in the metric of the field, and the record that
// the local modification checks fill. A null metric means Euclidean.
#ifndef DG_ADAPT_MEASURES_H
#define DG_ADAPT_MEASURES_H

#include "KORA.h"
#include "metricField.h"

class shapeMeasure {
 public:
  double threshold;    // ratings below it are invalid
  metricField* field;  // may be null

  shapeMeasure(metricField* f, double t) : threshold(t), field(f) {}
  virtual ~shapeMeasure() = default;
  // Each returns 1 valid, 0 invalid, and the rating through value.
  virtual int get(const double xyz[4][3], const metric* m, double* value) = 0;
  virtual int get(KORA::pRegion r, double* value) = 0;
  virtual int get2D(const double xyz[3][3], const double* normal, const metric* m, double* value) = 0;
  virtual int get2D(KORA::pFace f, double* value) = 0;
  virtual int check(KORA::pRegion r) {
    double v;
    return get(r, &v);
  }
  virtual int check(const double xyz[4][3], const metric* m) {
    double v;
    return get(xyz, m, &v);
  }
};

// Mean ratio to the power of the dimension: 1 for the regular element of the
// metric, 0 for a flat one.
class meanRatio : public shapeMeasure {
 public:
  meanRatio(metricField* f, double t) : shapeMeasure(f, t) {}
  int get(const double xyz[4][3], const metric* m, double* value) override;
  int get(KORA::pRegion r, double* value) override;
  int get2D(const double xyz[3][3], const double* normal, const metric* m, double* value) override;
  int get2D(KORA::pFace f, double* value) override;
  using shapeMeasure::check;
};

// Volume (in two dimensions squared area) in the metric.
class size : public shapeMeasure {
 public:
  size(metricField* f, double t) : shapeMeasure(f, t) {}
  int get(const double xyz[4][3], const metric* m, double* value) override;
  int get(KORA::pRegion r, double* value) override;
  int get2D(const double xyz[3][3], const double* normal, const metric* m, double* value) override;
  int get2D(KORA::pFace f, double* value) override;
  using shapeMeasure::check;
};

class sizeMeasure {
 public:
  double upperBound, lowerBound;  // compared squared
  metricField* field;             // may be null

  sizeMeasure(metricField* f, double up, double low) : upperBound(up), lowerBound(low), field(f) {}
  virtual ~sizeMeasure() = default;
  // Each returns 1 within the bounds, 0 outside, and the SQUARED metric length.
  virtual int get(const double x1[3], const double x2[3], const metric* m1, const metric* m2,
                  double* value) = 0;
  virtual int get(const double vec[3], const metric* m, double* value) = 0;
  virtual int get(KORA::pVertex a, KORA::pVertex b, double* value) = 0;
  virtual int get(KORA::pEdge e, double* value) = 0;
  virtual int check(KORA::pEdge e) {
    double v;
    return get(e, &v);
  }
  virtual int check(const double vec[3], const metric* m) {
    double v;
    return get(vec, m, &v);
  }
};

class lengthSquare : public sizeMeasure {
 public:
  lengthSquare(metricField* f, double up, double low) : sizeMeasure(f, up, low) {}
  int get(const double x1[3], const double x2[3], const metric* m1, const metric* m2,
          double* value) override;
  int get(const double vec[3], const metric* m, double* value) override;
  int get(KORA::pVertex a, KORA::pVertex b, double* value) override;
  int get(KORA::pEdge e, double* value) override;
  using sizeMeasure::check;
};

// What the checks of a local modification measured.
struct EvalResults {
  double worstShape = 99999999;
  double longest = 0;
  double longestRatio = 0;
  double shortest = 99999999;
  double largestRatio = 0;
  double largestRatioLength = 0;
  void reset() {
    worstShape = 99999999;
    longest = 0;
    shortest = 99999999;
    largestRatio = 0;
  }
};

#endif
