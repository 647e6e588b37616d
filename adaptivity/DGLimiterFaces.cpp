// Leaf faces around the cells that a limiter visits (see DGLimiterFaces.h).

#include "DGLimiterFaces.h"

#include <list>

#include "DGBoundaryCell.h"
#include "DGCell.h"
#include "mEntity.h"

using KORA::mEntity;

std::size_t LimiterFaceTable::collect(const DGCell *cell) {
  const std::size_t entry = cells.size();
  cells.push_back(cell);
  mEntity *element = cell->getEntity();
  const int d = element->getLevel() - 1;
  const int nbSub = element->size(d);
  std::list<mEntity *> leaves;
  for (int i = 0; i < nbSub; ++i) element->get(d, i)->getLeaves(leaves);
  for (mEntity *f : leaves) entries.push_back({f, dgBoundaryCellOf(f), f->getFastData()});
  start.push_back(entries.size());
  entryOf[cell] = entry;
  return entry;
}

std::span<const LimiterFaceTable::Face> LimiterFaceTable::faces(const DGCell *cell) {
  if (empty || generation != dgCellGeneration) {
    cells.clear();
    entries.clear();
    entryOf.clear();
    start.assign(1, 0);
    generation = dgCellGeneration;
    empty = false;
    last = 0;
    ++resets;
  }
  std::size_t entry;
  if (last + 1 < cells.size() && cells[last + 1] == cell) {
    entry = last + 1;
  } else if (last < cells.size() && cells[last] == cell) {
    entry = last;
  } else {
    auto it = entryOf.find(cell);
    entry = it != entryOf.end() ? it->second : collect(cell);
  }
  last = entry;
  Face *first = entries.data() + start[entry];
  Face *end = entries.data() + start[entry + 1];
  // Interface cells are read from their faces at every visit: one made,
  // replaced or removed since is seen as it is.
  for (Face *f = first; f != end; ++f) {
    const void *slot = f->face->getFastData();
    if (slot != f->slot) {
      f->cell = dgBoundaryCellOf(f->face);
      f->slot = slot;
    }
  }
  // What the cells after it in the order will read, asked for ahead (hints only).
  for (std::size_t ahead = entry + 1; ahead < entry + 4 && ahead < cells.size(); ++ahead)
    for (std::size_t k = start[ahead]; k < start[ahead + 1]; ++k) {
      __builtin_prefetch(entries[k].face);
      __builtin_prefetch(entries[k].cell);
    }
  return {first, end};
}
