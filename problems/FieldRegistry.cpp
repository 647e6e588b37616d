#include "FieldRegistry.h"

std::vector<std::unique_ptr<FieldEvaluator>> &problemFieldRegistry() {
  static std::vector<std::unique_ptr<FieldEvaluator>> fields;
  return fields;
}
