// The sectioned ".msh" text: vertices ($NOE, or $NOD), the partition-boundary
// table ($PRL), element records with their refinement children ($ELM),
// periodic vertex groups ($SYM) and higher-order points of edges and faces
// ($EMO, $FMO). Read and written from streams; "$FIN" ends a read.
#include <algorithm>
#include <cctype>
#include <climits>
#include <limits>
#include <locale>
#include <cstdint>
#include <cstring>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <istream>
#include <map>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "KORA_MeshFiles.h"
#include "KORA_OwnerManager.h"
#include "KORA_Util.h"
#include "gEntity.h"
#include "mBlockPool.h"
#include "mEdge.h"
#include "mException.h"
#include "mFace.h"
#include "mHex.h"
#include "mMesh.h"
#include "mPrefetchWalk.h"
#include "mPrism.h"
#include "mRefinement.h"
#include "mTet.h"
#include "mTextWriter.h"
#include "mTreeWalk.h"
#include "mVertex.h"

namespace KORA {

namespace {

const char* const kSource = "src/mKORA";
const int kMaxNodes = 100;
// Counts in a file size the reader's own look-ups ahead of the records, up
// to this many entries; beyond it they grow as the records come, so that a
// false count in a damaged file cannot claim memory it does not fill.
const int kPresize = 1 << 22;
// Of those, this many before the vertex records of the count have been read.
const std::size_t kEarlyIds = 1 << 12;

[[noreturn]] void fail(int line, const std::string& text) {
  throw new mException(line, kSource, text.c_str());
}

inline bool isBlank(int c) { return c == ' ' || c == '\n' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// Control characters other than white space: a text mesh file has none, so
// that an endless or binary stream (/dev/zero, random bytes) ends the read at
// once instead of being searched for line ends.
inline bool isBinary(unsigned char c) { return (c < 0x20 && !isBlank(c)) || c == 0x7f; }

// Reads tokens and lines from the stream in blocks. A seekable stream is read
// ahead and, when the scanner is done, set back to just after the last
// character consumed (the line of "$FIN" in a recovery file); any other
// stream is read one character at a time, so nothing beyond is taken from it.
class MshScanner {
 public:
  explicit MshScanner(std::istream& in) : in_(in), sb_(in.rdbuf()) {
    seekable_ = sb_ && sb_->pubseekoff(0, std::ios::cur, std::ios::in) != std::streampos(-1);
    // Not cleared: only what the stream gives is ever read from it.
    blockSize_ = seekable_ ? kBlock + kAhead : kAhead + 1;
    block_.reset(new char[blockSize_]);
  }
  ~MshScanner() {
    if (seekable_ && end_ > pos_)
      sb_->pubseekoff(-static_cast<std::streamoff>(end_ - pos_), std::ios::cur, std::ios::in);
  }
  MshScanner(const MshScanner&) = delete;
  MshScanner& operator=(const MshScanner&) = delete;

  // The next line into head (its first characters only; a line may be of any
  // length). False at the end of the stream.
  bool readLine(std::string& head) {
    head.clear();
    if (!more()) {
      in_.setstate(std::ios::eofbit);
      return false;
    }
    for (;;) {
      const char* nl = static_cast<const char*>(std::memchr(pos_, '\n', end_ - pos_));
      const char* stop = nl ? nl : end_;
      for (const char* c = pos_; c < stop; ++c)
        if (isBinary(static_cast<unsigned char>(*c))) binaryData(static_cast<unsigned char>(*c));
      for (const char* c = pos_; c < stop && head.size() < 64; ++c)
        if (*c != '\r') head.push_back(*c);
      pos_ = stop;
      if (nl) {
        ++pos_;
        return true;
      }
      if (!more()) return true;
    }
  }

  int readInt(const char* what) { return read<int>(what); }
  double readDouble(const char* what) { return read<double>(what); }

  void setSection(const std::string& s) { section_ = s; }
  // The name of the file read, for the messages ("the mesh file" otherwise).
  void setFileName(const char* name) { file_ = name ? name : ""; }

 private:
  // Characters read ahead for one token, and per block otherwise.
  static const std::size_t kAhead = 128, kBlock = std::size_t(1) << 18;

  // One number in the syntax of formatted input (a leading '+' allowed).
  template <class T>
  T read(const char* what) {
    token(what);
    T v{};
    const char* b = *tok_ == '+' ? tok_ + 1 : tok_;
    auto r = std::from_chars(b, tok_ + len_, v);
    if (r.ec != std::errc() || r.ptr != tok_ + len_) {
      checkText(tok_, len_);
      bad(what);
    }
    return v;
  }

  // True when the characters held may end inside a token: fewer than kAhead
  // are held from a seekable stream, or a one-way stream's line is not
  // complete yet.
  bool mayCutToken() const {
    if (atEnd_) return false;
    if (seekable_) return static_cast<std::size_t>(end_ - pos_) < kAhead;
    return pos_ == end_ || end_[-1] != '\n';
  }

  // Keeps the unread characters and appends what the stream gives, unless
  // enough are held; false when none are left.
  bool more() {
    if (!sb_ || !mayCutToken()) return pos_ < end_;
    const std::size_t kept = static_cast<std::size_t>(end_ - pos_);
    if (kept && pos_ != block_.get()) std::memmove(block_.get(), pos_, kept);
    pos_ = block_.get();
    end_ = pos_ + kept;
    char* put = block_.get() + kept;
    if (seekable_) {
      const std::streamsize got =
          sb_->sgetn(put, static_cast<std::streamsize>(blockSize_ - kept));
      if (got <= 0) atEnd_ = true;
      else end_ += got;
    } else {
      // One character at a time up to the end of the line (at most kAhead
      // held), so that the stream is never read beyond what is used.
      char* const stop = block_.get() + kAhead;
      while (put < stop) {
        const int c = sb_->sbumpc();
        if (c == EOF) {
          atEnd_ = true;
          break;
        }
        *put++ = static_cast<char>(c);
        if (c == '\n') break;
      }
      end_ = put;
    }
    return pos_ < end_;
  }

  void token(const char* what) {
    for (;;) {
      while (pos_ < end_ && isBlank(static_cast<unsigned char>(*pos_))) ++pos_;
      if (pos_ < end_) break;
      if (!more()) {
        in_.setstate(std::ios::eofbit);
        len_ = 0;
        tok_ = "";
        fail(__LINE__, mFormat("cannot read %s in section $%s of %s: the file ends", what,
                              section_.c_str(), file().c_str()));
      }
    }
    if (mayCutToken()) more();
    const char* b = pos_;
    while (pos_ < end_ && !isBlank(static_cast<unsigned char>(*pos_))) ++pos_;
    tok_ = b;
    len_ = static_cast<std::size_t>(pos_ - b);
    // A token as long as the characters held ahead is longer than any number;
    // the same bound holds from a one-way stream, which holds no more.
    if (len_ >= kAhead || (pos_ == end_ && mayCutToken())) {
      // Longer than any number: report its start. The rest is not read, so
      // that an endless token (a stream of digits) ends the read too.
      checkText(b, len_);
      kept_.assign(b, std::min<std::size_t>(len_, 71));
      tok_ = kept_.c_str();
      len_ = kept_.size();
      bad(what);
    }
  }

  void checkText(const char* b, std::size_t n) {
    for (std::size_t k = 0; k < n; ++k)
      if (isBinary(static_cast<unsigned char>(b[k]))) binaryData(static_cast<unsigned char>(b[k]));
  }

  [[noreturn]] void binaryData(unsigned char c) {
    if (section_.empty())
      fail(__LINE__, mFormat("binary data in %s (a byte 0x%02x outside the sections): not a "
                            "sectioned text mesh file", file().c_str(), c));
    fail(__LINE__, mFormat("binary data in section $%s of %s (a byte 0x%02x): not a "
                          "sectioned text mesh file", section_.c_str(), file().c_str(), c));
  }

  std::string file() const { return file_.empty() ? "the mesh file" : "the mesh file " + file_; }

  [[noreturn]] void bad(const char* what) {
    const std::string text(tok_, std::min<std::size_t>(len_, 71));
    fail(__LINE__, mFormat("cannot read %s in section $%s of %s: found \"%s\"", what,
                          section_.c_str(), file().c_str(), text.c_str()));
  }

  std::istream& in_;
  std::streambuf* sb_;
  bool seekable_ = false;
  bool atEnd_ = false;
  std::unique_ptr<char[]> block_;
  std::size_t blockSize_ = 0;
  const char* pos_ = nullptr;
  const char* end_ = nullptr;
  std::string section_;
  std::string file_;
  const char* tok_ = "";
  std::size_t len_ = 0;
  std::string kept_;
};

// One element record: its fields and the vertices of its node ids.
struct ElementRecord {
  int type = 0, modelId = 0, childField = 0;
  int level = 0;  // of the model entity; 0 for points and unknown codes
  int nodes = 0;  // the node ids the entity is made of
  mVertex* v[kMaxNodes];
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
      mVertex* v = m->getVertex(id);
      quietSeed = false;  // the look-up has reseeded the generator
      if (v) return v;
    }
    // As mMesh::createVertex, without its look-up: the id is known to be new.
    // The key is computed without reseeding the runtime's generator for each
    // vertex; the generator is seeded once, as the last key leaves it, at the
    // end of the section. The vertex enters the store at the end of the
    // section too (addFresh), once the tables are sized.
    mVertex* v = new mVertex(id, mPoint(x, y, z), nullptr);
    v->computeKeyQuietly();
    quietSeed = true;
    lastQuietId = id;
    m->setNewVertexId(id);
    fresh.push_back(v);
    if (id >= 0 && static_cast<std::size_t>(id) >= dense.size() &&
        static_cast<std::size_t>(id) < 4 * (dense.size() + 16))
      dense.resize(std::max(2 * dense.size(), static_cast<std::size_t>(id) + 1), nullptr);
    if (id >= 0 && static_cast<std::size_t>(id) < dense.size()) {
      dense[id] = v;
      largestDenseId = std::max(largestDenseId, id);
    } else
      sparse.emplace(id, v);
    return v;
  }

  // Enters the vertices of the section into the store, in the order read;
  // the bucket of a vertex a few places ahead is asked for meanwhile.
  void addFresh() {
    const mEntityHashTable& table = m->getEntities().table();
    const std::size_t ahead = 16;
    for (std::size_t i = 0; i < fresh.size(); ++i) {
      if (i + ahead < fresh.size()) table.prefetchBucket(0, fresh[i + ahead]->getRAND());
      m->add(fresh[i]);
    }
    fresh.clear();
  }

  // Grows the array of vertices by id to the given size and moves there the
  // vertices of the map that fit.
  void roomForIds(std::size_t size) {
    if (size <= dense.size()) return;
    dense.resize(size, nullptr);
    for (auto it = sparse.begin(); it != sparse.end();) {
      if (it->first >= 0 && static_cast<std::size_t>(it->first) < size) {
        dense[it->first] = it->second;
        largestDenseId = std::max(largestDenseId, it->first);
        it = sparse.erase(it);
      } else {
        ++it;
      }
    }
  }

  // Ends a vertex section, also when it is left by a failure.
  void endVertices() {
    addFresh();
    if (quietSeed) mVertex::seedGeneratorAsKeyOf(lastQuietId);
    quietSeed = false;
  }

  mEntity* element(int& counter);
  void rootElements(int n);
  void readRecord(ElementRecord& r, int& counter);
  mEntity* make(const ElementRecord& r);
  mEntity* create(const ElementRecord& r);
  bool classifyMade();
  void prefetchFor(const ElementRecord& r) const;
  void children(mEntity* e, int childField, int& counter);
  gEntity* model(int id, int level);
  void vertices();
  void periodicGroups();
  void partitionTable();
  void edgeModes();
  void faceModes();

  MshScanner sc;
  mMesh* m;
  bool hadVertices;
  std::vector<mVertex*, mLargeAllocator<mVertex*>> dense;
  std::unordered_map<int, mVertex*> sparse;
  // The vertices of the current vertex section not yet in the store.
  std::vector<mVertex*, mLargeAllocator<mVertex*>> fresh;
  int largestDenseId = -1;
  // The entities made from element records, by dimension, in order, while
  // the mesh holds nothing else (see classifyMade).
  bool tracking = m->size(0) == 0 && m->size(1) == 0 && m->size(2) == 0 && m->size(3) == 0;
  std::vector<mEntity*, mLargeAllocator<mEntity*>> made[4];
  int bucketsAtStart[4] = {0, 0, 0, 0};
  gEntity* lastModel = nullptr;
  int lastModelId = 0, lastModelLevel = 0;
  bool quietSeed = false;
  int lastQuietId = 0;
};

void MshReader::readRecord(ElementRecord& r, int& counter) {
  sc.readInt("an element number");
  r.type = sc.readInt("an element type");
  r.modelId = sc.readInt("a model entity id");
  r.childField = sc.readInt("a child count");
  const int nbNodes = sc.readInt("a node count");
  if (nbNodes < 0 || nbNodes > kMaxNodes)
    fail(__LINE__, mFormat("element record with %d node ids: between 0 and %d are read", nbNodes,
                          kMaxNodes));
  for (int i = 0; i < nbNodes; ++i) {
    const int id = sc.readInt("a node id");
    r.v[i] = vertex(id);
    if (!r.v[i]) fail(__LINE__, mFormat("unknown verex id's %d", id));
  }
  ++counter;
  int needed = 0;
  switch (r.type) {
    case 1: needed = 2; r.level = 1; break;
    case 2: needed = 3; r.level = 2; break;
    case 3: needed = 4; r.level = 2; break;
    case 4: needed = 4; r.level = 3; break;
    case 5: needed = 8; r.level = 3; break;
    case 6: needed = 6; r.level = 3; break;
    case 15: needed = 1; r.level = 0; break;
    default: needed = 0; r.level = 0; break;
  }
  r.nodes = needed;
  if (nbNodes < needed)
    fail(__LINE__, mFormat("element record of type %d with %d node ids: %d are needed", r.type,
                          nbNodes, needed));
}

gEntity* MshReader::model(int id, int level) {
  if (!lastModel || id != lastModelId || level != lastModelLevel) {
    lastModel = m->getGEntity(id, level);
    lastModelId = id;
    lastModelLevel = level;
  }
  return lastModel;
}

mEntity* MshReader::make(const ElementRecord& r) {
  mEntity* e = create(r);
  if (e && tracking) {
    const int d = r.level;
    if (made[d].empty()) bucketsAtStart[d] = m->getEntities().table().bucketCount(d);
    made[d].push_back(e);
  }
  return e;
}

mEntity* MshReader::create(const ElementRecord& r) {
  mVertex* const* v = r.v;
  switch (r.type) {
    case 1: return m->createEdge(v[0], v[1], model(r.modelId, 1));
    case 2: return m->createFaceWithVertices(v[0], v[1], v[2], model(r.modelId, 2));
    case 3: return m->createFaceWithVertices(v[0], v[1], v[2], v[3], model(r.modelId, 2));
    case 4: return m->createTetWithVertices(v[0], v[1], v[2], v[3], model(r.modelId, 3));
    case 5:
      return m->createHexWithVertices(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7],
                                      model(r.modelId, 3));
    case 6:
      return m->createPrismWithVertices(v[0], v[1], v[2], v[3], v[4], v[5], model(r.modelId, 3));
    case 15:
      if (r.modelId > 0) v[0]->classify(model(r.modelId, 0));
      return nullptr;
    default: return nullptr;
  }
}

void MshReader::prefetchFor(const ElementRecord& r) const {
  // The entity's id, which is its hash key, is the sum of its vertices' keys.
  int key = 0;
  for (int i = 0; i < r.nodes; ++i) {
    if (!r.v[i]->keyComputed()) return;
    key += r.v[i]->getRAND();
  }
  m->getEntities().table().prefetchBucket(r.level, key);
}

void MshReader::children(mEntity* e, int childField, int& counter) {
  // The subtree below e, depth first, each record followed by its own
  // children; an explicit stack of the parents still expecting children,
  // so that deep nesting costs no call stack. Children are read in any case
  // to stay aligned; they become roots when their parent record made no
  // entity of their dimension.
  struct Open {
    mEntity* parent;
    long long left;
  };
  std::vector<Open> open;
  if (childField < 0) open.push_back({e, -static_cast<long long>(childField)});
  ElementRecord r;
  while (!open.empty()) {
    if (open.back().left == 0) {
      open.pop_back();
      continue;
    }
    --open.back().left;
    mEntity* parent = open.back().parent;
    readRecord(r, counter);
    mEntity* ch = make(r);
    if (parent && ch && ch->getLevel() == parent->getLevel()) {
      parent->add(ch);
      ch->setParent(parent);
    }
    if (r.childField < 0) open.push_back({ch, -static_cast<long long>(r.childField)});
  }
}

mEntity* MshReader::element(int& counter) {
  ElementRecord r;
  readRecord(r, counter);
  mEntity* e = make(r);
  children(e, r.childField, counter);
  return e;
}

void MshReader::rootElements(int n) {
  // A record without children is made a few records after it was read, so
  // that the memory of its hash bucket, asked for when it was read, has
  // arrived by then. Records keep their order.
  constexpr int kHeld = 6;
  ElementRecord rec[kHeld];
  int first = 0, held = 0, counter = 0;
  auto makeOldest = [&]() {
    make(rec[first]);
    first = (first + 1) % kHeld;
    --held;
  };
  auto makeHeld = [&]() {
    while (held) makeOldest();
  };
  try {
    while (counter < n) {
      ElementRecord& r = rec[(first + held) % kHeld];
      readRecord(r, counter);
      if (r.childField < 0 || r.level == 0) {
        makeHeld();
        children(make(r), r.childField, counter);
        continue;
      }
      prefetchFor(r);
      if (++held == kHeld) makeOldest();
    }
  } catch (...) {
    // Records read before a failure are in the mesh, as without the delay.
    makeHeld();
    throw;
  }
  makeHeld();
}

// classifyUnclassifiedVerices for a mesh made by this read alone, without its
// walk over the hash tables in their order, which visits the entities in
// random memory order. The walk gives a vertex the model entity of the first
// entity met that uses it, dimensions 1, 2 and 3 in turn; here the entities
// are taken in the order they were made and each one's place in the walk is
// worked out: its bucket (id modulo the bucket count) and, within the bucket,
// the newer first. That holds as long as the tables were not resized once
// they held entities, and every entity came from an element record. Returns
// false, having done nothing, where that is not known to hold.
bool MshReader::classifyMade() {
  if (!tracking) return false;
  const mEntityHashTable& table = m->getEntities().table();
  for (int d = 1; d < 4; ++d) {
    if (static_cast<std::size_t>(m->size(d)) != made[d].size()) return false;
    if (!made[d].empty() && table.bucketCount(d) != bucketsAtStart[d]) return false;
    if (made[d].size() >= 0xffffffffu) return false;
  }
  // Vertices are found by id in the dense table; any other id: the walk.
  if (!sparse.empty()) return false;
  for (int d = 1; d < 4; ++d) {
    const std::vector<mEntity*, mLargeAllocator<mEntity*>>& list = made[d];
    if (list.empty()) continue;
    // For each vertex id, the place in the walk of the first entity that
    // would classify it: bucket in the high half, the reversed order of
    // making in the low half (newer entities come first in a bucket).
    const std::uint64_t none = ~std::uint64_t(0);
    const std::size_t ids = static_cast<std::size_t>(largestDenseId) + 1;
    std::vector<std::uint64_t, mLargeAllocator<std::uint64_t>> first(ids, none);
    std::vector<gEntity*, mLargeAllocator<gEntity*>> model(ids, nullptr);
    const std::uint64_t buckets = static_cast<std::uint64_t>(table.bucketCount(d));
    bool any = false;
    for (std::size_t k = 0; k < list.size(); ++k) {
      mEntity* e = list[k];
      if (!e->getClassification()) return false;  // the walk would print it
      const std::uint64_t place = (static_cast<std::uint64_t>(e->getId()) % buckets) << 32 |
                                  (0xffffffffu - static_cast<std::uint32_t>(k));
      const int n = e->size(0);
      for (int i = 0; i < n; ++i) {
        mEntity* v = e->get(0, i);
        if (!v || v->getClassification()) continue;
        const int id = v->getId();
        if (id < 0 || id > largestDenseId || dense[id] != v) return false;
        if (place < first[id]) {
          first[id] = place;
          model[id] = e->getClassification();
        }
        any = true;
      }
    }
    if (!any) continue;
    for (std::size_t id = 0; id < first.size(); ++id)
      if (model[id]) dense[id]->classify(model[id]);
  }
  return true;
}

void MshReader::vertices() {
  const int n = sc.readInt("the vertex count");
  if (n < 0) fail(__LINE__, mFormat("negative vertex count %d in the mesh file", n));
  // Room for ids up to twice the number of vertices: some now, the rest
  // once the records are there (roomForIds).
  const std::size_t bound = std::min<std::size_t>(
      2 * (static_cast<std::size_t>(n) + sparse.size() + dense.size()) + 16, kPresize);
  if (std::min<std::size_t>(bound, kEarlyIds) > dense.size())
    dense.resize(std::min<std::size_t>(bound, kEarlyIds), nullptr);
  try {
    for (int i = 0; i < n; ++i) {
      const int id = sc.readInt("a vertex id");
      const double x = sc.readDouble("a coordinate");
      const double y = sc.readDouble("a coordinate");
      const double z = sc.readDouble("a coordinate");
      newVertex(id, x, y, z);
    }
  } catch (...) {
    endVertices();
    throw;
  }
  roomForIds(bound);
  // The tables are sized for n vertices, 5n edges, 10n faces and 8n regions
  // before the vertices enter them. Only now that the n records have been
  // read: a false count in a damaged file ends the read before it claims
  // memory. Empty dimensions take their buckets with their first entity.
  if (n > 0) {
    const long long factor[4] = {1, 5, 10, 8};
    for (int d = 0; d < 4; ++d)
      m->getEntities().resize(d, static_cast<int>(std::min<long long>(
                                     factor[d] * n, std::numeric_limits<int>::max())));
  }
  endVertices();
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
      fail(__LINE__, mFormat("Unknown vertex %d %d <-> %p %p in edge mode creation\n", a, b,
                            static_cast<void*>(va), static_cast<void*>(vb)));
    mEdge* e = m->getEdge(va, vb);
    if (!e) e = m->createEdge(a, b, m->getGEntity(1000, 2));
    const bool same = e->get(0, 0)->equal(va);
    // Owned here until attached: a failure while reading the points frees it.
    auto pts = std::make_unique<mAttachablePointVector>();
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
    e->attachData(tag, pts.release());
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
      fail(__LINE__, mFormat("Unknown vertex %d %d %d <-> %p %p %p in face mode creation\n", id[0],
                            id[1], id[2], static_cast<void*>(v[0]), static_cast<void*>(v[1]),
                            static_cast<void*>(v[2])));
    mFace* f = m->getTri(v[0], v[1], v[2]);
    if (!f) f = m->createFaceWithVertices(id[0], id[1], id[2], m->getGEntity(1000, 2));
    if (p <= 0) continue;
    // Owned here until attached: a failure while reading the points frees it.
    auto pts = std::make_unique<mAttachablePointVector>();
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
    f->attachData(tag, pts.release());
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
  int n = 0;
  walkRefinementTree(e, [&](mEntity*, int) {
    ++n;
    return true;
  });
  return n;
}

// Writes the records of e and of its subtree below the given depth, each
// child one blank deeper than its parent; record(entity, depth) writes one
// and returns false for a kind that has none (its subtree is left out).
template <class Record>
void printTree(mEntity* e, int depth, Record record) {
  walkRefinementTree(e, [&](mEntity* x, int below) { return record(x, depth + below); });
}

}  // namespace

// -------------------------------------------------------------- records

mEntity* readGmshELM(std::istream& in, mMesh* m, int /*depth*/, int& counter) {
  MshReader r(in, m);
  r.sc.setSection("ELM");
  return r.element(counter);
}

void printGmshEdge(std::ostream& out, mEntity* e, int& number, int depth) {
  printTree(e, depth, [&](mEntity* x, int d) {
    printRecord(out, x, number, d, 1, 2);
    return true;
  });
}

void printGmshFace(std::ostream& out, mEntity* e, int& number, int depth) {
  printTree(e, depth, [&](mEntity* x, int d) {
    if (x->size(0) == 3)
      printRecord(out, x, number, d, 2, 3);
    else
      printRecord(out, x, number, d, 3, 4);
    return true;
  });
}

void printGmshRegion(std::ostream& out, mEntity* e, int& number, int depth) {
  printTree(e, depth, [&](mEntity* x, int d) {
    switch (x->getType()) {
      case mEntity::TET: printRecord(out, x, number, d, 4, 4); return true;
      case mEntity::HEX: printRecord(out, x, number, d, 5, 8); return true;
      case mEntity::PRISM: printRecord(out, x, number, d, 6, 6); return true;
      default: return false;  // no record for this kind
    }
  });
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
      if (!v) fail(__LINE__, mFormat("unknown verex id's %d in mirror vertex creation\n", id));
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

namespace {
void readSections(std::istream& in, mMesh* m, const char* fileName);
}

void KORA_Util::importDGFile(std::istream& in, mMesh* m) { readSections(in, m, nullptr); }

namespace {
void readSections(std::istream& in, mMesh* m, const char* fileName) {
  MshReader r(in, m);
  r.sc.setFileName(fileName);
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
      // Room for the entities made (address space only until it is used).
      if (r.tracking && n > 0)
        for (int d = 1; d < 4; ++d)
          r.made[d].reserve(r.made[d].size() + static_cast<std::size_t>(std::min(n, kPresize)));
      r.rootElements(n);
    } else if (starts("FMO")) {
      r.tracking = false;
      r.faceModes();
    } else if (starts("EMO")) {
      r.tracking = false;
      r.edgeModes();
    }
    else if (starts("PRL"))
      r.partitionTable();
    // The rest of the section, up to its end line (or the next header).
    while (r.sc.readLine(line))
      if (!line.empty() && line[0] == '$') break;
    r.sc.setSection("");
  }
  if (!r.classifyMade()) classifyUnclassifiedVerices(m);
}
}  // namespace

void KORA_Util::importDGFile(const char* fileName, mMesh* m) {
  std::ifstream in(fileName ? fileName : "");
  if (!in) fail(__LINE__, mFormat("cannot open the mesh file %s", fileName ? fileName : "(null)"));
  readSections(in, m, fileName);
}

namespace {
bool exportDGFileBuffered(std::ostream& out, mMesh* m, bool boundary);
}

void KORA_Util::exportDGFile(std::ostream& out, mMesh* m, bool boundary) {
  // A stream that formats as the classic locale's defaults do takes the
  // same text from a buffered writer, without the stream's per-number cost.
  if (exportDGFileBuffered(out, m, boundary)) return;
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

namespace {

// A root record of the element section and what it is ordered by: its
// dimension, its type code and the vertex ids of its record.
struct RootRecord {
  int dim, type, nodes;
  int ids[8];
  mEntity* e;
  bool operator<(const RootRecord& o) const {
    if (dim != o.dim) return dim < o.dim;
    if (type != o.type) return type < o.type;
    return std::lexicographical_compare(ids, ids + nodes, o.ids, o.ids + o.nodes);
  }
};

void writeRecord(mTextWriter& out, mEntity* e, int& number, int depth, int type, int nodes) {
  for (int i = 0; i < depth; ++i) out.put(' ');
  mAdjacencyContainer* c = childrenOf(e);
  const int nc = c ? c->size() : 0;
  out.putInt(number++);
  out.put(' ');
  out.putInt(type);
  out.put(' ');
  out.putInt(modelIdOf(e));
  out.put(' ');
  out.putInt(-nc);
  out.put(' ');
  out.putInt(nodes);
  for (int i = 0; i < nodes; ++i) {
    out.put(' ');
    out.putInt(e->get(0, i)->getId());
  }
  out.put('\n');
}

// Type code and node count of a record of e (as the section writer gives
// them), false for a kind that has none.
bool recordKind(mEntity* e, int& type, int& nodes) {
  switch (e->getLevel()) {
    case 1: type = 1; nodes = 2; return true;
    case 2:
      if (e->size(0) == 3) {
        type = 2;
        nodes = 3;
      } else {
        type = 3;
        nodes = 4;
      }
      return true;
    default:
      switch (e->getType()) {
        case mEntity::TET: type = 4; nodes = 4; return true;
        case mEntity::HEX: type = 5; nodes = 8; return true;
        case mEntity::PRISM: type = 6; nodes = 6; return true;
        default: return false;
      }
  }
}

bool exportDGFileBuffered(std::ostream& out, mMesh* m, bool boundary) {
  const auto formatting = std::ios_base::floatfield | std::ios_base::showpoint | std::ios_base::showpos |
                          std::ios_base::uppercase | std::ios_base::basefield | std::ios_base::adjustfield;
  if ((out.flags() & formatting) != std::ios_base::dec || out.width() != 0 ||
      out.getloc() != std::locale::classic())
    return false;
  const int precision = static_cast<int>(out.precision());
  mTextWriter w(out);
  // A double as the stream writes it: "%.*g" with its precision.
  auto putDouble = [&](double x) {
    char text[64];
    const auto r = std::to_chars(text, text + sizeof text, x, std::chars_format::general, precision);
    w.put(std::string_view(text, static_cast<std::size_t>(r.ptr - text)));
  };
  w.put("$NOE\n");
  w.putInt(m->size(0));
  w.put('\n');
  for (mEntityHashTableIterator it = m->beginall(0), last = m->endall(0); it != last; ++it) {
    mVertex* v = static_cast<mVertex*>(*it);
    const mPoint p = v->point();
    w.putInt(v->getId());
    for (int k = 0; k < 3; ++k) {
      w.put(' ');
      putDouble(p(k));
    }
    w.put('\n');
  }
  w.put("$ENDNOE\n");

  KORA_OwnerManager* om = m->getOwnerManager();
  int pairs = 0;
  for (auto it = om->begin_top(); it != om->end_top(); ++it) ++pairs;
  w.put("$PRL\n");
  w.putInt(pairs);
  w.put('\n');
  for (auto it = om->begin_top(); it != om->end_top(); ++it) {
    w.putInt(it->first);
    w.put(' ');
    w.putInt(it->second);
    w.put('\n');
  }
  w.put("$ENDPRL\n");

  // The roots written (as exportDGFile chooses them), met once.
  std::vector<mEntity*> roots;
  int count = 0;
  for (mEntityHashTableIterator it = m->beginall(0), last = m->endall(0); it != last; ++it) {
    gEntity* g = (*it)->getClassification();
    if (g && g->getLevel() == 0) ++count;
  }
  for (int d = 1; d <= 3; ++d)
    for (mEntityHashTableIterator it = m->beginall(d), last = m->endall(d); it != last; ++it) {
      mEntity* e = *it;
      if (e->parent()) continue;
      if (d != 3 && boundary && modelLevelOf(e) > d) continue;
      count += countTree(e);
      roots.push_back(e);
    }
  w.put("$ELM\n");
  w.putInt(count);
  w.put('\n');
  int number = 1;
  for (mEntityHashTableIterator it = m->beginall(0), last = m->endall(0); it != last; ++it) {
    gEntity* g = (*it)->getClassification();
    if (!g || g->getLevel() != 0) continue;
    w.putInt(number++);
    w.put(" 15 ");
    w.putInt(g->getId());
    w.put(" 1 1 ");
    w.putInt((*it)->getId());
    w.put('\n');
  }
  for (mEntity* e : roots)
    printTree(e, 0, [&](mEntity* x, int depth) {
      int type = 0, nodes = 0;
      if (!recordKind(x, type, nodes)) return false;
      writeRecord(w, x, number, depth, type, nodes);
      return true;
    });
  w.put("$ENDELM\n");
  w.flush();  // a failure is the stream's
  return true;
}

}  // namespace

void KORA_Util::exportDGFileSorted(mTextWriter& out, mMesh* m) {
  std::vector<mVertex*> vertices;
  vertices.reserve(static_cast<std::size_t>(m->size(0)));
  for (mEntityHashTableIterator it = m->beginall(0), last = m->endall(0); it != last; ++it)
    vertices.push_back(static_cast<mVertex*>(*it));
  std::stable_sort(vertices.begin(), vertices.end(),
                   [](const mVertex* a, const mVertex* b) { return a->getId() < b->getId(); });
  out.put("$NOE\n");
  out.putInt(m->size(0));
  out.put('\n');
  for (mVertex* v : vertices) {
    const mPoint p = v->point();
    out.putInt(v->getId());
    for (int k = 0; k < 3; ++k) {
      out.put(' ');
      out.putScientific(p(k));
    }
    out.put('\n');
  }
  out.put("$ENDNOE\n");

  KORA_OwnerManager* om = m->getOwnerManager();
  int pairs = 0;
  for (auto it = om->begin_top(); it != om->end_top(); ++it) ++pairs;
  out.put("$PRL\n");
  out.putInt(pairs);
  out.put('\n');
  for (auto it = om->begin_top(); it != om->end_top(); ++it) {
    out.putInt(it->first);
    out.put(' ');
    out.putInt(it->second);
    out.put('\n');
  }
  out.put("$ENDPRL\n");

  // The roots in the order of exportDGFile, then sorted; the count is that
  // of exportDGFile (every entity of every written tree).
  std::vector<RootRecord> roots;
  int count = 0;
  for (mEntityHashTableIterator it = m->beginall(0), last = m->endall(0); it != last; ++it) {
    gEntity* g = (*it)->getClassification();
    if (!g || g->getLevel() != 0) continue;
    RootRecord r{0, 15, 1, {(*it)->getId()}, *it};
    roots.push_back(r);
    ++count;
  }
  for (int d = 1; d <= 3; ++d)
    for (mEntityHashTableIterator it = m->beginall(d), last = m->endall(d); it != last; ++it) {
      mEntity* e = *it;
      if (e->parent()) continue;
      count += countTree(e);
      RootRecord r{d, 0, 0, {}, e};
      if (!recordKind(e, r.type, r.nodes)) continue;  // written without records
      for (int i = 0; i < r.nodes; ++i) r.ids[i] = e->get(0, i)->getId();
      roots.push_back(r);
    }
  std::stable_sort(roots.begin(), roots.end());

  out.put("$ELM\n");
  out.putInt(count);
  out.put('\n');
  int number = 1;
  for (const RootRecord& r : roots) {
    if (r.type == 15) {
      out.putInt(number++);
      out.put(" 15 ");
      out.putInt(r.e->getClassification()->getId());
      out.put(" 1 1 ");
      out.putInt(r.e->getId());
      out.put('\n');
      continue;
    }
    printTree(r.e, 0, [&](mEntity* x, int depth) {
      int type = 0, nodes = 0;
      if (!recordKind(x, type, nodes)) return false;
      writeRecord(out, x, number, depth, type, nodes);
      return true;
    });
  }
  out.put("$ENDELM\n");
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
  if (!out) fail(__LINE__, mFormat("cannot open %s for writing", fileName ? fileName : "(null)"));
  exportGmshFile(out, m);
}

}  // namespace KORA
