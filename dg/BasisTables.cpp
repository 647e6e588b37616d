#include "BasisTables.h"

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>
#include <typeindex>
#include <typeinfo>

#include "FunctionSpace.h"
#include "GaussIntegrator.h"
#include "mEntity.h"

const std::vector<double> &BasisRow::none() {
  static const std::vector<double> empty;
  return empty;
}

namespace {

std::uint64_t bitsOf(double x) {
  std::uint64_t b;
  std::memcpy(&b, &x, sizeof b);
  return b;
}

using Key = std::tuple<std::type_index, int, std::uint64_t, std::uint64_t, std::uint64_t>;

}  // namespace

const SharedBasisPoint &sharedBasisAt(const FunctionSpace *space, double u, double v, double w) {
  static std::mutex guard;
  static std::map<Key, std::unique_ptr<SharedBasisPoint>> tables;
  const Key key(std::type_index(typeid(*space)), space->order(), bitsOf(u), bitsOf(v), bitsOf(w));
  std::lock_guard<std::mutex> lock(guard);
  std::unique_ptr<SharedBasisPoint> &slot = tables[key];
  if (!slot) {
    auto p = std::make_unique<SharedBasisPoint>();
    const int n = space->size();
    p->phi.assign(n, 0.0);
    p->refGrads.assign(n, KORA::mVector());
    space->fcts(u, v, w, p->phi);
    space->grads(u, v, w, p->refGrads);
    slot = std::move(p);
  }
  return *slot;
}

const RulePoint *sharedRule(KORA::mEntity *element, int order) {
  static std::mutex guard;
  static std::map<std::pair<int, int>, std::vector<RulePoint>> rules;
  const std::pair<int, int> key(element->getType(), order);
  std::lock_guard<std::mutex> lock(guard);
  auto it = rules.find(key);
  if (it == rules.end()) {
    KORA::GaussIntegrator gauss(element);
    std::vector<RulePoint> rule(gauss.nbIntegrationPoints(order));
    for (std::size_t k = 0; k < rule.size(); ++k)
      gauss.iPoint(static_cast<int>(k), order, rule[k].u, rule[k].v, rule[k].w, rule[k].weight);
    it = rules.emplace(key, std::move(rule)).first;
  }
  return it->second.data();
}
