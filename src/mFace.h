#ifndef KORA_MFACE_H
#define KORA_MFACE_H

#include "mEntity.h"

namespace KORA {

class mVertex;
class mEdge;

// A triangle or a quadrilateral. Edge k joins vertices k and (k+1) mod n;
// vertex k is shared by edges (k+n-1) mod n and k.
class mFace : public mEntity {
protected:
  mType type;

public:
  mFace(mVertex* v1, mVertex* v2, mVertex* v3, gEntity* g);
  mFace(mEdge* e1, mEdge* e2, mEdge* e3, gEntity* g);
  mFace(mVertex* v1, mVertex* v2, mVertex* v3, mVertex* v4, gEntity* g);
  mFace(mEdge* e1, mEdge* e2, mEdge* e3, mEdge* e4, gEntity* g);
  // A triangle on a ready list of sub-entities.
  mFace(mAdjacencyContainer* subs, gEntity* g);
  mFace();
  ~mFace() override;

  int getNbTemplates(int dim) const override;
  mEntity* getTemplate(int i, int dim, int with) const override;
  int getLevel() const override { return 2; }
  mType getType() const override { return type; }
  void print() const override;
  int getDim() const { return 2; }

  // First vertex of this face that is also a vertex of a and of b, or null.
  mVertex* commonVertex(mFace* a, mFace* b) const;
  // First edge of this face's edge list that is also in f's edge list, or null.
  mEdge* commonEdge(mFace* f) const;
};

}  // namespace KORA

#endif
