// Recovery files: the checkpoint writer and the restart reader.
//
// A recovery file holds the mesh with its whole refinement tree, "$FIN$",
// after an adaptation that removed vertices the largest vertex id handed out
// ("$VERTEXIDS$ n"), the counts line, one record per cell (its element, its order and its
// current coefficients), one record per interface cell (its face) and the
// state line. Numbers are written in scientific notation with 16 digits.
//
// The writer formats straight into a buffered writer on the file; the
// reader scans the file's bytes in large blocks.

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <ios>
#include <istream>
#include <ostream>
#include <sstream>
#include <memory>
#include <streambuf>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "ConservationLaw.h"
#include "DGAnalysis.h"
#include "DGBoundaryCell.h"
#include "DGCell.h"
#include "DGParameters.h"
#include "FunctionSpace.h"
#include "GlobalParamManager.h"
#include "KORA_Util.h"
#include "ParUtil.h"
#include "RunHooks.h"
#include "mEntity.h"
#include "mMesh.h"
#include "mTextWriter.h"
#include "mVertex.h"

using KORA::mEntity;
using KORA::mMesh;
using KORA::mTextWriter;

namespace {

[[noreturn]] void malformed(const std::string &what) {
  throw std::string("recovery file: ") + what;
}

// ---------------------------------------------------------------------------
// Canonical order. The mesh database walks its entities in an order that
// depends on the history of its hash tables, so the same mesh read from a
// mesh file or from a recovery file is walked differently. Every list of the
// recovery file is therefore put in an order that depends on the entities
// alone: vertices by id, element trees and records by kind and vertex ids
// (the mesh section: KORA_Util::exportDGFileSorted).

// Cells and interface cells in the order of their entities by (type, vertex
// ids), the order of entityPrecedes.
template <class CellType>
std::vector<CellType *> sortedByEntity(const std::vector<CellType *> &list) {
  std::vector<CellType *> sorted = list;
  sortByEntity(sorted);
  return sorted;
}

// The mesh hands out new vertex ids above the largest id it ever gave, also
// when that vertex is gone (coarsening deletes vertices). A mesh read back
// knows only the ids it holds, so the largest id given is recorded after the
// mesh section whenever it lies above them; refining the restored mesh then
// gives the same new ids as refining the mesh it was written from.
constexpr const char *kVertexIdRecord = "$VERTEXIDS$";

// The whole file into out.
void writeRecovery(mTextWriter &out, mMesh *mesh, const DGCellList &cells,
                   const DGBoundaryCellList &boundaryCells, const DGParameters &P) {
  KORA::KORA_Util::Instance()->exportDGFileSorted(out, mesh);
  out.put("$FIN$\n");
  int largest = 0;
  for (auto it = mesh->beginall(0), last = mesh->endall(0); it != last; ++it)
    largest = std::max(largest, (*it)->getId());
  const int given = mesh->getIdGenerator().getMaxValue();
  if (given > largest) {
    out.put(kVertexIdRecord);
    out.put(' ');
    out.putInt(given);
    out.put('\n');
  }
  out.put('\n');
  out.putInt(mesh->getDim());
  out.put(' ');
  out.putInt(static_cast<long long>(cells.size()));
  out.put(' ');
  out.putInt(static_cast<long long>(boundaryCells.size()));
  out.put('\n');
  for (DGCell *c : sortedByEntity(cells)) {
    mesh->writeMEntity(out, c->getEntity());
    c->write(out);
  }
  // An interface cell adds nothing to its face's reference.
  for (DGBoundaryCell *b : sortedByEntity(boundaryCells)) mesh->writeMEntity(out, b->getEntity());
  // The state line, one line in the stream form of the parameters.
  std::ostringstream state;
  state.precision(16);
  state.setf(std::ios::scientific, std::ios::floatfield);
  P.write_state(state);
  out.put(state.str());
}

// ---------------------------------------------------------------------------
// Reading

// Numbers and words of the records after the mesh section, read from the
// stream in large blocks, with the syntax of a stream's formatted input in
// the classic locale: blanks skipped, a sign allowed, the number ends where
// its characters end; a number out of the range of its type fails.
class RecordScanner {
public:
  explicit RecordScanner(std::istream &is) : sb(is.rdbuf()), block(new char[kBlock]), size(kBlock) {
    pos = end = block.get();
  }

  int peek() {
    if (!token()) return -1;
    return static_cast<unsigned char>(*pos);
  }
  // The characters up to the next blank.
  std::string word() {
    if (!token()) return std::string();
    const char *b = pos;
    pos = tokenEnd;
    return std::string(b, tokenEnd);
  }
  bool readInt(int &v) {
    if (!token()) return false;
    const char *b = *pos == '+' ? pos + 1 : pos;
    if (b != pos && b < end && *b == '-') return false;  // "+-"
    const auto r = std::from_chars(b, end, v);
    if (r.ec != std::errc()) return false;
    pos = r.ptr;
    return true;
  }
  bool readDouble(double &v) {
    if (!token()) return false;
    const char *b = *pos == '+' ? pos + 1 : pos;
    const char *digits = b == pos && *b == '-' ? b + 1 : b;
    // Only digits or a point begin a number ("nan" and "inf" are words).
    if (digits == end || !((*digits >= '0' && *digits <= '9') || *digits == '.')) return false;
    const auto r = std::from_chars(b, end, v);
    if (r.ec == std::errc::result_out_of_range) {
      // Beyond the range of doubles: an overflow fails, an underflow is
      // read as the nearest value, as a stream reads them.
      const std::string text(b, r.ptr);
      v = std::strtod(text.c_str(), nullptr);
      if (std::isinf(v)) return false;
    } else if (r.ec != std::errc()) {
      return false;
    }
    pos = r.ptr;
    return true;
  }
  // Everything not read yet.
  std::string rest() {
    std::string text(pos, end);
    pos = end;
    char more[1 << 16];
    if (sb)
      for (std::streamsize got; (got = sb->sgetn(more, sizeof more)) > 0;)
        text.append(more, static_cast<std::size_t>(got));
    return text;
  }

private:
  static constexpr std::size_t kBlock = std::size_t(1) << 20;

  static bool isBlank(char c) {
    return c == ' ' || c == '\n' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
  }

  // Skips blanks and holds the whole next token (up to tokenEnd); false at
  // the end of the stream.
  bool token() {
    for (;;) {
      while (pos < end && isBlank(*pos)) ++pos;
      if (pos < end) break;
      if (!more()) return false;
    }
    for (;;) {
      tokenEnd = pos;
      while (tokenEnd < end && !isBlank(*tokenEnd)) ++tokenEnd;
      if (tokenEnd < end || atEnd) return true;
      if (!more()) return true;
    }
  }

  // Keeps the unread characters and appends what the stream gives (the
  // block grows when the unread characters fill it); false when it gives
  // nothing more.
  bool more() {
    if (atEnd || !sb) {
      atEnd = true;
      return false;
    }
    const std::size_t kept = static_cast<std::size_t>(end - pos);
    if (kept == size) {
      std::unique_ptr<char[]> bigger(new char[2 * size]);
      std::memcpy(bigger.get(), pos, kept);
      block = std::move(bigger);
      size *= 2;
    } else if (kept > 0 && pos != block.get()) {
      std::memmove(block.get(), pos, kept);
    }
    pos = block.get();
    end = pos + kept;
    const std::streamsize got = sb->sgetn(block.get() + kept, static_cast<std::streamsize>(size - kept));
    if (got <= 0) {
      atEnd = true;
      return false;
    }
    end += got;
    return true;
  }

  std::streambuf *sb;
  std::unique_ptr<char[]> block;
  std::size_t size;
  const char *pos;
  const char *end;
  const char *tokenEnd = nullptr;
  bool atEnd = false;
};

// The vertices of the mesh by id, for the entity references: a table over
// the ids when they are dense enough, the mesh's own look-up otherwise.
class VertexTable {
public:
  explicit VertexTable(mMesh *mesh) : mesh(mesh) {
    int largest = -1;
    bool negative = false;
    for (auto it = mesh->beginall(0), last = mesh->endall(0); it != last; ++it) {
      largest = std::max(largest, (*it)->getId());
      negative = negative || (*it)->getId() < 0;
    }
    const long long count = mesh->size(0);
    if (negative || largest > 8 * count + 1024) return;
    byId.assign(static_cast<std::size_t>(largest) + 1, nullptr);
    for (auto it = mesh->beginall(0), last = mesh->endall(0); it != last; ++it)
      byId[static_cast<std::size_t>((*it)->getId())] = static_cast<KORA::mVertex *>(*it);
    complete = true;
  }
  KORA::mVertex *operator()(int id) const {
    if (!complete) return mesh->getVertex(id);
    return id >= 0 && static_cast<std::size_t>(id) < byId.size() ? byId[static_cast<std::size_t>(id)]
                                                                 : nullptr;
  }

private:
  mMesh *mesh;
  std::vector<KORA::mVertex *> byId;
  bool complete = false;
};

// An entity reference as the mesh writes it: the type code and its vertex
// ids. Null with cannotRead set when the numbers are not there, null alone
// when they name no entity of the mesh.
mEntity *readReference(RecordScanner &in, mMesh *mesh, const VertexTable &vertices,
                       bool &cannotRead, int &lastVertex) {
  cannotRead = false;
  int code = -1;
  if (!in.readInt(code)) {
    cannotRead = true;
    return nullptr;
  }
  const int nv = mMesh::referenceSize(code);
  if (nv == 0) return nullptr;
  int ids[8];
  for (int k = 0; k < nv; ++k)
    if (!in.readInt(ids[k])) {
      cannotRead = true;
      return nullptr;
    }
  KORA::mVertex *v[8];
  for (int k = 0; k < nv; ++k) {
    lastVertex = ids[k];
    v[k] = vertices(ids[k]);
    if (!v[k]) return nullptr;
  }
  return mesh->findOnVertices(code, v);
}

void readVertexIdRecord(RecordScanner &in, mMesh *mesh) {
  if (in.peek() != '$') return;
  int given = 0;
  if (in.word() != kVertexIdRecord || !in.readInt(given) || given < 0)
    malformed("a record after the mesh section cannot be read");
  mesh->setNewVertexId(given);
}

// Checks that the count of records read equals the number of leaf entities
// of the dimension and that each of them got what it needs.
template <class Has>
void requireOnEveryLeaf(mMesh *mesh, int dim, int count, Has has, const char *what) {
  int leaves = 0;
  for (auto it = mesh->begin(dim); it != mesh->end(dim); ++it) {
    if (!has(*it)) malformed(std::string("the leaf entities of its mesh do not all have their ") + what);
    ++leaves;
  }
  if (leaves != count)
    malformed(std::string("it holds ") + std::to_string(count) + " " + what + " for " +
              std::to_string(leaves) + " leaf entities of its mesh");
}

}  // namespace

void DGAnalysis::write(std::ostream &os) {
  GlobalParamManager *ctx = GlobalParamManager::Instance();
  mMesh *mesh = ctx->mesh;
  if (!mesh) throw std::string("recovery file: no mesh to write");
  os.precision(16);
  os.setf(std::ios::scientific, std::ios::floatfield);
  mTextWriter out(os);
  writeRecovery(out, mesh, cells, boundaryCells, *ctx->parameters);
  out.flush();
}

void createDGAdjacencies(mMesh *mesh, int dim) {
  if (dim == 3) {
    mesh->modifyState(3, 2, true, 0);
    mesh->modifyState(2, 1, true, 0);
    mesh->modifyState(2, 3, true, 0);
    mesh->modifyState(1, 2, true, 0);
  } else {
    mesh->modifyState(2, 1, true, 0);
    mesh->modifyState(1, 2, true, 0);
  }
  mesh->modifyState(0, 1, true, 0);
}

// The file is written under a temporary name and renamed into place, so
// that the file under its final name is always complete. Created with
// permissions 0664 (less the process's file-creation mask).
bool DGAnalysis::writeCheckpoint(const std::string &path) {
  GlobalParamManager *ctx = GlobalParamManager::Instance();
  const std::string tmp = path + ".tmp";
  std::string error;
  if (!ctx->mesh) {
    error = "recovery file: no mesh to write";
  } else {
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0664);
    if (fd < 0) {
      error = "cannot create " + tmp + ": " + std::strerror(errno);
    } else {
      {
        mTextWriter out(fd);
        try {
          writeRecovery(out, ctx->mesh, cells, boundaryCells, *ctx->parameters);
        } catch (const std::string &e) {
          error = e;
        }
        if (error.empty() && !out.flush())
          error = "cannot write " + tmp + ": " + std::strerror(out.error());
      }
      if (::close(fd) != 0 && error.empty())
        error = "cannot write " + tmp + ": " + std::strerror(errno);
      if (error.empty() && std::rename(tmp.c_str(), path.c_str()) != 0)
        error = "cannot rename " + tmp + " to " + path + ": " + std::strerror(errno);
      if (!error.empty()) ::unlink(tmp.c_str());
    }
  }
  if (error.empty()) return true;
  std::fprintf(stderr, "warning: recovery file %s not written: %s\n", path.c_str(),
               error.c_str());
  return false;
}

void DGAnalysis::read(std::istream &is, const RunHooks &hooks) {
  GlobalParamManager *ctx = GlobalParamManager::Instance();
  DGParameters &P = *ctx->parameters;
  KORA::ParUtil *par = KORA::ParUtil::Instance();
  if (!is) malformed("the stream cannot be read");
  if (!hooks.buildProblem) throw std::string("restart: no problem set-up to build the law from");

  // The context owns the mesh; handing over the new one deletes the old.
  mMesh *mesh = new mMesh(1);
  ctx->setMes(mesh);
  // The mesh reader leaves the stream just after the line of "$FIN$".
  KORA::KORA_Util::Instance()->importDGFile(is, mesh);
  ctx->setMes(mesh);
  const int d = ctx->dim;

  hooks.buildProblem(d);

  createDGAdjacencies(mesh, d);
  mesh->bdryLinkSetup();

  RecordScanner in(is);
  readVertexIdRecord(in, mesh);
  if (d < 2 || mesh->size(d) == 0) malformed("its mesh section holds no cell of dimension 2 or 3");
  int storedDim = 0, N = 0, M = 0;
  if (!in.readInt(storedDim) || !in.readInt(N) || !in.readInt(M))
    malformed("the counts after the mesh section cannot be read");
  if (storedDim != d)
    malformed("the dimension " + std::to_string(storedDim) + " of its counts line is not that of its mesh (" +
              std::to_string(d) + ")");
  if (N < 0 || M < 0)
    malformed("negative counts " + std::to_string(N) + " " + std::to_string(M));
  // The references find their vertices in a table, without reseeding the
  // runtime's generator as the mesh's look-up does; it is left at the end as
  // the last look-up would leave it.
  const VertexTable vertices(mesh);
  int lastVertex = -1;
  struct Reseed {
    int &id;
    ~Reseed() {
      if (id >= 0) KORA::mVertex::seedGeneratorAsKeyOf(id);
    }
  } reseed{lastVertex};
  bool cannotRead = false;
  par->Msg(KORA::ParUtil::INFO, "reading %d volume entities\n", N);
  for (int i = 0; i < N; ++i) {
    mEntity *e = readReference(in, mesh, vertices, cannotRead, lastVertex);
    if (cannotRead) malformed("element record " + std::to_string(i) + " cannot be read");
    if (!e) malformed("impossible to find " + std::to_string(i) + "th contributor");
    if (e->getLevel() != d || dgCellOf(e))
      malformed("element record " + std::to_string(i) + " names no new cell of dimension " +
                std::to_string(d));
    // The cell is built at the order its record holds.
    int stored = -1;
    if (!in.readInt(stored))
      throw std::string("DG cell recovery block: the polynomial order cannot be read");
    DGCell *cell = addCell(e, stored >= 0 ? stored : P.general.order);
    // Built at the stored order, its levels are as new: the coefficients go
    // straight into level 0.
    double *c0 = stored == cell->getFunctionSpace()->order() ? cell->dofs->levels[0]
                                                               : cell->restoreOrder(stored);
    const int total = cell->nbFields() * cell->getFunctionSpace()->size();
    for (int k = 0; k < total; ++k)
      if (!in.readDouble(c0[k]))
        throw std::string("DG cell recovery block: coefficient ") + std::to_string(k) + " of " +
            std::to_string(total) + " cannot be read";
    if (i % 100 == 0) par->Msg(KORA::ParUtil::INFO, "volume entity (%d/%d) read\r", i + 1, N);
    std::fill(cell->rhs.begin(), cell->rhs.end(), 0.0);
    cell->jumpSum = cell->jumpWeight = cell->limiterMeasure = 0.0;
    cell->ZeroError();
    cell->active = true;
    cell->setTag(0);
  }
  par->Msg(KORA::ParUtil::INFO, "\n");
  // Every leaf element needs its cell before the faces between them are
  // built; a cell on an element that was refined is never computed.
  requireOnEveryLeaf(mesh, d, N, [](mEntity *x) { return dgCellOf(x) != nullptr; }, "cells");
  for (int j = 0; j < M; ++j) {
    mEntity *f = readReference(in, mesh, vertices, cannotRead, lastVertex);
    if (cannotRead) malformed("face record " + std::to_string(j) + " cannot be read");
    if (!f) malformed("impossible to find " + std::to_string(j) + "th boundary contributor");
    if (f->getLevel() != d - 1 || dgBoundaryCellOf(f))
      malformed("face record " + std::to_string(j) + " names no new face of dimension " +
                std::to_string(d - 1));
    if (j % 100 == 0) std::printf("boundary entity (%d/%d) read\r", j + 1, M);
    // An interface cell holds nothing in the file beyond its face.
    addBoundaryCell(f);
  }
  std::printf("\n");
  requireOnEveryLeaf(mesh, d - 1, M, [](mEntity *x) { return dgBoundaryCellOf(x) != nullptr; },
                     "interface cells");
  // The state line, read as the parameters read it from a stream.
  std::istringstream rest(in.rest());
  P.read_state(rest);
  if (rest.fail()) malformed("the state line cannot be read");
  if (!std::isfinite(P.state.t) || P.state.iter < 0)
    malformed("the state line holds no finite time and iteration number");
  // A file of another problem (another number of fields) is read out of
  // step; what it leaves behind shows it.
  rest >> std::ws;
  if (!rest.eof()) malformed("text follows the state line (a file of another problem?)");
}
