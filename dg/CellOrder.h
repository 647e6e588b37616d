// The order in which the passes walk the cells: along a Hilbert curve through
// the elements' vertex centroids, so that the cells on the two sides of a face
// lie close together in the lists and in memory whatever order the mesh's
// tables hand the elements out in.
#ifndef DG_CELLORDER_H
#define DG_CELLORDER_H

#include <cstdint>
#include <vector>

#include "mEntity.h"

// Keys of the points along a Hilbert curve through their bounding box (one
// key per point, in the given order): points close in space get close keys.
// Only the axes along which the points spread take part (31 bits per axis in
// two dimensions, 21 in three); points that all coincide get key 0. Entries
// are x, y, z, three per point.
std::vector<std::uint64_t> hilbertKeys(const std::vector<double> &xyz);

// Puts the elements in curve order of their vertex centroids, ties by
// entityPrecedes: the order depends on the elements' vertex coordinates and
// ids alone, not on how the list came to be.
void sortAlongCurve(std::vector<KORA::mEntity *> &elements);

#endif
