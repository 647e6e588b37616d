#include "snapVertices.h"

#include <cstdio>

using namespace KORA;

snapVertices::snapVertices(pMesh m, metricField* f, SSList<mEntity*>* vertices)
    : mesh(m), field(f), toSnap(vertices ? vertices : new SSList<mEntity*>) {}

snapVertices::snapVertices(pMesh m, metricField* f) : snapVertices(m, f, nullptr) {}

snapVertices::~snapVertices() { delete toSnap; }

void snapVertices::setCallback(CBFunction cb, void* data) {
  callback = cb;
  userData = data;
}

int snapVertices::run() {
  std::fprintf(stderr,
               "Error: snapping to the geometric model is not available (%d vertices to snap)\n",
               toSnap->size());
  return -1;
}
