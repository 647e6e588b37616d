// Per-entity data exchange across partition boundaries. An exchanger packs one
// message per copy of a shared entity and applies every message received;
// mMesh::exchangeDataOnPartBdrys drives it. With one process nothing is sent.
#ifndef KORA_DATAEXCHANGER_H
#define KORA_DATAEXCHANGER_H

#include <list>

#include "KORA_OwnerManager.h"

namespace KORA {

class mEntity;

class KORA_DataExchanger {
 public:
  virtual int tag() const = 0;
  // A message allocated with malloc for the copy, or null to send nothing.
  virtual void* AP_alloc_and_fill_buffer(mEntity* e, KORA_SharedInfo& copy, int dest) = 0;
  virtual void receiveData(int from, void* message) = 0;

 protected:
  ~KORA_DataExchanger() = default;
};

// The message of the refinement exchangers: a value and the entity it is
// about, as known on the receiving side.
struct KORA_IntMessage {
  int value;
  mEntity* entity;
};

// Used marks ("_ATT3") of the entities of one dimension.
class Used_DataExchanger : public KORA_DataExchanger {
 public:
  explicit Used_DataExchanger(int dim);
  int tag() const override { return 184; }
  void* AP_alloc_and_fill_buffer(mEntity* e, KORA_SharedInfo& copy, int dest) override;
  void receiveData(int from, void* message) override;
  virtual ~Used_DataExchanger() = default;

 private:
  int dim_;
};

// Refinement serials: "_ATT2" over periodic copies when `periodic`, else
// "_ATT1" over the other copies; the smallest serial wins.
class Refinement_DataExchanger : public KORA_DataExchanger {
 public:
  Refinement_DataExchanger(std::list<mEntity*>* toSplit, bool periodic);
  int tag() const override { return 112; }
  void* AP_alloc_and_fill_buffer(mEntity* e, KORA_SharedInfo& copy, int dest) override;
  void receiveData(int from, void* message) override;
  virtual ~Refinement_DataExchanger() = default;

 private:
  std::list<mEntity*>* toSplit_;
  bool periodic_;
  unsigned int tagId_;
};

// Flags ("_ATT1") the periodic counterparts of flagged entities.
class FlagPeriodicCounterparts_DataExchanger : public KORA_DataExchanger {
 public:
  FlagPeriodicCounterparts_DataExchanger(int* counter, std::list<mEntity*>* toSplit);
  int tag() const override { return 114; }
  void* AP_alloc_and_fill_buffer(mEntity* e, KORA_SharedInfo& copy, int dest) override;
  void receiveData(int from, void* message) override;
  virtual ~FlagPeriodicCounterparts_DataExchanger() = default;

 private:
  int* counter_;
  std::list<mEntity*>* toSplit_;
};

}  // namespace KORA

#endif
