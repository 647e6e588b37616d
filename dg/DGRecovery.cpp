// Recovery files: the checkpoint writer and the restart reader.
//
// A recovery file holds the mesh with its whole refinement tree, "$FIN$",
// after an adaptation that removed vertices the largest vertex id handed out
// ("$VERTEXIDS$ n"), the counts line, one record per cell (its element, its order and its
// current coefficients), one record per interface cell (its face) and the
// state line. Numbers are written in scientific notation with 16 digits.

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <ios>
#include <istream>
#include <ostream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "ConservationLaw.h"
#include "DGAnalysis.h"
#include "DGBoundaryCell.h"
#include "DGCell.h"
#include "DGErrorEstimator.h"
#include "DGLimiter.h"
#include "DGParameters.h"
#include "GlobalParamManager.h"
#include "KORA_Util.h"
#include "ParUtil.h"
#include "mEntity.h"
#include "mMesh.h"

// The problem set-ups and the sensors are folders of their own, linked with
// the program; the restart needs their factories and the sensor restart.
#include "../output/DGSensor.h"
#include "../problems/Examples.h"

using KORA::mEntity;
using KORA::mMesh;

namespace {

[[noreturn]] void malformed(const std::string &what) {
  throw std::string("recovery file: ") + what;
}

// The polynomial order at the head of the next cell record, leaving the
// stream where it was; -1 when it cannot be peeked.
int peekOrder(std::istream &is) {
  const std::istream::pos_type at = is.tellg();
  if (at == std::istream::pos_type(-1)) return -1;
  int order = -1;
  if (!(is >> order)) order = -1;
  is.clear();
  is.seekg(at);
  return order;
}

// Writes the whole text to path through a temporary file renamed into place,
// so that the file under its final name is always complete. Created with
// permissions 0664 (less the process's file-creation mask).
bool writeWhole(const std::string &path, const std::string &text, std::string &error) {
  const std::string tmp = path + ".tmp";
  const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0664);
  if (fd < 0) {
    error = "cannot create " + tmp + ": " + std::strerror(errno);
    return false;
  }
  const char *data = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, data, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = "cannot write " + tmp + ": " + std::strerror(errno);
      ::close(fd);
      ::unlink(tmp.c_str());
      return false;
    }
    data += n;
    left -= static_cast<std::size_t>(n);
  }
  if (::close(fd) != 0) {
    error = "cannot write " + tmp + ": " + std::strerror(errno);
    ::unlink(tmp.c_str());
    return false;
  }
  if (std::rename(tmp.c_str(), path.c_str()) != 0) {
    error = "cannot rename " + tmp + " to " + path + ": " + std::strerror(errno);
    ::unlink(tmp.c_str());
    return false;
  }
  return true;
}

// ---------------------------------------------------------------------------
// Canonical order. The mesh database walks its entities in an order that
// depends on the history of its hash tables, so the same mesh read from a
// mesh file or from a recovery file is walked differently. Every list of the
// recovery file is therefore put in an order that depends on the entities
// alone: vertices by id, element trees and records by kind and vertex ids.

std::vector<std::string> splitLines(const std::string &text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::vector<long> numbersOf(const std::string &line) {
  std::vector<long> v;
  std::istringstream in(line);
  long x;
  while (in >> x) v.push_back(x);
  return v;
}

int dimensionOfRecord(long type) {
  switch (type) {
    case 15: return 0;
    case 1: return 1;
    case 2:
    case 3: return 2;
    default: return 3;
  }
}

// The mesh section with its vertex lines sorted by id and its element trees
// sorted by (dimension, type, vertex ids) and numbered anew; every other
// line is kept as it is.
std::string canonicalMeshSection(const std::string &text) {
  const std::vector<std::string> lines = splitLines(text);
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  auto emit = [&out](const std::string &l) {
    out += l;
    out += '\n';
  };
  while (i < lines.size()) {
    const std::string &l = lines[i];
    if ((l == "$NOE" || l == "$NOD") && i + 1 < lines.size()) {
      emit(l);
      emit(lines[i + 1]);
      i += 2;
      std::vector<std::pair<long, std::string>> v;
      while (i < lines.size() && (lines[i].empty() || lines[i][0] != '$')) {
        const std::vector<long> n = numbersOf(lines[i]);
        v.emplace_back(n.empty() ? 0 : n[0], lines[i]);
        ++i;
      }
      std::stable_sort(v.begin(), v.end(),
                       [](const auto &a, const auto &b) { return a.first < b.first; });
      for (const auto &x : v) emit(x.second);
    } else if (l == "$ELM" && i + 1 < lines.size()) {
      emit(l);
      emit(lines[i + 1]);
      i += 2;
      // A tree is a record at depth 0 followed by its indented descendants.
      struct Tree {
        std::tuple<int, long, std::vector<long>> key;
        std::vector<std::string> lines;
      };
      std::vector<Tree> trees;
      while (i < lines.size() && (lines[i].empty() || lines[i][0] != '$')) {
        if (lines[i].empty()) {
          ++i;
          continue;
        }
        if (lines[i][0] != ' ' || trees.empty()) {
          const std::vector<long> n = numbersOf(lines[i]);
          Tree t;
          const long type = n.size() > 1 ? n[1] : 0;
          std::vector<long> ids;
          if (n.size() > 5) ids.assign(n.begin() + 5, n.end());
          t.key = std::make_tuple(dimensionOfRecord(type), type, ids);
          trees.push_back(std::move(t));
        }
        trees.back().lines.push_back(lines[i]);
        ++i;
      }
      std::stable_sort(trees.begin(), trees.end(),
                       [](const Tree &a, const Tree &b) { return a.key < b.key; });
      long number = 1;
      for (const Tree &t : trees)
        for (const std::string &r : t.lines) {
          const std::size_t first = r.find_first_not_of(' ');
          const std::size_t afterNumber = r.find(' ', first);
          std::string renumbered = r.substr(0, first) + std::to_string(number++);
          if (afterNumber != std::string::npos) renumbered += r.substr(afterNumber);
          emit(renumbered);
        }
    } else {
      emit(l);
      ++i;
    }
  }
  return out;
}

// Cells and interface cells in the order of their entities by (type, vertex
// ids), the order of the records: compared in place, without building keys.
// Lists already in order are left as they are after one linear check.
template <class CellType>
void sortByEntity(std::vector<CellType *> &list) {
  const auto before = [](const CellType *a, const CellType *b) {
    return entityPrecedes(a->getEntity(), b->getEntity());
  };
  if (!std::is_sorted(list.begin(), list.end(), before))
    std::sort(list.begin(), list.end(), before);
}

// The mesh hands out new vertex ids above the largest id it ever gave, also
// when that vertex is gone (coarsening deletes vertices). A mesh read back
// knows only the ids it holds, so the largest id given is recorded after the
// mesh section whenever it lies above them; refining the restored mesh then
// gives the same new ids as refining the mesh it was written from.
constexpr const char *kVertexIdRecord = "$VERTEXIDS$";

void writeVertexIdRecord(std::ostream &os, mMesh *mesh) {
  int largest = 0;
  for (auto it = mesh->beginall(0), last = mesh->endall(0); it != last; ++it)
    largest = std::max(largest, (*it)->getId());
  const int given = mesh->getIdGenerator().getMaxValue();
  if (given > largest) os << kVertexIdRecord << " " << given << "\n";
}

void readVertexIdRecord(std::istream &is, mMesh *mesh) {
  is >> std::ws;
  if (is.peek() != '$') return;
  std::string word;
  int given = 0;
  if (!(is >> word) || word != kVertexIdRecord || !(is >> given) || given < 0)
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
  {
    std::ostringstream section;
    section.precision(16);
    section.setf(std::ios::scientific, std::ios::floatfield);
    KORA::KORA_Util::Instance()->exportDGFile(section, mesh, false);
    os << canonicalMeshSection(section.str());
  }
  os << "$FIN$\n";
  writeVertexIdRecord(os, mesh);
  os << "\n" << mesh->getDim() << " " << cells.size() << " " << boundaryCells.size() << "\n";
  DGCellList cellRecords(cells);
  sortByEntity(cellRecords);
  for (DGCell *c : cellRecords) {
    mesh->writeMEntity(os, c->getEntity());
    c->write(os);
  }
  DGBoundaryCellList faceRecords(boundaryCells);
  sortByEntity(faceRecords);
  for (DGBoundaryCell *b : faceRecords) {
    mesh->writeMEntity(os, b->getEntity());
    b->write(os);
  }
  ctx->parameters->write_state(os);
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

bool DGAnalysis::writeCheckpoint(const std::string &path) {
  std::ostringstream text;
  std::string error;
  try {
    write(text);
  } catch (const std::string &e) {
    error = e;
  }
  if (error.empty() && writeWhole(path, text.str(), error)) return true;
  std::fprintf(stderr, "warning: recovery file %s not written: %s\n", path.c_str(),
               error.c_str());
  return false;
}

void DGAnalysis::read(std::istream &is) {
  GlobalParamManager *ctx = GlobalParamManager::Instance();
  DGParameters &P = *ctx->parameters;
  KORA::ParUtil *par = KORA::ParUtil::Instance();
  if (!is) malformed("the stream cannot be read");

  // The context owns the mesh; handing over the new one deletes the old.
  mMesh *mesh = new mMesh(1);
  ctx->setMes(mesh);
  KORA::KORA_Util::Instance()->importDGFile(is, mesh);
  ctx->setMes(mesh);
  const int d = ctx->dim;

  ConservationLaw *law = BuildConservationLaw(d, P);
  if (!law)
    throw std::string("restart: problem ") + std::to_string(P.general.problem) +
        " builds no conservation law";
  delete ctx->law;
  ctx->law = law;
  DGErrorEstimator *estimator = BuildErrorEstimator(P);
  delete ctx->estimator;
  ctx->estimator = estimator;
  DGLimiter *limiter = BuildLimiter(P);
  delete ctx->limiter;
  ctx->limiter = limiter;

  createDGAdjacencies(mesh, d);
  mesh->bdryLinkSetup();

  readVertexIdRecord(is, mesh);
  if (d < 2 || mesh->size(d) == 0) malformed("its mesh section holds no cell of dimension 2 or 3");
  int storedDim = 0, N = 0, M = 0;
  if (!(is >> storedDim >> N >> M)) malformed("the counts after the mesh section cannot be read");
  if (storedDim != d)
    malformed("the dimension " + std::to_string(storedDim) + " of its counts line is not that of its mesh (" +
              std::to_string(d) + ")");
  if (N < 0 || M < 0)
    malformed("negative counts " + std::to_string(N) + " " + std::to_string(M));
  par->Msg(KORA::ParUtil::INFO, "reading %d volume entities\n", N);
  for (int i = 0; i < N; ++i) {
    mEntity *e = mesh->readMEntity(is);
    if (!is) malformed("element record " + std::to_string(i) + " cannot be read");
    if (!e) malformed("impossible to find " + std::to_string(i) + "th contributor");
    if (e->getLevel() != d || dgCellOf(e))
      malformed("element record " + std::to_string(i) + " names no new cell of dimension " +
                std::to_string(d));
    // The cell is built at the order its record holds.
    const int stored = peekOrder(is);
    DGCell *cell = addCell(e, stored >= 0 ? stored : P.general.order);
    cell->read(is);
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
    mEntity *f = mesh->readMEntity(is);
    if (!is) malformed("face record " + std::to_string(j) + " cannot be read");
    if (!f) malformed("impossible to find " + std::to_string(j) + "th boundary contributor");
    if (f->getLevel() != d - 1 || dgBoundaryCellOf(f))
      malformed("face record " + std::to_string(j) + " names no new face of dimension " +
                std::to_string(d - 1));
    if (j % 100 == 0) std::printf("boundary entity (%d/%d) read\r", j + 1, M);
    DGBoundaryCell *b = addBoundaryCell(f);
    b->read(is);
  }
  std::printf("\n");
  requireOnEveryLeaf(mesh, d - 1, M, [](mEntity *x) { return dgBoundaryCellOf(x) != nullptr; },
                     "interface cells");
  P.read_state(is);
  if (is.fail()) malformed("the state line cannot be read");
  if (!std::isfinite(P.state.t) || P.state.iter < 0)
    malformed("the state line holds no finite time and iteration number");
  // A file of another problem (another number of fields) is read out of
  // step; what it leaves behind shows it.
  is >> std::ws;
  if (!is.eof()) malformed("text follows the state line (a file of another problem?)");

  AddSensors(this, P);
  for (DGSensor *s : sensors) s->restart(P.state.t);
  std::printf("recover done at time %lf ...\n", P.state.t);
}
