#ifndef DG_PROBESUPPORT_H
#define DG_PROBESUPPORT_H

// Small helpers shared by the column-file sensors and the trackers: a file
// handle that closes itself, the points of a segment and of a quadrangle
// grid, and the fixed capacities of one point's buffers.

#include <cstdio>
#include <string>
#include <utility>

#include "mPoint.h"
#include "mVector.h"

namespace probe {

// Capacities of the per-point buffers: a law has at most this many fields and
// a field of interest at most this many components.
constexpr int kMaxValues = 256;

// Records that the named file could not be opened or written (error: an
// errno value, 0 when unknown); the first such failure is thrown by
// reportOutputFailures (DGSensor.h) at the end of the sensors' turn.
void recordFailure(const std::string &name, int error);

// A file of a sensor: closes itself, and records a failure of any write or of
// the close, so that lost output never passes unnoticed.
class File {
public:
  File() = default;
  File(std::FILE *f, std::string name) : f(f), name(std::move(name)) {}
  File(File &&o) noexcept : f(o.f), name(std::move(o.name)) { o.f = nullptr; }
  File &operator=(File &&o) noexcept {
    if (this != &o) {
      close();
      f = o.f;
      name = std::move(o.name);
      o.f = nullptr;
    }
    return *this;
  }
  File(const File &) = delete;
  File &operator=(const File &) = delete;
  ~File() { close(); }

  std::FILE *get() const { return f; }
  explicit operator bool() const { return f != nullptr; }

private:
  void close() noexcept;

  std::FILE *f = nullptr;
  std::string name;
};

// Opens the file in the runtime's mode ("w" or "a"); null (and a recorded
// failure) when it cannot be opened.
File open(const std::string &name, const char *mode);

// Creates or truncates the file and closes it again.
inline void truncate(const std::string &name) { open(name, "w"); }

// Relative position of sample k of n equidistant samples: k / (n - 1), and 0
// when there is a single sample (no division by zero).
inline double fraction(int k, int n) {
  return n > 1 ? static_cast<double>(k) / static_cast<double>(n - 1) : 0.0;
}

// Sample point at relative position s on the segment p1-p2: p1 + (p2 - p1) s.
inline KORA::mPoint along(const KORA::mPoint &p1, const KORA::mPoint &p2, double s) {
  return KORA::mPoint(p1.x() + (p2.x() - p1.x()) * s, p1.y() + (p2.y() - p1.y()) * s,
                      p1.z() + (p2.z() - p1.z()) * s);
}

// Zeroes the first n gradients (all of them when n is out of range).
inline void zeroGradients(KORA::mVector *grads, int n) {
  if (n < 0 || n > kMaxValues) n = kMaxValues;
  for (int i = 0; i < n; ++i) grads[i] = KORA::mVector(0.0, 0.0, 0.0);
}

// Number of components of a field that fit the buffers (negative sizes count as 0).
inline int clampSize(int size) { return size < 0 ? 0 : (size > kMaxValues ? kMaxValues : size); }

}  // namespace probe

#endif
