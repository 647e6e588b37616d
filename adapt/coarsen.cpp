// Coarsening passes of the adaptation driver: edges shorter than 0.6 in the
// metric are removed by edge collapses, vertex by vertex from a queue of the
// vertices of short edges. Marks live under "Id_Deref_Control" for the length
// of one pass: -1 marked; on a vertex k > 0 means "wait until sweep k".
#include <algorithm>
#include <iostream>
#include <list>
#include <unordered_set>
#include <utility>
#include <vector>

#include "AdaptUtil.h"
#include "ConformalAdapter.h"
#include "EdgeCollapsMod.h"

using namespace KORA;

namespace {

constexpr double kShort = 0.36;  // squared metric length of a short edge

class CoarsenMarks {
 public:
  explicit CoarsenMarks(pMesh m) : mesh(m), tag(MD_newMeshDataId("Id_Deref_Control")) {}
  ~CoarsenMarks() {
    // Every mark goes with the name: the id may be handed out again.
    VIter vi = M_vertexIter(mesh);
    while (pVertex v = VIter_next(vi)) EN_deleteData(v, tag);
    VIter_delete(vi);
    EIter ei = M_edgeIter(mesh);
    while (pEdge e = EIter_next(ei)) EN_deleteData(e, tag);
    EIter_delete(ei);
    MD_deleteMeshDataId(tag);
  }
  CoarsenMarks(const CoarsenMarks&) = delete;
  CoarsenMarks& operator=(const CoarsenMarks&) = delete;

  // The mark, 0 when there is none.
  int get(pEntity e) const {
    int v = 0;
    return EN_getDataInt(e, tag, &v) ? v : 0;
  }
  void set(pEntity e, int v) { EN_attachDataInt(e, tag, v); }
  void clear(pEntity e) { EN_deleteData(e, tag); }

 private:
  pMesh mesh;
  unsigned int tag;
};

struct Queue {
  std::list<pVertex> items;
  CoarsenMarks& marks;
  explicit Queue(CoarsenMarks& m) : marks(m) {}
  // Marks the vertex and queues it unless it is marked already.
  void offer(pVertex v) {
    if (marks.get(v)) return;
    marks.set(v, -1);
    items.push_back(v);
  }
};

// Marks every edge shorter than 0.6 in the metric and queues its vertices.
void markShortEdges(pMesh mesh, sizeMeasure* siz, CoarsenMarks& marks, Queue& queue) {
  EIter it = M_edgeIter(mesh);
  while (pEdge e = EIter_next(it)) {
    double l2 = 0.0;
    siz->get(e, &l2);
    if (l2 < kShort) {
      marks.set(e, -1);
      queue.offer(E_vertex(e, 0));
      queue.offer(E_vertex(e, 1));
    }
  }
  EIter_delete(it);
}

// Before collapsing vertD: its edges lose their marks and its marked
// neighbours wait for the next sweep.
void releaseNeighbours(pVertex vd, CoarsenMarks& marks, int sweep) {
  for (int i = 0; i < V_numEdges(vd); ++i) {
    pEdge e = V_edge(vd, i);
    marks.clear(e);
    pVertex w = E_otherVertex(e, vd);
    if (marks.get(w)) marks.set(w, sweep + 1);
  }
}

// After a collapse onto vr: its edges are marked again by their new lengths.
void remarkAround(pVertex vr, sizeMeasure* siz, CoarsenMarks& marks, Queue& queue) {
  for (int i = 0; i < V_numEdges(vr); ++i) {
    pEdge e = V_edge(vr, i);
    double l2 = 0.0;
    siz->get(e, &l2);
    if (l2 >= kShort) {
      marks.clear(e);
    } else if (!marks.get(e)) {
      marks.set(e, -1);
      queue.offer(E_otherVertex(e, vr));
    }
  }
}

// Marked edges of v in the vertex's edge order, with their squared lengths.
std::vector<std::pair<double, pEdge>> markedEdges(pVertex v, sizeMeasure* siz, const CoarsenMarks& marks) {
  std::vector<std::pair<double, pEdge>> out;
  for (int i = 0; i < V_numEdges(v); ++i) {
    pEdge e = V_edge(v, i);
    if (!marks.get(e)) continue;
    double l2 = 0.0;
    siz->get(e, &l2);
    out.emplace_back(l2, e);
  }
  return out;
}

}  // namespace

void ConformalAdapter::coarsen_2() {
  CoarsenMarks marks(mesh);
  Queue queue(marks);
  // Vertices a collapse removed while they were not the visited one: they may
  // still stand in the queue. Kept to the end of the pass, so that nothing
  // removed is ever touched again.
  std::unordered_set<pVertex> deleted;
  EdgeCollapsMod clps(mesh, field, shpMeasure, sizMeasure, results);
  configure(clps, shpMeasure, 1);
  int count = 0;

  markShortEdges(mesh, sizMeasure, marks, queue);

  int sweep = 0;
  while (!queue.items.empty()) {
    ++sweep;
    for (auto it = queue.items.begin(); it != queue.items.end();) {
      pVertex v = *it;
      if (deleted.count(v)) {
        it = queue.items.erase(it);
        continue;
      }
      const int mark = marks.get(v);
      if (!mark || mark > sweep) {
        ++it;
        continue;
      }
      auto cands = markedEdges(v, sizMeasure, marks);
      std::stable_sort(cands.begin(), cands.end(),
                       [](const auto& a, const auto& b) { return a.first < b.first; });
      double best = 0.1 * AdaptUtil::V_worstShp(shpMeasure, v);
      pEdge bestEdge = nullptr;
      pVertex bestD = nullptr, bestR = nullptr;
      for (const auto& [l2, e] : cands) {
        pVertex w = E_otherVertex(e, v);
        const pVertex dirs[2][2] = {{v, w}, {w, v}};
        for (const auto& d : dirs) {
          clps.setCollaps(e, d[0], d[1]);
          if (!clps.topoCheck() || !clps.sizeCheck()) continue;
          if (!(results->longest <= 1.96 || results->longestRatio <= 1.44)) continue;
          if (!clps.geomCheck()) continue;
          if (results->worstShape < 1e-14 || !(results->worstShape > best)) continue;
          best = results->worstShape;
          bestEdge = e;
          bestD = d[0];
          bestR = d[1];
        }
        if (bestEdge) break;
      }
      it = queue.items.erase(it);
      if (!bestEdge) {
        if (cands.empty()) marks.clear(v);
        continue;  // a vertex that keeps its mark is cleaned at the end
      }
      releaseNeighbours(bestD, marks, sweep);
      clps.setCollaps(bestEdge, bestD, bestR);
      marks.clear(bestD);
      if (!clps.apply()) continue;  // refused at the last moment: nothing changed
      if (bestD != v) deleted.insert(bestD);
      ++count;
      remarkAround(bestR, sizMeasure, marks, queue);
    }
  }
  std::cout << count << " edge collapses are performed (coarsen)" << std::endl;
}

void ConformalAdapter::coarsen() {
  CoarsenMarks marks(mesh);
  Queue queue(marks);
  EdgeCollapsMod clps(mesh, field, shpMeasure, sizMeasure, results);
  configure(clps, shpMeasure, 1);
  int count = 0;

  markShortEdges(mesh, sizMeasure, marks, queue);

  int sweep = 0;
  while (!queue.items.empty()) {
    ++sweep;
    for (auto it = queue.items.begin(); it != queue.items.end();) {
      pVertex v = *it;
      const int mark = marks.get(v);
      if (!mark || mark > sweep) {
        ++it;
        continue;
      }
      auto cands = markedEdges(v, sizMeasure, marks);
      double best = 0.0;
      pEdge bestEdge = nullptr;
      for (const auto& [l2, e] : cands) {
        clps.setCollaps(e, v, E_otherVertex(e, v));
        if (!clps.topoCheck() || !clps.sizeCheck()) continue;
        if (!(results->longest <= 1.96 || results->longestRatio < 1.21)) continue;
        if (!clps.geomCheck() || !(results->worstShape > best)) continue;
        best = results->worstShape;
        bestEdge = e;
      }
      it = queue.items.erase(it);
      if (cands.empty()) {
        marks.clear(v);
        continue;
      }
      if (!bestEdge) continue;
      if (best <= 0.05 && !(best > 0.1 * AdaptUtil::V_worstShp(shpMeasure, v))) continue;
      pVertex vr = E_otherVertex(bestEdge, v);
      releaseNeighbours(v, marks, sweep);
      clps.setCollaps(bestEdge, v, vr);
      marks.clear(v);
      if (!clps.apply()) continue;
      ++count;
      remarkAround(vr, sizMeasure, marks, queue);
    }
  }
  std::cout << count << " edge collapses are performed" << std::endl;
}
