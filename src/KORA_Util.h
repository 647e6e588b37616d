#ifndef KORA_KORA_UTIL_H
#define KORA_KORA_UTIL_H

#include <iosfwd>
#include <map>
#include <string>

namespace KORA {

class mMesh;

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
  void exportGmshFile(std::ostream& out, mMesh* m) const;
  void exportGmshFile(const char* fileName, mMesh* m) const;
  // EnSight geometry, ".sms" reader, plain tetrahedral grid, model-entity mapping file.
  void exportEnsightFile(const char* fileName, mMesh* m, bool boundary);
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
