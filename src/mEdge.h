#ifndef KORA_MEDGE_H
#define KORA_MEDGE_H

#include "mEntity.h"

namespace KORA {

class mVertex;

// A mesh edge: its two vertices are the entries of its vertex list; its id is
// the sum of their keys.
class mEdge : public mEntity {
public:
  mEdge(mVertex* v1, mVertex* v2, gEntity* g);
  ~mEdge() override;

  // Re-targets the edge on two (non-null) vertices and recomputes its id.
  void setVertices(mVertex* v1, mVertex* v2);
  mVertex* vertex(int i) const;
  // A vertex shared with the other edge, or null.
  mVertex* commonVertex(mEdge* other) const;

  int getDim() const { return 1; }
  int getNbTemplates(int dim) const override;
  int getLevel() const override { return 1; }
  mType getType() const override { return EDGE; }
  void print() const override;
};

}  // namespace KORA

#endif
