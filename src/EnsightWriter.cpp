// EnSight 6 geometry text: description lines, the vertices with their count,
// then one part whose elements come in blocks of one type, each with its
// count. Fields follow the format's fixed widths (ids i8, coordinates e12.5).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "KORA_Util.h"
#include "mException.h"
#include "mMesh.h"
#include "mVertex.h"

namespace KORA {

namespace {

struct EnsightType {
  mEntity::mType type;
  const char* name;
  int nbVertices;
};

// The EnSight element types in the order of their blocks.
constexpr EnsightType kTypes[] = {
    {mEntity::EDGE, "bar2", 2},         {mEntity::TRI, "tria3", 3},
    {mEntity::QUAD, "quad4", 4},        {mEntity::TET, "tetra4", 4},
    {mEntity::PYRAMID, "pyramid5", 5},  {mEntity::PRISM, "penta6", 6},
    {mEntity::HEX, "hexa8", 8},
};
constexpr int kNbTypes = static_cast<int>(sizeof kTypes / sizeof kTypes[0]);

int typeRank(const mEntity* e) {
  for (int k = 0; k < kNbTypes; ++k)
    if (kTypes[k].type == e->getType()) return k;
  return kNbTypes;
}

// A coordinate that keeps to twelve characters in "%12.5e": magnitudes the
// two-digit exponent cannot hold are flushed to 0 or to the largest it can.
double fitted(double x) {
  if (std::fabs(x) < 1.0e-99) return 0.0;
  if (std::fabs(x) > 9.99994e99) return x < 0 ? -9.99999e99 : 9.99999e99;
  return x;
}

}  // namespace

std::vector<KORA_Util::EnsightBlock> KORA_Util::ensightBlocks(std::vector<mEntity*>& elements) {
  elements.erase(std::remove_if(elements.begin(), elements.end(),
                                [](const mEntity* e) { return !e || typeRank(e) == kNbTypes; }),
                 elements.end());
  std::stable_sort(elements.begin(), elements.end(),
                   [](const mEntity* a, const mEntity* b) { return typeRank(a) < typeRank(b); });
  std::vector<EnsightBlock> blocks;
  for (std::size_t i = 0; i < elements.size();) {
    const int rank = typeRank(elements[i]);
    std::size_t j = i;
    while (j < elements.size() && typeRank(elements[j]) == rank) ++j;
    blocks.push_back({kTypes[rank].name, i, j});
    i = j;
  }
  return blocks;
}

void KORA_Util::exportEnsightFile(const char* fileName, mMesh* m, bool) {
  std::vector<mEntity*> faces;
  if (m)
    for (mEntityHashTableIterator it = m->beginall(2), last = m->endall(2); it != last; ++it)
      faces.push_back(*it);
  exportEnsightFile(fileName, m, std::move(faces));
}

void KORA_Util::exportEnsightFile(const char* fileName, mMesh* m, std::vector<mEntity*> elements) {
  const char* name = fileName ? fileName : "";
  std::FILE* f = std::fopen(name, "w");
  if (!f) {
    const std::string text = std::string("cannot open the EnSight geometry file ") + name;
    throw new mException(__LINE__, "src/mKORA", text.c_str());
  }
  std::fprintf(f, "blbabl\n blbabl\n node id given\n element id given\n coordinate\n");
  std::vector<mEntity*> vertices;
  if (m)
    for (mEntityHashTableIterator it = m->beginall(0), last = m->endall(0); it != last; ++it)
      vertices.push_back(*it);
  std::fprintf(f, "%8d\n", static_cast<int>(vertices.size()));
  for (mEntity* e : vertices) {
    const mPoint p = static_cast<mVertex*>(e)->point();
    std::fprintf(f, "%8d%12.5e%12.5e%12.5e\n", e->getId(), fitted(p(0)), fitted(p(1)),
                 fitted(p(2)));
  }
  const std::vector<EnsightBlock> blocks = ensightBlocks(elements);
  if (!blocks.empty()) std::fprintf(f, "part 1\nmesh\n");
  for (const EnsightBlock& b : blocks) {
    const int nbVertices = kTypes[typeRank(elements[b.begin])].nbVertices;
    std::fprintf(f, "%s\n%8d\n", b.type, static_cast<int>(b.end - b.begin));
    for (std::size_t i = b.begin; i < b.end; ++i) {
      mEntity* e = elements[i];
      std::fprintf(f, "%8d", static_cast<int>(i + 1));
      for (int k = 0; k < nbVertices; ++k) std::fprintf(f, "%8d", e->get(0, k)->getId());
      std::fprintf(f, "\n");
    }
  }
  const bool bad = std::ferror(f) != 0;
  if (std::fclose(f) != 0 || bad) {
    const std::string text = std::string("cannot write the EnSight geometry file ") + name;
    throw new mException(__LINE__, "src/mKORA", text.c_str());
  }
}

}  // namespace KORA
