#ifndef KORA_MREGION_H
#define KORA_MREGION_H

#include "mEntity.h"

namespace KORA {

class mFace;
class mEdge;

// Abstract base of the three-dimensional entity kinds.
class mRegion : public mEntity {
public:
  mRegion();
  ~mRegion() override;
  int getLevel() const override { return 3; }
  mType getType() const override = 0;

  // First face of this region that is also a face of r (same object), or null.
  mFace* commonFace(mRegion* r) const;
  // The least edge (entity order) of this region for which r1 and r2 both
  // have an edge on the same two vertices, or null.
  mEdge* commonEdge(mRegion* r1, mRegion* r2) const;

protected:
  // Template helpers shared by the region kinds, given the kind's table rows.
  // Vertex i: the stored entry, else the vertex shared by edges ea and eb,
  // else the vertex common to faces f0, f1, f2, else null.
  mEntity* vertexTemplate(int i, int ea, int eb, int f0, int f1, int f2) const;
  // Edge on vertices va, vb: the edge common to faces fa and fb when a face
  // list exists and they share one, else a new edge.
  mEntity* edgeTemplate(int va, int vb, int fa, int fb) const;
};

}  // namespace KORA

#endif
