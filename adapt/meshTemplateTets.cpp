// Tetrahedron refinement dispatch: the split-edge mask of a region picks a
// template and a rotation that brings the pattern into the template's
// canonical position; the front-end hands the rotated tetrahedron to its
// sub-template, reports the refinement and removes the old entities.
#include <iostream>

#include "meshTemplate.h"
#include "templatesUtil.h"

using namespace KORA;

namespace {

// A rotation table: new vertex k is old vertex V[k]; the edge and face rows
// follow from it in the template numbering.
struct Rotations {
  int rows = 0;
  int V[12][4] = {};
  int E[12][6] = {};
  int F[12][4] = {};
};

const int edgeVerts[6][2] = {{0, 1}, {1, 2}, {2, 0}, {0, 3}, {1, 3}, {2, 3}};
const int faceVerts[4][3] = {{0, 1, 2}, {0, 1, 3}, {1, 2, 3}, {2, 0, 3}};

Rotations makeRotations(std::initializer_list<std::initializer_list<int>> vertexRows) {
  Rotations t;
  for (const auto& row : vertexRows) {
    int* V = t.V[t.rows];
    int k = 0;
    for (int x : row) V[k++] = x;
    for (int e = 0; e < 6; ++e) {
      const int a = V[edgeVerts[e][0]], b = V[edgeVerts[e][1]];
      for (int o = 0; o < 6; ++o)
        if ((edgeVerts[o][0] == a && edgeVerts[o][1] == b) || (edgeVerts[o][0] == b && edgeVerts[o][1] == a))
          t.E[t.rows][e] = o;
    }
    for (int f = 0; f < 4; ++f) {
      const int set = (1 << V[faceVerts[f][0]]) | (1 << V[faceVerts[f][1]]) | (1 << V[faceVerts[f][2]]);
      for (int o = 0; o < 4; ++o)
        if (set == ((1 << faceVerts[o][0]) | (1 << faceVerts[o][1]) | (1 << faceVerts[o][2])))
          t.F[t.rows][f] = o;
    }
    ++t.rows;
  }
  return t;
}

const Rotations table1 = makeRotations(
    {{0, 1, 2, 3}, {1, 2, 0, 3}, {2, 0, 1, 3}, {0, 3, 1, 2}, {1, 3, 2, 0}, {2, 3, 0, 1}});
const Rotations table2 = makeRotations({{0, 1, 2, 3},
                                        {1, 2, 0, 3},
                                        {2, 0, 1, 3},
                                        {3, 1, 0, 2},
                                        {0, 3, 1, 2},
                                        {1, 0, 3, 2},
                                        {3, 2, 1, 0},
                                        {1, 3, 2, 0},
                                        {2, 1, 3, 0},
                                        {2, 3, 0, 1},
                                        {3, 0, 2, 1},
                                        {0, 2, 3, 1}});
const Rotations table3 = makeRotations({{0, 1, 2, 3}, {1, 2, 0, 3}, {2, 0, 1, 3}});
const Rotations table4 = makeRotations({{0, 1, 2, 3}, {1, 2, 0, 3}, {2, 0, 1, 3}, {3, 1, 0, 2}});
const Rotations table5 = makeRotations({{0, 1, 2, 3}, {1, 0, 3, 2}, {2, 1, 3, 0}, {2, 3, 0, 1}});
const Rotations table6 = makeRotations({{0, 1, 2, 3},
                                        {1, 2, 0, 3},
                                        {2, 0, 1, 3},
                                        {1, 0, 3, 2},
                                        {0, 3, 1, 2},
                                        {3, 1, 0, 2},
                                        {1, 3, 2, 0},
                                        {2, 1, 3, 0},
                                        {3, 2, 1, 0},
                                        {0, 2, 3, 1},
                                        {2, 3, 0, 1},
                                        {3, 0, 2, 1}});

// The rotated tetrahedron handed to a sub-template.
struct Rotated {
  pFace F[4];
  pEdge e[6];
  int dir[4];
  pVertex v[4];
  pGEntity g;
};

Rotated rotate(pRegion r, pPList edges, int row, const Rotations& t) {
  Rotated x;
  x.g = R_whatIn(r);
  pPList verts = R_vertices(r);
  templatesUtil::mapping_template(r, edges, verts, row, t.E, t.F, t.V, x.F, x.e, x.dir, x.v);
  PList_delete(verts);
  return x;
}

}  // namespace

int meshTemplate::R_refine(pRegion r, pPList* newRegions, pPList* newEdges) {
  currentRegion = r;
  pPList edges = R_edges(r);
  int mask = 0, mark = 0;
  for (int i = 0; i < PList_size(edges); ++i)
    if (EN_getDataInt(static_cast<pEdge>(PList_item(edges, i)), refineTag, &mark)) mask |= 1 << i;
  if (mask > 63) {
    std::cerr << "Error: refinement template " << mask << " unexpected" << std::endl;
    PList_delete(edges);
    return mask;
  }
  // Mask -> front-end and case index.
  using FrontEnd = void (meshTemplate::*)(pRegion, pPList, int, pPList*, pPList*);
  struct Entry {
    FrontEnd f;
    std::initializer_list<int> masks;
  };
  static const Entry dispatch[] = {
      {&meshTemplate::template_1, {1, 2, 4, 8, 16, 32}},
      {&meshTemplate::template_2_1, {6, 5, 3, 9, 17, 24, 18, 34, 48, 12, 36, 40}},
      {&meshTemplate::template_2_2, {33, 10, 20}},
      {&meshTemplate::template_3_1, {21, 35, 14, 41, 26, 52}},
      {&meshTemplate::template_3_2, {11, 22, 37, 28, 49, 42}},
      {&meshTemplate::template_3_3, {13, 19, 38, 56}},
      {&meshTemplate::template_3_4, {7, 25, 50, 44}},
      {&meshTemplate::template_4_1, {15, 23, 39, 27, 29, 57, 51, 54, 58, 45, 46, 60}},
      {&meshTemplate::template_4_2, {30, 53, 43}},
      {&meshTemplate::template_5, {62, 61, 59, 55, 47, 31}},
  };
  if (mask == 63) {
    template_63(r, edges, 1, newRegions, newEdges);
  } else if (mask) {
    for (const Entry& d : dispatch) {
      int c = 0;
      for (int m : d.masks) {
        if (m == mask) (this->*d.f)(r, edges, c, newRegions, newEdges);
        ++c;
      }
    }
  }
  PList_delete(edges);
  return mask;
}

namespace {
// Report, then remove the old region, its split faces and split edges (each
// only once nothing uses it any more).
struct Finish {
  meshTemplate* t;
  pRegion r;
  const Rotated& x;
  void operator()(pPList* newRegions) const {
    t->callCallback(r, newRegions);
    t->delete_region(r, 0);
    void* p = nullptr;
    for (int k = 0; k < 4; ++k)
      if (EN_getDataPtr(x.F[k], t->childrenTag, &p)) t->delete_face(x.F[k], 0);
    for (int k = 0; k < 6; ++k)
      if (EN_getDataPtr(x.e[k], t->childrenTag, &p)) t->delete_edge(x.e[k], 0);
  }
};
}  // namespace

void meshTemplate::template_1(pRegion r, pPList edges, int c, pPList* newRegions, pPList* newEdges) {
  Rotated x = rotate(r, edges, c, table1);
  sub_template_1(x.e, x.F, x.dir, x.v, x.g, newRegions, newEdges);
  Finish{this, r, x}(newRegions);
}

void meshTemplate::template_2_1(pRegion r, pPList edges, int c, pPList* newRegions, pPList* newEdges) {
  Rotated x = rotate(r, edges, c, table2);
  sub_template_2_1(x.e, x.F, x.dir, x.v, x.g, newRegions, newEdges);
  Finish{this, r, x}(newRegions);
}

void meshTemplate::template_2_2(pRegion r, pPList edges, int c, pPList* newRegions, pPList* newEdges) {
  Rotated x = rotate(r, edges, c, table3);
  sub_template_2_2(x.e, x.F, x.dir, x.v, x.g, newRegions, newEdges);
  Finish{this, r, x}(newRegions);
}

void meshTemplate::template_3_1(pRegion r, pPList edges, int c, pPList* newRegions, pPList* newEdges) {
  Rotated x = rotate(r, edges, c, table1);
  sub_template_3_1(x.e, x.F, x.dir, x.v, x.g, x.dir[0] + 2 * x.dir[1], newRegions, newEdges);
  Finish{this, r, x}(newRegions);
}

void meshTemplate::template_3_2(pRegion r, pPList edges, int c, pPList* newRegions, pPList* newEdges) {
  Rotated x = rotate(r, edges, c, table1);
  sub_template_3_2(x.e, x.F, x.dir, x.v, x.g, x.dir[0] + 2 * x.dir[1], newRegions, newEdges);
  Finish{this, r, x}(newRegions);
}

void meshTemplate::template_3_3(pRegion r, pPList edges, int c, pPList* newRegions, pPList* newEdges) {
  Rotated x = rotate(r, edges, c, table4);
  const int code = x.dir[0] + 2 * x.dir[1] + 4 * x.dir[3];
  if (code == 0 || code == 7)
    sub_template_3_3_a(x.F, x.dir, x.v, x.g, code, newRegions, newEdges);
  else
    sub_template_3_3_b(x.e, x.F, x.dir, x.v, x.g, code, newRegions, newEdges);
  Finish{this, r, x}(newRegions);
}

void meshTemplate::template_3_4(pRegion r, pPList edges, int c, pPList* newRegions, pPList* newEdges) {
  Rotated x = rotate(r, edges, c, table5);
  sub_template_3_4(x.e, x.F, x.dir, x.v, x.g, newRegions, newEdges);
  Finish{this, r, x}(newRegions);
}

void meshTemplate::template_4_1(pRegion r, pPList edges, int c, pPList* newRegions, pPList* newEdges) {
  Rotated x = rotate(r, edges, c, table6);
  sub_template_4_1(x.e, x.F, x.dir, x.v, x.g, x.dir[1] + 2 * x.dir[3], newRegions, newEdges);
  Finish{this, r, x}(newRegions);
}

void meshTemplate::template_4_2(pRegion r, pPList edges, int c, pPList* newRegions, pPList* newEdges) {
  Rotated x = rotate(r, edges, c, table3);
  const int code = x.dir[0] + 2 * x.dir[1] + 4 * x.dir[2] + 8 * x.dir[3];
  if (code == 3 || code == 12)
    sub_template_4_2_b(x.F, x.dir, x.v, x.g, newRegions, newEdges);
  else
    sub_template_4_2_a(x.e, x.F, x.v, x.g, code, newRegions, newEdges);
  Finish{this, r, x}(newRegions);
}

void meshTemplate::template_5(pRegion r, pPList edges, int c, pPList* newRegions, pPList* newEdges) {
  Rotated x = rotate(r, edges, c, table1);
  sub_template_5(x.e, x.F, x.dir, x.v, x.g, x.dir[0] + 2 * x.dir[1], newRegions, newEdges);
  Finish{this, r, x}(newRegions);
}

void meshTemplate::template_63(pRegion r, pPList edges, int c, pPList* newRegions, pPList* newEdges) {
  pPList verts = R_vertices(r);
  const int j = field ? templatesUtil::shortestDiagonal(verts, 7, field) : templatesUtil::shortestDiagonal(verts, 7);
  PList_delete(verts);
  Rotated x = rotate(r, edges, j, table3);
  sub_template_6(r, x.e, x.F, x.dir, x.v, x.g, newRegions, newEdges);
  if (c == 0) {
    callCallback(r, newRegions);
    return;
  }
  Finish{this, r, x}(newRegions);
}

// ---------------------------------------------------------- Steiner counting

void meshTemplate::M_countSteinerPoints(pMesh m, pPList regions) {
  RIter it = M_regionIter(m);
  int mark = 0;
  while (pRegion r = RIter_next(it)) {
    pPList edges = R_edges(r);
    int mask = 0;
    for (int i = 0; i < PList_size(edges); ++i)
      if (EN_getDataInt(static_cast<pEdge>(PList_item(edges, i)), refineTag, &mark)) mask |= 1 << i;
    const int c33[4] = {13, 19, 38, 56}, c42[3] = {30, 53, 43};
    for (int c = 0; c < 4; ++c)
      if (mask == c33[c]) count_template_3_3a(r, edges, c, regions);
    for (int c = 0; c < 3; ++c)
      if (mask == c42[c]) count_template_4_2b(r, edges, c, regions);
    PList_delete(edges);
  }
  RIter_delete(it);
}

namespace {
// Use directions of the region's faces in template order, reordered by row.
void rotatedDirs(pRegion r, pPList edges, const int row[4], int dir[4]) {
  pPList faces = templatesUtil::R_faces_garanteed(r, edges);
  for (int k = 0; k < 4; ++k) dir[k] = R_dirUsingFace(r, static_cast<pFace>(PList_item(faces, row[k])));
  PList_delete(faces);
}
}  // namespace

void meshTemplate::count_template_3_3a(pRegion r, pPList edges, int c, pPList regions) {
  int dir[4];
  rotatedDirs(r, edges, table4.F[c], dir);
  const int code = dir[0] + 2 * dir[1] + 4 * dir[3];
  if (code == 0 || code == 7) PList_append(regions, r);
}

void meshTemplate::count_template_4_2b(pRegion r, pPList edges, int c, pPList regions) {
  int dir[4];
  rotatedDirs(r, edges, table3.F[c], dir);
  const int code = dir[0] + 2 * dir[1] + 4 * dir[2] + 8 * dir[3];
  if (code == 3 || code == 12) PList_append(regions, r);
}
