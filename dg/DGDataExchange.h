#ifndef DG_DGDATAEXCHANGE_H
#define DG_DGDATAEXCHANGE_H

// Exchange of DG face data across partition boundaries, through the mesh
// layer's per-entity exchange. With one process the mesh layer ships nothing,
// so the three exchanges below return without effect; the exchangers still
// pack and unpack their messages for a mesh layer that does ship them.
//
// Face-value message (tag 113): the receiver's handle of the face (one entity
// pointer), then nGP x nbSent doubles, point after point, the first nbSent
// entries of each point's left state.
// Tag message (tag 114): the sender's left tag as a 32-bit int, then the
// receiver's handle of the face (one entity pointer).

#include "KORA_DataExchanger.h"

class DGBoundaryCell;

class Solution_DataExchanger : public KORA::KORA_DataExchanger {
public:
  double time;        // time at which received values are stored
  bool sendGrads;     // messages carry values and gradients
  int dim;            // space dimension: faces have dimension dim - 1
  int level;          // time level being computed; 0 or less: every level
  bool recvGrads;     // the receiver keeps values and gradients
  int nbFields;       // of the run's law
  int nbSent;         // values sent per face point
  int exchangeTag;
  DGBoundaryCell *currentFace;  // face last packed or unpacked

  Solution_DataExchanger(double time, bool sendGrads, int dim, int level, bool recvGrads, int exchangeTag);
  virtual ~Solution_DataExchanger() = default;

  int tag() const override { return exchangeTag; }
  void *AP_alloc_and_fill_buffer(KORA::mEntity *e, KORA::KORA_SharedInfo &copy, int dest) override;
  // Values missing from a message (a values-only message received where
  // gradients are kept) are stored as 0.
  void receiveData(int from, void *message) override;

  // Length in bytes of the message of a face with nGP points.
  static size_t messageSize(int nGP, int nbSent);
};

class Tags_DataExchanger : public KORA::KORA_DataExchanger {
public:
  int dim;

  explicit Tags_DataExchanger(int dim) : dim(dim) {}
  virtual ~Tags_DataExchanger() = default;

  int tag() const override { return 114; }
  void *AP_alloc_and_fill_buffer(KORA::mEntity *e, KORA::KORA_SharedInfo &copy, int dest) override;
  void receiveData(int from, void *message) override;

  static constexpr size_t messageSize = sizeof(int) + sizeof(KORA::mEntity *);
};

// The analysis's exchanges: face values of a level, face values and
// gradients of a level, and the faces' time-level tags. The mesh, its
// dimension and the law come from the global context.
void dgCommUl(double t, short level);
void dgCommGradsUl(double t, short level);
void dgCommTags();

#endif
