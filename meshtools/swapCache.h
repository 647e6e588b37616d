// The process-wide record of the edge whose swap configurations were
// examined last (shared by the configuration queries and the swaps).
#ifndef DG_MESHTOOLS_SWAPCACHE_H
#define DG_MESHTOOLS_SWAPCACHE_H

#include <cstdint>

#include "KORA.h"

struct swapCache {
  static constexpr int maxRing = 29;
  KORA::pEdge edge = nullptr;
  int nbTriangles = 0;
  const int (*triangles)[3] = nullptr;
  int nbConfigs = 0;
  int trianglesPerConfig = 0;
  const int (*configs)[5] = nullptr;
  std::int16_t triangleFlags[35] = {};
  std::int16_t configFlags[42] = {};
  KORA::pVertex ring[maxRing] = {};
  int ringSize = 0;
  KORA::pVertex top = nullptr;
  KORA::pVertex bottom = nullptr;
  int configRow(int i) const;
};

extern swapCache sc;

#endif
