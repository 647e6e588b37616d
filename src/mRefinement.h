// Helpers of hierarchical refinement: integer marks on entities, flagging of
// the entities to split, and the splitting of single edges.
#ifndef KORA_MREFINEMENT_H
#define KORA_MREFINEMENT_H

#include <list>

namespace KORA {

class mEntity;
class mEdge;
class mVertex;
class mFace;
class mMesh;
class KORA_OwnerManager;
class mMirrorVertex;

// Integer marks ("_ATT1", "_ATT2", "_ATT3"): an entity carries one when an
// object is attached under the tag.
bool hasMark(const mEntity* e, unsigned int tag);
int getMark(const mEntity* e, unsigned int tag);
void setMark(mEntity* e, unsigned int tag, int value);
void removeMark(mEntity* e, unsigned int tag);

// Sets (set true: next serial as "_ATT1", and one more as "_ATT2" when
// periodic) or removes the refinement flags of one entity.
void setFlags(mEntity* e, int& counter, bool set, KORA_OwnerManager* om, bool periodic);
// setFlags over an entity and its downward entities that get new vertices.
// With a mesh, missing edges and faces are found or registered in it;
// without, only stored sub-entities are visited.
void flagEntity(mEntity* e, int& counter, bool set, KORA_OwnerManager* om, mMesh* m = nullptr);
// Sets or removes the used mark on the entities used by those of dimension dim.
void markUsedEntities(mMesh* m, int dim, bool mark, bool closure);

// Gives e its sub-entities of dimension k, sharing those the mesh already has.
void createDownward(mMesh* m, mEntity* e, int k, int with);
// Halves an edge (once) and returns its midpoint.
mVertex* splitEdge(mMesh* m, mEdge* e, mEntity* parent);
// Removes the halves and the midpoint of a split edge.
void unsplitEdge(mMesh* m, mEdge* e);
void myswap(mEdge*& a, mEdge*& b);
// The i-th edge of an entity: its stored one, else the registered edge equal
// to its template (the template is registered when the mesh has none).
mEdge* registeredEdge(mMesh* m, mEntity* e, int i);
mFace* registeredFace(mMesh* m, mEntity* e, int i);

// Periodic (mirror) vertices. The records are owned by the mesh.
// Records a and b as mirror copies of each other (merging their records).
void linkMirrorVertices(mMesh* m, mVertex* a, mVertex* b);
// Takes a vertex that is about to be deleted out of its mirror record.
void dropMirrorVertex(mMesh* m, mVertex* v);
// A new mirror record owned by the mesh.
mMirrorVertex* newMirrorRecord(mMesh* m);
// The registered faces whose vertices are all mirror copies of the vertices
// of f (f excluded); false when a vertex of f has no mirror record.
bool lookupForMirrorFaces(mMesh* m, mEntity* f, std::list<mEntity*>& mirrors);

}  // namespace KORA

#endif
