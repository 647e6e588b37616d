#include "mIdGenerator.h"

namespace KORA {

mIdGenerator::mIdGenerator() : maxValue(0) {}

mIdGenerator::~mIdGenerator() {}

int mIdGenerator::generateId() { return ++maxValue; }

void mIdGenerator::setMaxValue(int id) {
  if (id > maxValue) maxValue = id;
}

void mIdGenerator::addId(int id) { freedIds.push(id); }

}  // namespace KORA
