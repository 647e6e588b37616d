#ifndef DG_GMSHPROCESSOR_H
#define DG_GMSHPROCESSOR_H

// Writer of Gmsh post-processing views in the text format: a file holds
// named views one after another,
//
//   View "name" {
//   ST (x0,y0,z0,x1,y1,z1,x2,y2,z2){v0,v1,v2};
//   };
//
// Each element is a GmshDrawable: its kind (scalar or vector line, triangle or
// tetrahedron), node coordinates and values, time step after time step, node
// after node, and the components of a vector node after node within a time
// step. Numbers use an output stream's default notation (6 significant digits,
// as "%g").
//
// The processor owns at most one open file and a list of filters; every
// element handed to addDrawable goes through the filters in order and is
// written only if what comes out is not the empty drawable.
//
// Gmsh refuses a file holding "inf" or "nan", so a number that is not finite
// is written as kNonFiniteSubstitute (+inf and NaN) or its negative (-inf),
// and the processor warns once per file on standard error. A file that cannot
// be created or written is a thrown text (std::string).

#include <fstream>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

// What a view holds in place of a number that is not finite.
constexpr double kNonFiniteSubstitute = 1.0e300;

// One element of a view, with its own copy of coordinates and values.
class GmshDrawable {
public:
  enum gType : int {
    SL = 0,     // scalar line, "SL ("
    ST = 1,     // scalar triangle, "ST ("
    SS = 2,     // scalar tetrahedron, "SS ("
    VL = 3,     // vector line, "VL ("
    VT = 4,     // vector triangle, "VT ("
    VS = 5,     // vector tetrahedron, "VS ("
    EMPTY = 6   // writes nothing at all
  };

  // Copies nbNod coordinates from each of x, y, z and nbNod * sizeInfo *
  // nbSamples values from v. The empty kind, a kind outside 0..6 and a
  // negative number of samples are refused: "error drawable\n" is printed on
  // standard output and the integer 1 is thrown.
  GmshDrawable(gType type, int nbSamples, const double *x, const double *y, const double *z,
               const double *v);
  // The empty drawable: kind 6, no node, no value.
  GmshDrawable();
  virtual ~GmshDrawable() = default;
  GmshDrawable(const GmshDrawable &) = delete;
  GmshDrawable &operator=(const GmshDrawable &) = delete;

  // Nodes and values per node of a kind (0 for the empty kind).
  static int nodesOf(gType type);
  static int valuesPerNodeOf(gType type);

  gType getType() const { return type; }
  int getNbNod() const { return nbNod; }
  int getNbSamples() const { return nbSamples; }
  int getSizeInfo() const { return sizeInfo; }
  int getNbValues() const { return static_cast<int>(v.size()); }
  double getV(int i) const { return v[i]; }
  double getX(int i) const { return x[i]; }
  double getY(int i) const { return y[i]; }
  double getZ(int i) const { return z[i]; }
  // Coordinates and values that are not finite.
  int nbNonFinite() const;

  // Element text: opening text, coordinates, "){", values, "};" and a line
  // end; nothing at all for the empty kind. Numbers that are not finite are
  // written as their substitute.
  friend std::ostream &operator<<(std::ostream &os, const GmshDrawable &d);

private:
  int nbNod;
  int sizeInfo;
  std::vector<double> x, y, z;
  std::vector<double> v;
  int nbSamples;
  gType type;
};

// Element filter: returns the drawable to write in place of d, either d
// itself or a new drawable (d is then destroyed).
class GmshFilter {
public:
  virtual ~GmshFilter() = default;
  virtual std::unique_ptr<GmshDrawable> filter(std::unique_ptr<GmshDrawable> d) = 0;
};

// Keeps an element only when one of the values of its first time step lies
// strictly between min and max (NaN never counts); otherwise the element
// becomes the empty drawable.
class GmshRangeFilter : public GmshFilter {
public:
  GmshRangeFilter(double min, double max) : min(min), max(max) {}
  std::unique_ptr<GmshDrawable> filter(std::unique_ptr<GmshDrawable> d) override;

  double getMin() const { return min; }
  double getMax() const { return max; }

private:
  double min;
  double max;
};

class GmshProcessor {
public:
  // The mode is kept; nothing depends on it.
  enum gMode : int { DEFAULT = 0 };

  explicit GmshProcessor(gMode mode = DEFAULT);
  // Closes an open file and deletes the filters.
  virtual ~GmshProcessor();
  GmshProcessor(const GmshProcessor &) = delete;
  GmshProcessor &operator=(const GmshProcessor &) = delete;

  // Appends a filter; the processor owns it from then on (null is ignored).
  void addFilter(GmshFilter *f);
  // Creates or truncates the file and marks the processor open. A file left
  // open (an interrupted export) is closed first. A file that cannot be
  // created throws a text naming it.
  void openFile(const char *name);
  // "View \"name\" {" and a line end.
  void startView(const char *name);
  // One element of the current view, through the filters. Refused kinds
  // throw as the GmshDrawable constructor does. Without an open file the
  // element is built and filtered but written nowhere.
  virtual void addDrawable(GmshDrawable::gType type, int nbSamples, const double *x,
                           const double *y, const double *z, const double *v);
  // "};" and a line end.
  void endView();
  // Closes the open file, if any; a write that failed on the way (a full
  // disk) throws a text naming the file.
  void closeFile();

  bool isFileOpen() const { return isOpen; }
  gMode getMode() const { return mode; }
  int nbFilters() const { return static_cast<int>(filters.size()); }

private:
  gMode mode;
  std::unique_ptr<std::ofstream> stream;
  std::string fileName;
  bool isOpen;
  bool warnedNonFinite;  // for the open file
  std::vector<std::unique_ptr<GmshFilter>> filters;
};

#endif
