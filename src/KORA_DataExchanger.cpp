#include "KORA_DataExchanger.h"

#include <cstdlib>

#include "KORA_Util.h"
#include "mEntity.h"
#include "mMesh.h"
#include "mRefinement.h"

namespace KORA {

// One process: no entity has a copy on another process, nothing to exchange.
void mMesh::exchangeDataOnPartBdrys(KORA_DataExchanger&, bool) {}

namespace {
void* newMessage(int value, mEntity* remote) {
  KORA_IntMessage* m = static_cast<KORA_IntMessage*>(std::malloc(sizeof(KORA_IntMessage)));
  if (!m) return nullptr;
  m->value = value;
  m->entity = remote;
  return m;
}
}  // namespace

Used_DataExchanger::Used_DataExchanger(int dim) : dim_(dim) {}

void* Used_DataExchanger::AP_alloc_and_fill_buffer(mEntity* e, KORA_SharedInfo& copy, int) {
  if (e->getLevel() != dim_ || !hasMark(e, KORA_Util::Instance()->att3Id)) return nullptr;
  return newMessage(1, copy.remoteCopy);
}

void Used_DataExchanger::receiveData(int, void* message) {
  mEntity* e = static_cast<KORA_IntMessage*>(message)->entity;
  const unsigned int tag = KORA_Util::Instance()->att3Id;
  if (!hasMark(e, tag)) setMark(e, tag, 1);
}

Refinement_DataExchanger::Refinement_DataExchanger(std::list<mEntity*>* toSplit, bool periodic)
    : toSplit_(toSplit),
      periodic_(periodic),
      tagId_(periodic ? KORA_Util::Instance()->getMeshDataId("_ATT2")
                      : KORA_Util::Instance()->getMeshDataId("_ATT1")) {}

void* Refinement_DataExchanger::AP_alloc_and_fill_buffer(mEntity* e, KORA_SharedInfo& copy,
                                                         int) {
  if (!hasMark(e, tagId_) || copy.isPeriodic != periodic_) return nullptr;
  return newMessage(getMark(e, tagId_), copy.remoteCopy);
}

void Refinement_DataExchanger::receiveData(int, void* message) {
  const KORA_IntMessage* m = static_cast<KORA_IntMessage*>(message);
  mEntity* e = m->entity;
  if (!hasMark(e, tagId_)) {
    toSplit_->push_back(e);
    setMark(e, tagId_, m->value);
  } else if (m->value < getMark(e, tagId_)) {
    setMark(e, tagId_, m->value);
  }
}

FlagPeriodicCounterparts_DataExchanger::FlagPeriodicCounterparts_DataExchanger(
    int* counter, std::list<mEntity*>* toSplit)
    : counter_(counter), toSplit_(toSplit) {}

void* FlagPeriodicCounterparts_DataExchanger::AP_alloc_and_fill_buffer(mEntity* e,
                                                                       KORA_SharedInfo& copy,
                                                                       int) {
  if (!copy.isPeriodic || !hasMark(e, KORA_Util::Instance()->att1Id)) return nullptr;
  return newMessage(0, copy.remoteCopy);
}

void FlagPeriodicCounterparts_DataExchanger::receiveData(int, void* message) {
  mEntity* e = static_cast<KORA_IntMessage*>(message)->entity;
  const unsigned int tag = KORA_Util::Instance()->att1Id;
  if (hasMark(e, tag)) return;
  ++*counter_;
  setMark(e, tag, *counter_);
  toSplit_->push_back(e);
}

}  // namespace KORA
