// Free functions of the mesh-file code: the record readers and writers of the
// sectioned ".msh" text, the periodic groups, and the classification of the
// vertices a reader leaves unclassified.
#ifndef KORA_MESHFILES_H
#define KORA_MESHFILES_H

#include <iosfwd>
#include <map>
#include <set>

namespace KORA {

class mEntity;
class mMesh;

// Reads one element record and, recursively, its children (depth is the tree
// level of the record); counter counts the records read. Returns the new
// entity, or null for a record that creates none. Throws a new mException
// on malformed input.
mEntity* readGmshELM(std::istream& in, mMesh* m, int depth, int& counter);
// Write one record, then the records of the entity's children at depth + 1;
// the element number is advanced by each record written.
void printGmshEdge(std::ostream& out, mEntity* e, int& number, int depth);
void printGmshFace(std::ostream& out, mEntity* e, int& number, int depth);
void printGmshRegion(std::ostream& out, mEntity* e, int& number, int depth);

// Turns periodic associations (key, id) into one mirror record per group of
// vertices reachable from each other.
void resolveAssociations(mMesh* m, std::multimap<int, int>& assoc);
void addAss(int id, std::set<int>& visited, std::set<int>& group, std::multimap<int, int>& assoc);

// Gives each unclassified vertex the model entity of the first classified
// edge, else face, else region that uses it.
void classifyUnclassifiedVerices(mMesh* m);

}  // namespace KORA

#endif
