#include "GmshProcessor.h"

#include <cstdio>
#include <ostream>

namespace {

struct KindInfo {
  int nodes;
  int valuesPerNode;
  const char *opening;
};

constexpr KindInfo kKinds[7] = {
    {2, 1, "SL ("}, {3, 1, "ST ("}, {4, 1, "SS ("}, {2, 3, "VL ("},
    {3, 3, "VT ("}, {4, 3, "VS ("}, {0, 0, ""},
};

bool knownKind(int t) { return t >= 0 && t <= 6; }

[[noreturn]] void refuseDrawable() {
  std::printf("error drawable\n");
  std::fflush(stdout);
  throw 1;
}

}  // namespace

// ---------------------------------------------------------------------------
// GmshDrawable

int GmshDrawable::nodesOf(gType type) { return knownKind(type) ? kKinds[type].nodes : 0; }

int GmshDrawable::valuesPerNodeOf(gType type) {
  return knownKind(type) ? kKinds[type].valuesPerNode : 0;
}

GmshDrawable::GmshDrawable(gType type, int nbSamples, const double *x, const double *y,
                           const double *z, const double *v)
    : nbNod(0), sizeInfo(0), nbSamples(nbSamples), type(type) {
  if (!knownKind(type) || type == EMPTY || nbSamples < 0) refuseDrawable();
  nbNod = kKinds[type].nodes;
  sizeInfo = kKinds[type].valuesPerNode;
  this->x.assign(x, x + nbNod);
  this->y.assign(y, y + nbNod);
  this->z.assign(z, z + nbNod);
  const int nv = nbNod * sizeInfo * nbSamples;
  if (nv > 0) this->v.assign(v, v + nv);
}

GmshDrawable::GmshDrawable() : nbNod(0), sizeInfo(0), nbSamples(0), type(EMPTY) {}

std::ostream &operator<<(std::ostream &os, const GmshDrawable &d) {
  if (d.type == GmshDrawable::EMPTY) return os;
  os << kKinds[d.type].opening;
  for (int i = 0; i < d.nbNod; ++i) {
    if (i) os << ',';
    os << d.x[i] << ',' << d.y[i] << ',' << d.z[i];
  }
  os << "){";
  for (std::size_t i = 0; i < d.v.size(); ++i) {
    if (i) os << ',';
    os << d.v[i];
  }
  os << "};\n";
  return os;
}

// ---------------------------------------------------------------------------
// GmshRangeFilter

std::unique_ptr<GmshDrawable> GmshRangeFilter::filter(std::unique_ptr<GmshDrawable> d) {
  if (d) {
    const int n = d->getNbNod() * d->getSizeInfo();
    const int available = d->getNbValues();
    for (int i = 0; i < n && i < available; ++i) {
      const double value = d->getV(i);
      if (min < value && value < max) return d;  // false for NaN
    }
  }
  return std::make_unique<GmshDrawable>();
}

// ---------------------------------------------------------------------------
// GmshProcessor

GmshProcessor::GmshProcessor(gMode mode) : mode(mode), stream(), isOpen(false), filters() {}

GmshProcessor::~GmshProcessor() { closeFile(); }

void GmshProcessor::addFilter(GmshFilter *f) {
  if (f) filters.emplace_back(f);
}

void GmshProcessor::openFile(const char *name) {
  closeFile();
  stream = std::make_unique<std::ofstream>(name ? name : "", std::ios::out | std::ios::trunc);
  isOpen = true;
}

void GmshProcessor::startView(const char *name) {
  if (!stream) return;
  *stream << "View \"" << (name ? name : "") << "\" {" << std::endl;
}

void GmshProcessor::addDrawable(GmshDrawable::gType type, int nbSamples, const double *x,
                                const double *y, const double *z, const double *v) {
  auto d = std::make_unique<GmshDrawable>(type, nbSamples, x, y, z, v);
  for (auto &f : filters) d = f->filter(std::move(d));
  if (d && stream) *stream << *d;
}

void GmshProcessor::endView() {
  if (!stream) return;
  *stream << "};" << std::endl;
}

void GmshProcessor::closeFile() {
  if (!isOpen) return;
  if (stream) stream->close();
  stream.reset();
  isOpen = false;
}
