#ifndef KORA_MPOINT_H
#define KORA_MPOINT_H

namespace KORA {

// A position in space: three doubles x, y, z.
class mPoint {
  double pos[3];

public:
  mPoint(double x = 0.0, double y = 0.0, double z = 0.0) : pos{x, y, z} {}

  double operator()(int i) const { return pos[i]; }
  double& operator()(int i) { return pos[i]; }
  double operator[](int i) const { return pos[i]; }
  double& operator[](int i) { return pos[i]; }
  double x() const { return pos[0]; }
  double y() const { return pos[1]; }
  double z() const { return pos[2]; }
  void set(double x, double y, double z) {
    pos[0] = x;
    pos[1] = y;
    pos[2] = z;
  }

  // Sum of points and point times a scalar: centres are built as
  // (p1 + ... + pn) * (1/n).
  mPoint operator+(const mPoint& o) const {
    return mPoint(pos[0] + o.pos[0], pos[1] + o.pos[1], pos[2] + o.pos[2]);
  }
  mPoint& operator+=(const mPoint& o) {
    pos[0] += o.pos[0];
    pos[1] += o.pos[1];
    pos[2] += o.pos[2];
    return *this;
  }
  mPoint operator*(double s) const { return mPoint(pos[0] * s, pos[1] * s, pos[2] * s); }
  mPoint& operator*=(double s) {
    pos[0] *= s;
    pos[1] *= s;
    pos[2] *= s;
    return *this;
  }
  mPoint midpoint(const mPoint& o) const { return (*this + o) * 0.5; }

  // Ordering for maps keyed by points: lexicographic on x, y, z where
  // coordinates within 1e-6 of each other count as equal.
  bool operator<(const mPoint& o) const {
    const double eps = 1.e-6;
    if (pos[0] < o.pos[0] - eps) return true;
    if (pos[0] > o.pos[0] + eps) return false;
    if (pos[1] < o.pos[1] - eps) return true;
    if (pos[1] > o.pos[1] + eps) return false;
    return pos[2] < o.pos[2] - eps;
  }
};

}  // namespace KORA

#endif
