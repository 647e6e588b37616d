// Reader of ".sms" mesh text: vertices, edges, faces and tetrahedra, each
// classified on the model entity (id, dimension) given in the file. Geometric
// parameters are read and dropped. Every field is read through a width-limited
// token and every reference is checked against the tables before use.
#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "KORA_MeshFiles.h"
#include "KORA_Util.h"
#include "gEntity.h"
#include "mException.h"
#include "mMesh.h"
#include "mVertex.h"

namespace KORA {

namespace {

const char* const kSource = "src/mSMS";

[[noreturn]] void fail(int line, const std::string& text) {
  throw new mException(line, kSource, text.c_str());
}

// Counts of a stream whose size is not known size the tables up to this many
// entities; beyond it they grow as the records come.
const long long kPresize = 1 << 22;

// The characters left in the file, or -1 when it is not a regular file.
long long charactersLeft(std::FILE* f) {
  struct stat st;
  if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  const long pos = std::ftell(f);
  return pos < 0 ? -1 : static_cast<long long>(st.st_size) - pos;
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

class SmsScanner {
 public:
  explicit SmsScanner(std::FILE* f) : f_(f) {}

  // One white-space separated word of at most 255 characters.
  std::string word(const char* what) {
    char buf[256];
    if (std::fscanf(f_, "%255s", buf) != 1) ended(what);
    return buf;
  }

  int integer(const char* what) {
    const char* t = token(what);
    int v = 0;
    const char* b = *t == '+' ? t + 1 : t;
    auto r = std::from_chars(b, t + len_, v);
    if (r.ec != std::errc() || r.ptr != t + len_) bad(what, t);
    return v;
  }

  double real(const char* what) {
    const char* t = token(what);
    double v = 0.0;
    const char* b = *t == '+' ? t + 1 : t;
    auto r = std::from_chars(b, t + len_, v);
    if (r.ec != std::errc() || r.ptr != t + len_) bad(what, t);
    return v;
  }

  // One group of geometric parameters of a model entity of dimension dim.
  void parameters(int dim) {
    switch (dim) {
      case 0:
      case 3:
        return;
      case 1:
        real("a parameter");
        return;
      case 2:
        real("a parameter");
        real("a parameter");
        integer("a parameter");
        return;
      default:
        fail(__LINE__, "unknown tag in sms loadSmsFile");
    }
  }

 private:
  const char* token(const char* what) {
    if (std::fscanf(f_, "%63s", buf_) != 1) ended(what);
    len_ = std::char_traits<char>::length(buf_);
    return buf_;
  }
  [[noreturn]] void ended(const char* what) {
    fail(__LINE__, mFormat("the file ends where %s is expected in loadSmsFile", what));
  }
  [[noreturn]] void bad(const char* what, const char* t) {
    fail(__LINE__, mFormat("cannot read %s in loadSmsFile: found \"%s\"", what, t));
  }

  std::FILE* f_;
  char buf_[64];
  std::size_t len_ = 0;
};

}  // namespace

void KORA_Util::importSmsFile(const char* fileName, mMesh* m) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(fileName ? fileName : "", "r"));
  if (!file) fail(__LINE__, "unable to open file in loadSmsFile");
  SmsScanner in(file.get());

  in.word("the format name");
  in.integer("the format version");
  const int nRegions = in.integer("the region count");
  const int nFaces = in.integer("the face count");
  const int nEdges = in.integer("the edge count");
  const int nVertices = in.integer("the vertex count");
  in.integer("the fifth count");
  if (nRegions < 0 || nFaces < 0 || nEdges < 0 || nVertices < 0)
    fail(__LINE__, mFormat("negative count in the header (%d %d %d %d) in loadSmsFile", nRegions,
                          nFaces, nEdges, nVertices));
  // Three buckets per announced entity. A record takes at least two
  // characters (a model id and a blank), so counts that the rest of the file
  // cannot hold are false: they size nothing, the read fails where the
  // records end, and a small damaged file claims no memory. Of a stream of
  // unknown size, counts are believed up to a bound.
  const long long counts[4] = {nVertices, nEdges, nFaces, nRegions};
  const long long left = charactersLeft(file.get());
  const long long records = counts[0] + counts[1] + counts[2] + counts[3];
  const bool believable = left >= 0 ? records <= (left + 1) / 2 : records <= kPresize;
  for (int d = 0; d < 4; ++d)
    if (counts[d] && believable)
      m->getEntities().resize(
          d, static_cast<int>(std::min<long long>(3 * counts[d], std::numeric_limits<int>::max())));
  // The tables by record number grow as the records come.
  auto room = [&](long long c) { return static_cast<std::size_t>(believable ? c + 1 : 1); };

  // Vertex section: record k makes the vertex with id k.
  std::vector<mVertex*> vertex(1, nullptr);
  vertex.reserve(room(nVertices));
  for (int k = 1; k <= nVertices; ++k) {
    vertex.push_back(nullptr);
    const int id = in.integer("a model entity id");
    if (!id) continue;
    const int dim = in.integer("a classification dimension");
    in.integer("a vertex field");
    const double x = in.real("a coordinate");
    const double y = in.real("a coordinate");
    const double z = in.real("a coordinate");
    vertex[k] = m->createVertex(k, x, y, z, m->getGEntity(id, dim));
    in.parameters(dim);
  }
  auto vertexNumber = [&](int k, int v) {
    if (v < 1 || v > nVertices || !vertex[v])
      fail(__LINE__, mFormat("edge %d names vertex %d, which the file does not define, in "
                            "loadSmsFile", k, v));
    return v;
  };

  // Edge section: the vertex pair of every edge record; edges on model
  // vertices and edges are created.
  struct Pair {
    int a = 0, b = 0;
    bool set = false;
  };
  std::vector<Pair> edges(1);
  edges.reserve(room(nEdges));
  for (int k = 1; k <= nEdges; ++k) {
    edges.emplace_back();
    const int id = in.integer("a model entity id");
    if (!id) continue;
    const int dim = in.integer("a classification dimension");
    const int a = vertexNumber(k, in.integer("a vertex number"));
    const int b = vertexNumber(k, in.integer("a vertex number"));
    in.integer("an edge field");
    const int n = in.integer("a parameter group count");
    edges[k] = {a, b, true};
    if (dim <= 1) m->createEdge(vertex[a], vertex[b], m->getGEntity(id, dim));
    for (int g = 0; g < n; ++g) in.parameters(dim);
  }

  // Face section: vertex j is the start of edge j in its direction of use.
  struct Quad {
    int v[4] = {0, 0, 0, 0};
    int n = 0;
  };
  std::vector<Quad> faces(1);
  faces.reserve(room(nFaces));
  for (int k = 1; k <= nFaces; ++k) {
    faces.emplace_back();
    const int id = in.integer("a model entity id");
    if (!id) continue;
    const int dim = in.integer("a classification dimension");
    const int nbEdges = in.integer("an edge count");
    if (nbEdges != 3 && nbEdges != 4) fail(__LINE__, "wrong number of edges on a face in loadSmsFile");
    Quad q;
    q.n = nbEdges;
    for (int j = 0; j < nbEdges; ++j) {
      const int e = in.integer("an edge number");
      const long long a = e < 0 ? -static_cast<long long>(e) : e;
      if (e == 0 || a > nEdges || !edges[a].set)
        fail(__LINE__, mFormat("face %d names edge %d, which the file does not define, in "
                              "loadSmsFile", k, e));
      q.v[j] = e > 0 ? edges[a].a : edges[a].b;
    }
    const int n = in.integer("a parameter group count");
    faces[k] = q;
    if (dim <= 2) {
      gEntity* g = m->getGEntity(id, dim);
      if (nbEdges == 3)
        m->createFaceWithVertices(vertex[q.v[0]], vertex[q.v[1]], vertex[q.v[2]], g);
      else
        m->createFaceWithVertices(vertex[q.v[0]], vertex[q.v[1]], vertex[q.v[2]], vertex[q.v[3]],
                                  g);
    }
    for (int g = 0; g < n; ++g) in.parameters(dim);
  }
  std::vector<Pair>().swap(edges);

  // Region section: tetrahedra, from their first face and the vertex of their
  // second face that is not on the first.
  for (int k = 1; k <= nRegions; ++k) {
    const int id = in.integer("a model entity id");
    if (!id) continue;
    const int nbFaces = in.integer("a face count");
    if (nbFaces != 4)
      fail(__LINE__, mFormat("region %d has %d faces: only tetrahedra (4 faces) are read in "
                            "loadSmsFile", k, nbFaces));
    int f[4];
    for (int j = 0; j < 4; ++j) f[j] = in.integer("a face number");
    in.integer("a region field");
    for (int j = 0; j < 2; ++j) {
      const long long a = f[j] < 0 ? -static_cast<long long>(f[j]) : f[j];
      if (a < 1 || a > nFaces || faces[a].n != 3)
        fail(__LINE__, mFormat("region %d names face %d, which is no triangle of the file, in "
                              "loadSmsFile", k, f[j]));
      f[j] = static_cast<int>(a);
    }
    const Quad& first = faces[f[0]];
    const Quad& second = faces[f[1]];
    int fourth = 0;
    for (int j = 0; j < 3; ++j) {
      const int v = second.v[j];
      if (v != first.v[0] && v != first.v[1] && v != first.v[2]) fourth = v;
    }
    if (!fourth)
      fail(__LINE__, mFormat("region %d: faces %d and %d do not span a tetrahedron in loadSmsFile",
                            k, f[0], f[1]));
    m->createTetWithVertices(vertex[first.v[0]], vertex[first.v[1]], vertex[first.v[2]],
                             vertex[fourth], m->getGEntity(id, 3));
  }
  file.reset();
  classifyUnclassifiedVerices(m);
}

}  // namespace KORA
