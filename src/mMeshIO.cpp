// The sectioned ".msh" text: vertices ($NOE, or $NOD), the partition-boundary
// table ($PRL), element records with their refinement children ($ELM),
// periodic vertex groups ($SYM) and higher-order points of edges and faces
// ($EMO, $FMO). Read and written from streams; "$FIN" ends a read.
#include <algorithm>
#include <cctype>
#include <climits>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <istream>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "KORA_MeshFiles.h"
#include "KORA_OwnerManager.h"
#include "KORA_Util.h"
#include "gEntity.h"
#include "mEdge.h"
#include "mException.h"
#include "mFace.h"
#include "mHex.h"
#include "mMesh.h"
#include "mPrefetchWalk.h"
#include "mPrism.h"
#include "mRefinement.h"
#include "mTet.h"
#include "mVertex.h"

namespace KORA {

namespace {

const char* const kSource = "src/mKORA";
const int kMaxNodes = 100;

template <class... Args>
std::string format(const char* fmt, Args... args) {
  const int n = std::snprintf(nullptr, 0, fmt, args...);
  std::string s(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
  if (n > 0) std::snprintf(s.data(), s.size() + 1, fmt, args...);
  return s;
}

[[noreturn]] void fail(int line, const std::string& text) {
  throw new mException(line, kSource, text.c_str());
}

inline bool isBlank(int c) { return c == ' ' || c == '\n' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// Reads tokens and lines straight from the stream's buffer, so that the stream
// is left exactly after the last character consumed (the line of "$FIN").
class MshScanner {
 public:
  explicit MshScanner(std::istream& in) : in_(in), sb_(in.rdbuf()) {}

  // The next line into head (its first characters only; a line may be of any
  // length). False at the end of the stream.
  bool readLine(std::string& head) {
    head.clear();
    if (!sb_) return false;
    int c = sb_->sbumpc();
    if (c == EOF) {
      in_.setstate(std::ios::eofbit);
      return false;
    }
    while (c != EOF && c != '\n') {
      if (head.size() < 64 && c != '\r') head.push_back(static_cast<char>(c));
      c = sb_->sbumpc();
    }
    return true;
  }

  int readInt(const char* what) {
    const char* t = token(what);
    int v = 0;
    const char* b = t[0] == '+' ? t + 1 : t;
    auto r = std::from_chars(b, b + len_, v);
    if (r.ec != std::errc() || r.ptr != t + len_) bad(what);
    return v;
  }

  double readDouble(const char* what) {
    const char* t = token(what);
    double v = 0.0;
    const char* b = t[0] == '+' ? t + 1 : t;
    auto r = std::from_chars(b, t + len_, v);
    if (r.ec != std::errc() || r.ptr != t + len_) bad(what);
    return v;
  }

  void setSection(const std::string& s) { section_ = s; }

 private:
  const char* token(const char* what) {
    len_ = 0;
    int c = sb_ ? sb_->sgetc() : EOF;
    while (c != EOF && isBlank(c)) {
      sb_->sbumpc();
      c = sb_->sgetc();
    }
    if (c == EOF) {
      in_.setstate(std::ios::eofbit);
      fail(__LINE__, format("cannot read %s in section $%s of the mesh file: the file ends", what,
                            section_.c_str()));
    }
    while (c != EOF && !isBlank(c)) {
      if (len_ < sizeof(buf_) - 1) buf_[len_++] = static_cast<char>(c);
      sb_->sbumpc();
      c = sb_->sgetc();
    }
    buf_[len_] = '\0';
    return buf_;
  }

  [[noreturn]] void bad(const char* what) {
    fail(__LINE__, format("cannot read %s in section $%s of the mesh file: found \"%s\"", what,
                          section_.c_str(), buf_));
  }

  std::istream& in_;
  std::streambuf* sb_;
  std::string section_;
  char buf_[72];
  std::size_t len_ = 0;
};

// State of one read: the vertices made so far, by id, for fast look-ups.
struct MshReader {
  MshReader(std::istream& in, mMesh* mesh) : sc(in), m(mesh), hadVertices(mesh->size(0) > 0) {}

  // The vertices read so far: a plain array for ids up to a bound set by the
  // vertex counts (files number their vertices densely), a map beyond it.
  mVertex* known(int id) const {
    if (id >= 0 && static_cast<std::size_t>(id) < dense.size() && dense[id]) return dense[id];
    if (sparse.empty()) return nullptr;
    auto it = sparse.find(id);
    return it == sparse.end() ? nullptr : it->second;
  }

  mVertex* vertex(int id) {
    if (mVertex* v = known(id)) return v;
    return m->getVertex(id);
  }

  mVertex* newVertex(int id, double x, double y, double z) {
    if (mVertex* v = known(id)) return v;
    if (hadVertices) {
      if (mVertex* v = m->getVertex(id)) return v;
    }
    // As mMesh::createVertex, without its look-up: the id is known to be new.
    sizeTable(0);
    mVertex* v = new mVertex(id, mPoint(x, y, z), nullptr);
    m->setNewVertexId(id);
    m->add(v);
    if (id >= 0 && static_cast<std::size_t>(id) < dense.size())
      dense[id] = v;
    else
      sparse.emplace(id, v);
    return v;
  }

  // The hash table of a dimension is sized from the vertex count when the
  // first entity of that dimension is made, so that kinds a file does not
  // hold cost nothing.
  void sizeTable(int dim) {
    if (pending[dim] > 0) m->getEntities().resize(dim, pending[dim]);
    pending[dim] = 0;
  }

  mEntity* element(int depth, int& counter);
  void vertices();
  void periodicGroups();
  void partitionTable();
  void edgeModes();
  void faceModes();

  MshScanner sc;
  mMesh* m;
  bool hadVertices;
  std::vector<mVertex*> dense;
  std::unordered_map<int, mVertex*> sparse;
  int pending[4] = {0, 0, 0, 0};
};

mEntity* MshReader::element(int depth, int& counter) {
  sc.readInt("an element number");
  const int type = sc.readInt("an element type");
  const int modelId = sc.readInt("a model entity id");
  const int childField = sc.readInt("a child count");
  const int nbNodes = sc.readInt("a node count");
  if (nbNodes < 0 || nbNodes > kMaxNodes)
    fail(__LINE__, format("element record with %d node ids: between 0 and %d are read", nbNodes,
                          kMaxNodes));
  mVertex* v[kMaxNodes];
  for (int i = 0; i < nbNodes; ++i) {
    const int id = sc.readInt("a node id");
    v[i] = vertex(id);
    if (!v[i]) fail(__LINE__, format("unknown verex id's %d", id));
  }
  ++counter;
  int needed = 0, level = 0;
  switch (type) {
    case 1: needed = 2; level = 1; break;
    case 2: needed = 3; level = 2; break;
    case 3: needed = 4; level = 2; break;
    case 4: needed = 4; level = 3; break;
    case 5: needed = 8; level = 3; break;
    case 6: needed = 6; level = 3; break;
    case 15: needed = 1; level = 0; break;
    default: needed = 0; break;
  }
  if (nbNodes < needed)
    fail(__LINE__, format("element record of type %d with %d node ids: %d are needed", type,
                          nbNodes, needed));
  if (level > 0) sizeTable(level);
  mEntity* e = nullptr;
  switch (type) {
    case 1: e = m->createEdge(v[0], v[1], m->getGEntity(modelId, level)); break;
    case 2: e = m->createFaceWithVertices(v[0], v[1], v[2], m->getGEntity(modelId, level)); break;
    case 3:
      e = m->createFaceWithVertices(v[0], v[1], v[2], v[3], m->getGEntity(modelId, level));
      break;
    case 4: e = m->createTetWithVertices(v[0], v[1], v[2], v[3], m->getGEntity(modelId, level)); break;
    case 5:
      e = m->createHexWithVertices(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7],
                                   m->getGEntity(modelId, level));
      break;
    case 6:
      e = m->createPrismWithVertices(v[0], v[1], v[2], v[3], v[4], v[5],
                                     m->getGEntity(modelId, level));
      break;
    case 15:
      if (modelId > 0) v[0]->classify(m->getGEntity(modelId, 0));
      break;
    default: break;
  }
  // Children are read in any case to stay aligned; they become roots when
  // this record made no entity of their dimension.
  for (int c = 0; c < -childField; ++c) {
    mEntity* ch = element(depth + 1, counter);
    if (e && ch && ch->getLevel() == e->getLevel()) {
      e->add(ch);
      ch->setParent(e);
    }
  }
  return e;
}

void MshReader::vertices() {
  const int n = sc.readInt("the vertex count");
  if (n < 0) fail(__LINE__, format("negative vertex count %d in the mesh file", n));
  if (n > 0) {
    const int factor[4] = {1, 5, 10, 8};
    for (int d = 0; d < 4; ++d)
      pending[d] = n > INT_MAX / factor[d] ? INT_MAX : factor[d] * n;
  }
  // Room for ids up to twice the number of vertices read so far.
  const std::size_t bound = 2 * (static_cast<std::size_t>(n) + sparse.size() + dense.size()) + 16;
  if (bound > dense.size() && bound < (std::size_t(1) << 31)) dense.resize(bound, nullptr);
  for (int i = 0; i < n; ++i) {
    const int id = sc.readInt("a vertex id");
    const double x = sc.readDouble("a coordinate");
    const double y = sc.readDouble("a coordinate");
    const double z = sc.readDouble("a coordinate");
    newVertex(id, x, y, z);
  }
}

void MshReader::periodicGroups() {
  std::multimap<int, int> assoc;
  const int n = sc.readInt("the group count");
  for (int g = 0; g < n; ++g) {
    const int size = sc.readInt("a group size");
    if (size < 1) continue;
    const int key = sc.readInt("a vertex id");
    for (int k = 1; k < size; ++k) assoc.emplace(key, sc.readInt("a vertex id"));
  }
  resolveAssociations(m, assoc);
}

void MshReader::partitionTable() {
  const int n = sc.readInt("the entry count");
  for (int i = 0; i < n; ++i) {
    const int a = sc.readInt("a partition-boundary id");
    const int b = sc.readInt("a processor id");
    m->getOwnerManager()->addNeighbor(a, b);
  }
}

void MshReader::edgeModes() {
  const unsigned int tag = KORA_Util::Instance()->emodId;
  const int n = sc.readInt("the record count");
  for (int r = 0; r < n; ++r) {
    const int a = sc.readInt("a vertex id");
    const int b = sc.readInt("a vertex id");
    const int p = sc.readInt("a point count");
    mVertex* va = vertex(a);
    mVertex* vb = vertex(b);
    if (!va || !vb)
      fail(__LINE__, format("Unknown vertex %d %d <-> %p %p in edge mode creation\n", a, b,
                            static_cast<void*>(va), static_cast<void*>(vb)));
    mEdge* e = m->getEdge(va, vb);
    if (!e) e = m->createEdge(a, b, m->getGEntity(1000, 2));
    const bool same = e->get(0, 0)->equal(va);
    mAttachablePointVector* pts = new mAttachablePointVector;
    for (int k = 0; k < p; ++k) {
      const double x = sc.readDouble("a coordinate");
      const double y = sc.readDouble("a coordinate");
      const double z = sc.readDouble("a coordinate");
      if (same)
        pts->v.push_back(mPoint(x, y, z));
      else
        pts->v.insert(pts->v.begin(), mPoint(x, y, z));
    }
    std::printf("The mKORA size of edge mode is: %d", static_cast<int>(pts->v.size()));
    e->attachData(tag, pts);
  }
}

void MshReader::faceModes() {
  const unsigned int tag = KORA_Util::Instance()->fmodId;
  const int n = sc.readInt("the record count");
  for (int r = 0; r < n; ++r) {
    int id[3];
    mVertex* v[3];
    for (int k = 0; k < 3; ++k) id[k] = sc.readInt("a vertex id");
    const int p = sc.readInt("a point count");
    for (int k = 0; k < 3; ++k) v[k] = vertex(id[k]);
    if (!v[0] || !v[1] || !v[2])
      fail(__LINE__, format("Unknown vertex %d %d %d <-> %p %p %p in face mode creation\n", id[0],
                            id[1], id[2], static_cast<void*>(v[0]), static_cast<void*>(v[1]),
                            static_cast<void*>(v[2])));
    mFace* f = m->getTri(v[0], v[1], v[2]);
    if (!f) f = m->createFaceWithVertices(id[0], id[1], id[2], m->getGEntity(1000, 2));
    if (p <= 0) continue;
    mAttachablePointVector* pts = new mAttachablePointVector;
    auto point = [&]() {
      const double x = sc.readDouble("a coordinate");
      const double y = sc.readDouble("a coordinate");
      const double z = sc.readDouble("a coordinate");
      return mPoint(x, y, z);
    };
    if (p == 3) {
      // Stored in the face's own vertex order.
      pts->v.assign(3, mPoint());
      for (int k = 0; k < 3; ++k) {
        const mPoint q = point();
        int pos = k;
        for (int j = 0; j < 3; ++j)
          if (f->get(0, j)->equal(v[k])) pos = j;
        pts->v[pos] = q;
      }
    } else {
      // One point, or a count without a settled layout: the points as given.
      for (int k = 0; k < p; ++k) pts->v.push_back(point());
    }
    f->attachData(tag, pts);
  }
}

void writeVertexIds(std::ostream& out, mEntity* e, int n) {
  for (int i = 0; i < n; ++i) out << ' ' << e->get(0, i)->getId();
}

int modelIdOf(mEntity* e) {
  gEntity* g = e->getClassification();
  return g ? g->getId() : 0;
}

// Model level of an entity; an unclassified one counts as interior.
int modelLevelOf(mEntity* e) {
  gEntity* g = e->getClassification();
  return g ? g->getLevel() : 4;
}

mAdjacencyContainer* childrenOf(mEntity* e) { return e->getAdjacencyList(e->getLevel()); }

void printRecord(std::ostream& out, mEntity* e, int& number, int depth, int type, int nodes) {
  for (int i = 0; i < depth; ++i) out << ' ';
  mAdjacencyContainer* c = childrenOf(e);
  const int nc = c ? c->size() : 0;
  out << number++ << ' ' << type << ' ' << modelIdOf(e) << ' ' << -nc << ' ' << nodes;
  writeVertexIds(out, e, nodes);
  out << '\n';
}

int countTree(mEntity* e) {
  int n = 1;
  if (mAdjacencyContainer* c = childrenOf(e))
    for (int i = 0; i < c->size(); ++i) n += countTree((*c)[i]);
  return n;
}

}  // namespace

// -------------------------------------------------------------- records

mEntity* readGmshELM(std::istream& in, mMesh* m, int depth, int& counter) {
  MshReader r(in, m);
  r.sc.setSection("ELM");
  return r.element(depth, counter);
}

void printGmshEdge(std::ostream& out, mEntity* e, int& number, int depth) {
  printRecord(out, e, number, depth, 1, 2);
  if (mAdjacencyContainer* c = childrenOf(e))
    for (int i = 0; i < c->size(); ++i) printGmshEdge(out, (*c)[i], number, depth + 1);
}

void printGmshFace(std::ostream& out, mEntity* e, int& number, int depth) {
  if (e->size(0) == 3)
    printRecord(out, e, number, depth, 2, 3);
  else
    printRecord(out, e, number, depth, 3, 4);
  if (mAdjacencyContainer* c = childrenOf(e))
    for (int i = 0; i < c->size(); ++i) printGmshFace(out, (*c)[i], number, depth + 1);
}

void printGmshRegion(std::ostream& out, mEntity* e, int& number, int depth) {
  switch (e->getType()) {
    case mEntity::TET: printRecord(out, e, number, depth, 4, 4); break;
    case mEntity::HEX: printRecord(out, e, number, depth, 5, 8); break;
    case mEntity::PRISM: printRecord(out, e, number, depth, 6, 6); break;
    default: return;  // no record for this kind
  }
  if (mAdjacencyContainer* c = childrenOf(e))
    for (int i = 0; i < c->size(); ++i) printGmshRegion(out, (*c)[i], number, depth + 1);
}

// ------------------------------------------------------------ periodicity

void addAss(int id, std::set<int>& visited, std::set<int>& group, std::multimap<int, int>& assoc) {
  // Depth first from id along the associations key -> value, without recursion.
  std::vector<int> todo{id};
  while (!todo.empty()) {
    const int x = todo.back();
    todo.pop_back();
    if (!group.insert(x).second) continue;
    visited.insert(x);
    auto range = assoc.equal_range(x);
    for (auto it = range.first; it != range.second; ++it) todo.push_back(it->second);
  }
}

void resolveAssociations(mMesh* m, std::multimap<int, int>& assoc) {
  std::set<int> visited;
  for (auto& kv : assoc) {
    if (visited.count(kv.first)) continue;
    std::set<int> group;
    addAss(kv.first, visited, group, assoc);
    if (group.empty()) continue;
    mMirrorVertex* record = newMirrorRecord(m);
    for (int id : group) {
      mVertex* v = m->getVertex(id);
      if (!v) fail(__LINE__, format("unknown verex id's %d in mirror vertex creation\n", id));
      record->addCopy(v);
    }
  }
}

void classifyUnclassifiedVerices(mMesh* m) {
  // A pass over every entity of a freshly read mesh: memory is asked for
  // ahead of the walk (entities, then their vertex lists, then the vertices).
  auto vertexList = [](mEntity* e) {
    if (const mAdjacencyContainer* l = e->getAdjacencyList(0)) prefetchLines(l->begin());
  };
  auto vertices = [](mEntity* e) {
    if (const mAdjacencyContainer* l = e->getAdjacencyList(0))
      for (mEntity* v : *l) prefetchLines(v, 2);
  };
  auto classify = [](mEntity* e) {
    gEntity* g = e->getClassification();
    const int n = e->size(0);
    for (int i = 0; i < n; ++i) {
      mEntity* v = e->get(0, i);
      if (!g) {
        e->print();
        continue;
      }
      if (v && !v->getClassification()) v->classify(g);
    }
  };
  for (int d = 1; d <= 3; ++d) {
    if (!m->size(d)) continue;
    walkPrefetched(m->beginall(d), m->endall(d), vertexList, vertices, classify);
  }
}

// ----------------------------------------------------------- the files

void KORA_Util::importDGFile(std::istream& in, mMesh* m) {
  MshReader r(in, m);
  std::string line;
  for (;;) {
    // A section header: the next line that starts with '$'.
    bool found = false;
    while (r.sc.readLine(line))
      if (!line.empty() && line[0] == '$') {
        found = true;
        break;
      }
    if (!found) break;
    const std::string name = line.substr(1);
    r.sc.setSection(name);
    auto starts = [&](const char* s) { return name.compare(0, std::char_traits<char>::length(s), s) == 0; };
    if (starts("FIN")) break;
    if (starts("MeshFormat"))
      fail(__LINE__,
           "mesh file layout not read: a \"$MeshFormat\" header (Gmsh format 2 or 4); this reader "
           "reads the sectioned layout ($NOD or $NOE, $ELM ... $ENDELM), which Gmsh writes with "
           "-format msh1");
    if (starts("NO"))
      r.vertices();
    else if (starts("SYM"))
      r.periodicGroups();
    else if (starts("ELM")) {
      const int n = r.sc.readInt("the record count");
      // The records bound the entities of each dimension better than the
      // vertex count does: size the tables not made yet from them.
      for (int d = 1; d < 4; ++d)
        if (r.pending[d] > 0 && n > 0) r.pending[d] = std::min(r.pending[d], n);
      int counter = 0;
      while (counter < n) r.element(0, counter);
    } else if (starts("FMO"))
      r.faceModes();
    else if (starts("EMO"))
      r.edgeModes();
    else if (starts("PRL"))
      r.partitionTable();
    // The rest of the section, up to its end line (or the next header).
    while (r.sc.readLine(line))
      if (!line.empty() && line[0] == '$') break;
  }
  classifyUnclassifiedVerices(m);
}

void KORA_Util::importDGFile(const char* fileName, mMesh* m) {
  std::ifstream in(fileName ? fileName : "");
  if (!in) fail(__LINE__, format("cannot open the mesh file %s", fileName ? fileName : "(null)"));
  importDGFile(in, m);
}

void KORA_Util::exportDGFile(std::ostream& out, mMesh* m, bool boundary) {
  out << "$NOE\n" << m->size(0) << '\n';
  for (mEntityHashTableIterator it = m->beginall(0), last = m->endall(0); it != last; ++it) {
    mVertex* v = static_cast<mVertex*>(*it);
    const mPoint p = v->point();
    out << v->getId() << ' ' << p(0) << ' ' << p(1) << ' ' << p(2) << '\n';
  }
  out << "$ENDNOE\n";

  KORA_OwnerManager* om = m->getOwnerManager();
  int pairs = 0;
  for (auto it = om->begin_top(); it != om->end_top(); ++it) ++pairs;
  out << "$PRL\n" << pairs << '\n';
  for (auto it = om->begin_top(); it != om->end_top(); ++it)
    out << it->first << ' ' << it->second << '\n';
  out << "$ENDPRL\n";

  // Which roots are written: every one, or under the boundary flag only those
  // on model entities of their own dimension or lower.
  auto written = [&](mEntity* e, int d) {
    if (e->parent()) return false;
    return d == 3 || !boundary || modelLevelOf(e) <= d;
  };
  auto isPointVertex = [](mEntity* v) {
    gEntity* g = v->getClassification();
    return g && g->getLevel() == 0;  // unclassified vertices get no point record
  };
  int count = 0;
  for (mEntityHashTableIterator it = m->beginall(0), last = m->endall(0); it != last; ++it)
    if (isPointVertex(*it)) ++count;
  for (int d = 1; d <= 3; ++d)
    for (mEntityHashTableIterator it = m->beginall(d), last = m->endall(d); it != last; ++it)
      if (written(*it, d)) count += countTree(*it);

  out << "$ELM\n" << count << '\n';
  int number = 1;
  for (mEntityHashTableIterator it = m->beginall(0), last = m->endall(0); it != last; ++it)
    if (isPointVertex(*it))
      out << number++ << ' ' << 15 << ' ' << (*it)->getClassification()->getId() << ' ' << "1 1 "
          << (*it)->getId() << '\n';
  for (mEntityHashTableIterator it = m->beginall(1), last = m->endall(1); it != last; ++it)
    if (written(*it, 1)) printGmshEdge(out, *it, number, 0);
  for (mEntityHashTableIterator it = m->beginall(2), last = m->endall(2); it != last; ++it)
    if (written(*it, 2)) printGmshFace(out, *it, number, 0);
  for (mEntityHashTableIterator it = m->beginall(3), last = m->endall(3); it != last; ++it)
    if (written(*it, 3)) printGmshRegion(out, *it, number, 0);
  out << "$ENDELM\n";
}

void KORA_Util::exportGmshFile(std::ostream& out, mMesh* m) const {
  out << "$NOE\n" << m->size(0) << '\n';
  for (mLeavesIterator it = m->begin(0), last = m->end(0); it != last; ++it) {
    mVertex* v = static_cast<mVertex*>(*it);
    const mPoint p = v->point();
    out << v->getId() << ' ' << p(0) << ' ' << p(1) << ' ' << p(2) << '\n';
  }
  out << "$ENDNOE\n";
  const int dim = m->size(3) ? 3 : (m->size(2) ? 2 : 1);
  std::vector<mEntity*> edges, faces, regions;
  for (mLeavesIterator it = m->begin(1), last = m->end(1); it != last; ++it)
    if (dim == 1 || modelLevelOf(*it) == 1) edges.push_back(*it);
  for (mEntityHashTableIterator it = m->beginall(2), last = m->endall(2); it != last; ++it)
    if (dim == 2 || modelLevelOf(*it) == 2) faces.push_back(*it);
  for (mLeavesIterator it = m->begin(3), last = m->end(3); it != last; ++it) regions.push_back(*it);
  // Flat records (no children), so that the count matches what is written.
  int count = 0;
  for (mEntity* r : regions)
    if (r->getType() == mEntity::TET || r->getType() == mEntity::HEX ||
        r->getType() == mEntity::PRISM)
      ++count;
  count += static_cast<int>(edges.size() + faces.size());
  out << "$ELM\n" << count << '\n';
  int number = 1;
  for (mEntity* e : edges) {
    out << number++ << " 1 " << modelIdOf(e) << " 0 2";
    writeVertexIds(out, e, 2);
    out << '\n';
  }
  for (mEntity* f : faces) {
    const int n = f->size(0) == 3 ? 3 : 4;
    out << number++ << ' ' << (n == 3 ? 2 : 3) << ' ' << modelIdOf(f) << " 0 " << n;
    writeVertexIds(out, f, n);
    out << '\n';
  }
  for (mEntity* r : regions) {
    int type = 0, n = 0;
    switch (r->getType()) {
      case mEntity::TET: type = 4; n = 4; break;
      case mEntity::HEX: type = 5; n = 8; break;
      case mEntity::PRISM: type = 6; n = 6; break;
      default: continue;
    }
    out << number++ << ' ' << type << ' ' << modelIdOf(r) << " 0 " << n;
    writeVertexIds(out, r, n);
    out << '\n';
  }
  out << "$ENDELM\n$FIN\n";
}

void KORA_Util::exportGmshFile(const char* fileName, mMesh* m) const {
  std::ofstream out(fileName ? fileName : "");
  if (!out) fail(__LINE__, format("cannot open %s for writing", fileName ? fileName : "(null)"));
  exportGmshFile(out, m);
}

}  // namespace KORA
