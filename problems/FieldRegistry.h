#ifndef DG_FIELDREGISTRY_H
#define DG_FIELDREGISTRY_H

// The analytic fields of the problem set-ups live until the process ends:
// laws hold them without owning them, and a set-up may run more than once
// (fresh start, restart). The registry owns them so that they are released
// at exit instead of being leaked.

#include <memory>
#include <utility>
#include <vector>

#include "FieldEvaluator.h"

std::vector<std::unique_ptr<FieldEvaluator>> &problemFieldRegistry();

// Creates a field and hands it to the registry; returns a plain pointer.
template <class T, class... Args>
T *keepField(Args &&...args) {
  auto owned = std::make_unique<T>(std::forward<Args>(args)...);
  T *raw = owned.get();
  problemFieldRegistry().push_back(std::move(owned));
  return raw;
}

#endif
