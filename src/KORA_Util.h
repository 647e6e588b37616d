#ifndef KORA_KORA_UTIL_H
#define KORA_KORA_UTIL_H

#include <cstddef>
#include <iosfwd>
#include <map>
#include <string>
#include <vector>

namespace KORA {

class mMesh;
class mEntity;
class mTextWriter;

// The mesh library's utility singleton: registry of attached-data names
// (name <-> unsigned tag).
class KORA_Util {
public:
  // Tags of the names the library registers at construction.
  unsigned int fmodId;    // "_fmod": face higher-order points
  unsigned int emodId;    // "_emod": edge higher-order points
  unsigned int parentId;  // "_parent": refinement parent
  unsigned int idId;      // "_id": int id of non-vertex entities
  unsigned int sizeId;    // "_size": double size of vertices
  unsigned int dnId;      // "_dn"
  unsigned int att1Id;    // "_ATT1": refinement serial
  unsigned int att2Id;    // "_ATT2": second serial of periodic entities
  unsigned int att3Id;    // "_ATT3": used-entity mark

  // Registry; both maps always hold the same pairs.
  std::map<std::string, unsigned int> nameToId;
  std::map<unsigned int, std::string> idToName;

  static KORA_Util* Instance();

  // Registers a name not registered yet and returns its new id (0 for an
  // empty registry, else the largest id plus 1). Throws the integer 1 when
  // the name is already registered.
  unsigned int newMeshDataId(const char* name);
  // The look-up idiom: the id of a registered name, else registers it.
  unsigned int getMeshDataId(const char* name);

  // Mesh files by name: the last four characters of the name choose the format.
  void import(const char* fileName, mMesh* m);
  void ex_port(const char* fileName, mMesh* m, bool boundary);
  // Sectioned ".msh" text.
  void importDGFile(std::istream& in, mMesh* m);
  void importDGFile(const char* fileName, mMesh* m);
  void exportDGFile(std::ostream& out, mMesh* m, bool boundary);
  // The text of exportDGFile (boundary false) in an order that depends on
  // the entities alone, not on the history of the mesh's tables: vertex
  // records by id, element trees by dimension, type code and the vertex ids
  // of their root record, numbered from 1 in that order. Coordinates with 16
  // digits in scientific notation. The recovery file's mesh section.
  void exportDGFileSorted(mTextWriter& out, mMesh* m);
  void exportGmshFile(std::ostream& out, mMesh* m) const;
  void exportGmshFile(const char* fileName, mMesh* m) const;
  // EnSight 6 geometry text (the format of a case file of type "ensight"):
  // description lines, "node id given", "element id given", "coordinates",
  // the vertex count and one line per vertex, then one part holding the
  // elements in blocks of one type each, every block with its count. The
  // element ids are the elements' positions in the file, from 1. The first
  // form writes every face of every refinement level (the bool has no
  // effect), the second the given elements in the order of ensightBlocks.
  // Both throw (an mException*) when the file cannot be made or written.
  void exportEnsightFile(const char* fileName, mMesh* m, bool boundary);
  void exportEnsightFile(const char* fileName, mMesh* m, std::vector<mEntity*> elements);
  // A run of elements of one EnSight type: its name ("tria3", "hexa8", ...)
  // and its range [begin, end) in the ordered elements.
  struct EnsightBlock {
    const char* type;
    std::size_t begin, end;
  };
  // Orders the elements as the geometry file lists them: by type (bar2,
  // tria3, quad4, tetra4, pyramid5, penta6, hexa8), keeping their order within
  // a type; elements of no such type are dropped. Returns the blocks.
  static std::vector<EnsightBlock> ensightBlocks(std::vector<mEntity*>& elements);
  // ".sms" reader, plain tetrahedral grid, model-entity mapping file.
  void importSmsFile(const char* fileName, mMesh* m);
  void importBriselGrid(std::istream& in, mMesh* m);
  void setMappingFile(const char* fileName, mMesh* m);

  // Model topology derived from a mesh's classification and its dump.
  void BuildGTopology(mMesh* m);
  void print_topology(const char* fileName, mMesh* m);

  ~KORA_Util();

private:
  KORA_Util();
  KORA_Util(const KORA_Util&) = delete;
  KORA_Util& operator=(const KORA_Util&) = delete;
  static KORA_Util* instance;
};

}  // namespace KORA

#endif
