#ifndef DG_DGLIMITERFACES_H
#define DG_DGLIMITERFACES_H

// The leaf faces around each cell that a limiter visits: for every
// sub-entity of one dimension lower of the cell's element, in the element's
// order, the leaves of its refinement tree, each with the interface cell it
// carries (null when none).
//
// Finding them walks the element's adjacencies, the refinement trees and the
// fast-data slots, which costs more than the limiting of the cell. They are
// kept, per cell, in the order in which the cells are first met (the order of
// the limiting pass, so that the next cell asked for is found without a
// search), while no DG cell is made or destroyed: every change of the mesh
// makes or destroys cells. An interface cell is read anew from its face at
// every visit, so that one made or removed since is seen as it is.

#include <cstddef>
#include <span>
#include <unordered_map>
#include <vector>

class DGCell;
class DGBoundaryCell;
namespace KORA {
class mEntity;
}

class LimiterFaceTable {
public:
  struct Face {
    KORA::mEntity *face;
    DGBoundaryCell *cell;  // the interface cell it carries, or null
    const void *slot;      // the face's fast data when cell was found
  };

  // The faces of the cell, valid until the next call.
  std::span<const Face> faces(const DGCell *cell);
  // The entry of the cell of the last call to faces: 0, 1, 2, ... in the order
  // the cells were first met, so that a limiter can keep data of its own per
  // cell in arrays indexed by it.
  std::size_t entry() const { return last; }
  // Changes whenever the entries are dropped (every entry is then new).
  unsigned long epoch() const { return resets; }

private:
  std::size_t collect(const DGCell *cell);

  unsigned long generation = 0;
  bool empty = true;
  std::vector<const DGCell *> cells;            // by entry, in the order met
  std::vector<std::size_t> start;               // by entry (and one past the last)
  std::vector<Face> entries;
  std::unordered_map<const DGCell *, std::size_t> entryOf;
  std::size_t last = 0;                         // entry of the previous call
  unsigned long resets = 0;
};

#endif
