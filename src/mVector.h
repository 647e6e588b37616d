#ifndef KORA_MVECTOR_H
#define KORA_MVECTOR_H

#include <cmath>

#include "mPoint.h"

namespace KORA {

// A direction, gradient or normal: three doubles, zero by default.
class mVector {
  double pos[3];

public:
  mVector(double x = 0.0, double y = 0.0, double z = 0.0) : pos{x, y, z} {}
  // The vector from a to b.
  mVector(const mPoint& a, const mPoint& b) : pos{b(0) - a(0), b(1) - a(1), b(2) - a(2)} {}

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

  mVector operator+(const mVector& o) const {
    return mVector(pos[0] + o.pos[0], pos[1] + o.pos[1], pos[2] + o.pos[2]);
  }
  mVector operator-(const mVector& o) const {
    return mVector(pos[0] - o.pos[0], pos[1] - o.pos[1], pos[2] - o.pos[2]);
  }
  mVector operator-() const { return mVector(-pos[0], -pos[1], -pos[2]); }
  mVector& operator+=(const mVector& o) {
    pos[0] += o.pos[0];
    pos[1] += o.pos[1];
    pos[2] += o.pos[2];
    return *this;
  }
  mVector& operator-=(const mVector& o) {
    pos[0] -= o.pos[0];
    pos[1] -= o.pos[1];
    pos[2] -= o.pos[2];
    return *this;
  }
  mVector operator*(double s) const { return mVector(pos[0] * s, pos[1] * s, pos[2] * s); }
  mVector& operator*=(double s) {
    pos[0] *= s;
    pos[1] *= s;
    pos[2] *= s;
    return *this;
  }
  mVector operator/(double s) const { return mVector(pos[0] / s, pos[1] / s, pos[2] / s); }
  mVector& operator/=(double s) {
    pos[0] /= s;
    pos[1] /= s;
    pos[2] /= s;
    return *this;
  }

  // Dot product.
  double operator*(const mVector& o) const {
    return pos[0] * o.pos[0] + pos[1] * o.pos[1] + pos[2] * o.pos[2];
  }
  double dot(const mVector& o) const { return *this * o; }
  // Cross product.
  mVector operator%(const mVector& o) const {
    return mVector(pos[1] * o.pos[2] - pos[2] * o.pos[1], pos[2] * o.pos[0] - pos[0] * o.pos[2],
                   pos[0] * o.pos[1] - pos[1] * o.pos[0]);
  }
  mVector cross(const mVector& o) const { return *this % o; }

  double length() const { return std::sqrt(*this * *this); }
  // Divides the vector by its length in place and returns that length;
  // a vector of length exactly 0 is left unchanged and 0 is returned.
  double normalize() {
    const double l = length();
    if (l != 0.0) {
      pos[0] /= l;
      pos[1] /= l;
      pos[2] /= l;
    }
    return l;
  }
};

inline mVector operator*(double s, const mVector& v) { return v * s; }

// Point arithmetic that involves vectors.
inline mVector operator-(const mPoint& b, const mPoint& a) { return mVector(a, b); }
inline mPoint operator+(const mPoint& p, const mVector& v) {
  return mPoint(p(0) + v(0), p(1) + v(1), p(2) + v(2));
}
inline mPoint operator-(const mPoint& p, const mVector& v) {
  return mPoint(p(0) - v(0), p(1) - v(1), p(2) - v(2));
}

}  // namespace KORA

#endif
