// Size prescription at one point: three desired edge lengths along three
// orthonormal principal directions. The tensor is sum_i e_i e_i^T / h_i^2.
#ifndef DG_ADAPT_METRIC_H
#define DG_ADAPT_METRIC_H

class metric {
 public:
  double h[3];     // sizes, ascending after the sorting construction
  double e[3][3];  // row i: unit direction of h[i]; e[2] = e[0] x e[1]

  // Sorting construction from directions (one per row, neither unit nor
  // orthogonal required) and the sizes that belong to them.
  metric(const double dirs[3][3], const double sizes[3]);
  // Isotropic metric of size hh.
  explicit metric(double hh);
  // Copy of another metric.
  explicit metric(const metric* other);

  void scale(double f);         // all three sizes
  void scale(int i, double f);  // h[i] alone, no re-sorting
  // out[i] = (v . e[i]) / h[i]
  void transform(const double v[3], double out[3]) const;
  // SQUARED desired length along the non-zero vector v.
  double directionalSize(const double v[3]) const;
  // h[2] / h[0] in three dimensions, h[1] / h[0] otherwise.
  double aspectRatio(int dim) const;
  // True when every size is finite and positive and every direction finite.
  bool finite() const;
};

#endif
