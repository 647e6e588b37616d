#ifndef DG_BASISTABLES_H
#define DG_BASISTABLES_H

// Basis values and reference gradients at quadrature points, kept once per
// basis family, order and reference point and shared by every cell and
// interface cell that evaluates the basis there (the values depend on the
// reference coordinates alone). The tables live until the program ends and
// never move, so views into them stay valid.

#include <cstddef>
#include <map>
#include <utility>
#include <vector>

#include "mVector.h"

class FunctionSpace;
namespace KORA {
class mEntity;
}

// A read-only view of one list of basis values (owned elsewhere). It reads
// like the vector it refers to, and converts to it.
class BasisRow {
public:
  BasisRow() : v_(&none()) {}
  explicit BasisRow(const std::vector<double> &values) : v_(&values) {}

  std::size_t size() const { return v_->size(); }
  bool empty() const { return v_->empty(); }
  const double *data() const { return v_->data(); }
  double operator[](std::size_t i) const { return (*v_)[i]; }
  std::vector<double>::const_iterator begin() const { return v_->begin(); }
  std::vector<double>::const_iterator end() const { return v_->end(); }
  const std::vector<double> &values() const { return *v_; }
  operator const std::vector<double> &() const { return *v_; }

private:
  static const std::vector<double> &none();
  const std::vector<double> *v_;
};

// The basis of one family and order at one reference point.
struct SharedBasisPoint {
  std::vector<double> phi;              // basis values
  std::vector<KORA::mVector> refGrads;  // gradients in reference coordinates
};

// The shared tables of the space's family at its current order at (u, v, w),
// made on first use. Points are told apart by their exact coordinates.
const SharedBasisPoint &sharedBasisAt(const FunctionSpace *space, double u, double v, double w);

// One point of a Gauss rule in reference coordinates.
struct RulePoint {
  double u, v, w, weight;
};

// The Gauss rule of the element's kind and the order (as GaussIntegrator
// gives it), made on first use and shared; it never moves.
const RulePoint *sharedRule(KORA::mEntity *element, int order);

// A table made once (by make()) per volume rule and basis size, and shared by
// every cell with both; the last one asked for is kept at hand, since the
// cells of a sweep mostly share it. Each call site keeps its own tables.
template <class T, class Make>
const T &tablePerRule(const RulePoint *rule, int basisSize, Make &&make) {
  using Key = std::pair<const RulePoint *, int>;
  thread_local Key lastKey{nullptr, -1};
  thread_local const T *last = nullptr;
  const Key key(rule, basisSize);
  if (key == lastKey) return *last;
  thread_local std::map<Key, T> made;
  auto it = made.find(key);
  if (it == made.end()) it = made.emplace(key, make()).first;
  lastKey = key;
  last = &it->second;
  return *last;
}

#endif
