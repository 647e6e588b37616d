#include "measures.h"

#include "AdaptUtil.h"
#include "MT_geometry.h"
#include "MT_vector.h"
#include "templatesUtil.h"

using namespace KORA;

namespace {

// Coordinates of the listed vertices, at most n of them; answers how many.
int coords(pPList verts, int n, double xyz[][3], pVertex v[]) {
  int k = 0;
  for (; k < n && k < PList_size(verts); ++k) {
    v[k] = static_cast<pVertex>(PList_item(verts, k));
    V_coord(v[k], xyz[k]);
  }
  return k;
}

double volumeFactor(const metric* m) { return m ? 1.0 / (m->h[0] * m->h[1] * m->h[2]) : 1.0; }

// 1 when the triangle turns against the given normal.
bool opposes(const double xyz[3][3], const double* normal) {
  if (!normal) return false;
  double a[3], b[3], n[3];
  diffVt(xyz[1], xyz[0], a);
  diffVt(xyz[2], xyz[0], b);
  crossProd(a, b, n);
  return dotProd(n, normal) < 0.0;
}

// Rates the element in the metric of each vertex in turn: the smallest
// rating, stopping after an invalid rating or a vertex without a metric.
// start is the value that any first rating replaces.
template <class Rate>
int rateAtVertices(const metricField* field, pVertex v[], int n, double start, double* value, Rate rate) {
  *value = start;
  int valid = 0;
  for (int i = 0; i < n; ++i) {
    const metric* m = AdaptUtil::getMetric(field, v[i]);
    double r = 0.0;
    valid = rate(m, &r);
    if (*value == start || r < *value) *value = r;
    if (!valid || !m) break;
  }
  return valid;
}

// Sum of the squared lengths of the edge vectors in the metric m.
template <int N>
double sumSquaredLengths(metricField* field, const double (&e)[N][3], const metric* m) {
  lengthSquare len(field, 1.4, 0.6);
  double s = 0.0;
  for (const auto& ed : e) {
    double l = 0.0;
    len.get(ed, m, &l);
    s += l;
  }
  return s;
}

// The rating of a region (four vertices) or a face (three) in its vertices'
// metrics; rate(xyz, metric, value) rates the points in one metric.
template <int N, class Rate>
int rateEntity(const metricField* field, pPList verts, double start, double* value, Rate rate) {
  double xyz[N][3];
  pVertex v[N];
  const int n = coords(verts, N, xyz, v);
  PList_delete(verts);
  return rateAtVertices(field, v, n, start, value,
                        [&](const metric* m, double* out) { return rate(xyz, m, out); });
}

template <class Rate>
int rateRegion(const metricField* field, pRegion r, double start, double* value, Rate rate) {
  return rateEntity<4>(field, R_vertices(r), start, value, rate);
}

template <class Rate>
int rateFace(const metricField* field, pFace f, double start, double* value, Rate rate) {
  return rateEntity<3>(field, F_vertices(f, 1), start, value, rate);
}

}  // namespace

// ---------------------------------------------------------------- meanRatio

int meanRatio::get(const double xyz[4][3], const metric* m, double* value) {
  double e[6][3], n[3];
  diffVt(xyz[1], xyz[0], e[0]);
  diffVt(xyz[2], xyz[0], e[1]);
  diffVt(xyz[3], xyz[0], e[2]);
  diffVt(xyz[3], xyz[1], e[3]);
  diffVt(xyz[3], xyz[2], e[4]);
  diffVt(xyz[1], xyz[2], e[5]);
  crossProd(e[0], e[1], n);
  const double v6 = dotProd(n, e[2]);
  if (v6 < 0.0) {
    *value = v6;
    return 0;
  }
  const double s = sumSquaredLengths(field, e, m);
  const double k = volumeFactor(m);
  *value = s > 0.0 ? 432.0 * k * k * v6 * v6 / (s * s * s) : 0.0;
  return *value >= threshold;
}

int meanRatio::get2D(const double xyz[3][3], const double* normal, const metric* m, double* value) {
  if (opposes(xyz, normal)) {
    *value = 0.0;
    return 0;
  }
  double e[3][3];
  diffVt(xyz[1], xyz[0], e[0]);
  diffVt(xyz[2], xyz[0], e[1]);
  diffVt(xyz[1], xyz[2], e[2]);
  const double s = sumSquaredLengths(field, e, m);
  *value = s > 0.0 ? 48.0 * AdaptUtil::F_areaM(m, xyz) / (s * s) : 0.0;
  return *value >= threshold;
}

int meanRatio::get(pRegion r, double* value) {
  return rateRegion(field, r, 2.0, value,
                    [this](const double (*x)[3], const metric* m, double* out) { return get(x, m, out); });
}

int meanRatio::get2D(pFace f, double* value) {
  return rateFace(field, f, 2.0, value, [this](const double (*x)[3], const metric* m, double* out) {
    return get2D(x, nullptr, m, out);
  });
}

// --------------------------------------------------------------------- size

int size::get(const double xyz[4][3], const metric* m, double* value) {
  *value = XYZ_volume(xyz) * volumeFactor(m);
  return threshold <= *value;
}

int size::get2D(const double xyz[3][3], const double* normal, const metric* m, double* value) {
  if (opposes(xyz, normal)) {
    *value = 0.0;
    return 0;
  }
  *value = AdaptUtil::F_areaM(m, xyz);
  return *value >= threshold * threshold;
}

int size::get(pRegion r, double* value) {
  return rateRegion(field, r, -9999.0, value,
                    [this](const double (*x)[3], const metric* m, double* out) { return get(x, m, out); });
}

int size::get2D(pFace f, double* value) {
  return rateFace(field, f, -9999.0, value, [this](const double (*x)[3], const metric* m, double* out) {
    return get2D(x, nullptr, m, out);
  });
}

// ------------------------------------------------------------- lengthSquare

namespace {
int withinBounds(double v, double up, double low) { return !(v > up * up || v < low * low); }
}  // namespace

int lengthSquare::get(const double x1[3], const double x2[3], const metric* m1, const metric* m2,
                      double* value) {
  if (!m1 || !m2) {
    *value = XYZ_distance2(x1, x2);
  } else {
    const double l = templatesUtil::XYZ_distanceM(x1, x2, m1, m2);
    *value = l * l;
  }
  return withinBounds(*value, upperBound, lowerBound);
}

int lengthSquare::get(const double vec[3], const metric* m, double* value) {
  if (m) {
    double t[3];
    m->transform(vec, t);
    *value = dotProd(t, t);
  } else {
    *value = dotProd(vec, vec);
  }
  return withinBounds(*value, upperBound, lowerBound);
}

int lengthSquare::get(pVertex a, pVertex b, double* value) {
  double xa[3], xb[3];
  V_coord(a, xa);
  V_coord(b, xb);
  return get(xa, xb, AdaptUtil::getMetric(field, a), AdaptUtil::getMetric(field, b), value);
}

int lengthSquare::get(pEdge e, double* value) { return get(E_vertex(e, 0), E_vertex(e, 1), value); }
