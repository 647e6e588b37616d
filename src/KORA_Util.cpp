#include "KORA_Util.h"

namespace KORA {

KORA_Util* KORA_Util::instance = nullptr;

KORA_Util* KORA_Util::Instance() {
  if (!instance) instance = new KORA_Util();
  return instance;
}

KORA_Util::KORA_Util() {
  // The registration order fixes the ids: "_parent" 0 .. "_ATT3" 8.
  parentId = getMeshDataId("_parent");
  fmodId = getMeshDataId("_fmod");
  emodId = getMeshDataId("_emod");
  idId = getMeshDataId("_id");
  dnId = getMeshDataId("_dn");
  sizeId = getMeshDataId("_size");
  att1Id = getMeshDataId("_ATT1");
  att2Id = getMeshDataId("_ATT2");
  att3Id = getMeshDataId("_ATT3");
}

KORA_Util::~KORA_Util() {
  nameToId.clear();
  idToName.clear();
}

unsigned int KORA_Util::newMeshDataId(const char* name) {
  const std::string n(name ? name : "");
  if (nameToId.find(n) != nameToId.end()) throw 1;
  unsigned int id = 0;
  if (!nameToId.empty() && !idToName.empty()) id = idToName.rbegin()->first + 1;
  idToName[id] = n;
  nameToId[n] = id;
  return id;
}

unsigned int KORA_Util::getMeshDataId(const char* name) {
  auto it = nameToId.find(name ? name : "");
  if (it != nameToId.end()) return it->second;
  return newMeshDataId(name);
}

}  // namespace KORA
