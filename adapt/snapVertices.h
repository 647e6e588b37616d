// Snapping of new boundary vertices onto the geometric model. The model
// services it needs (parameters on model edges and faces, points at given
// parameters) are not available in this system, so the stage only reports
// that it cannot snap.
#ifndef DG_ADAPT_SNAPVERTICES_H
#define DG_ADAPT_SNAPVERTICES_H

#include "KORA.h"
#include "metricField.h"

class snapVertices {
 public:
  // Takes over the list of vertices to snap.
  snapVertices(KORA::pMesh m, metricField* f, KORA::SSList<KORA::mEntity*>* vertices);
  snapVertices(KORA::pMesh m, metricField* f);
  ~snapVertices();
  snapVertices(const snapVertices&) = delete;
  snapVertices& operator=(const snapVertices&) = delete;

  void setCallback(KORA::CBFunction cb, void* data);
  // The number of vertices left to snap, or -1 when snapping failed; here
  // always -1 after a message on standard error.
  int run();

  KORA::pMesh mesh;
  metricField* field;
  KORA::SSList<KORA::mEntity*>* toSnap;
  KORA::CBFunction callback = nullptr;
  void* userData = nullptr;
};

#endif
