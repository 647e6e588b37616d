#ifndef KORA_MIDGENERATOR_H
#define KORA_MIDGENERATOR_H

#include <queue>

namespace KORA {

// Source of new vertex ids: one more than the largest id created or handed
// out so far. Ids given back are recorded but never handed out again.
class mIdGenerator {
  int maxValue;
  std::queue<int> freedIds;

public:
  mIdGenerator();
  virtual ~mIdGenerator();
  int generateId();
  void setMaxValue(int id);
  int getMaxValue() const { return maxValue; }
  void addId(int id);
};

}  // namespace KORA

#endif
