// A strict reader of EnSight 6 text files (case file of type "ensight"),
// written from the format's description: geometry with its node and element
// counts, parts and element blocks in fixed columns (ids i8, coordinates
// e12.5), and per-element variable files whose parts and blocks follow the
// geometry with one value (or one x y z triple) per element, six numbers to a
// full line. Whatever breaks the layout throws std::runtime_error naming the
// file and the line.
#ifndef TESTS_OUTPUT_ENSIGHT_READER_H
#define TESTS_OUTPUT_ENSIGHT_READER_H

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace ensight6 {

struct Node {
  int id;
  double x, y, z;
};

struct Block {
  std::string type;
  std::vector<int> ids;                 // element ids (when given)
  std::vector<std::vector<int>> nodes;  // node indices into Geometry::nodes, from 0
};

struct Part {
  int number = 0;
  std::string description;
  std::vector<Block> blocks;
  std::size_t nbElements() const {
    std::size_t n = 0;
    for (const Block &b : blocks) n += b.nodes.size();
    return n;
  }
};

struct Geometry {
  std::vector<Node> nodes;
  std::vector<Part> parts;
};

// A variable file: per part and per block, the numbers of the elements.
struct Variable {
  std::string description;
  std::map<int, std::vector<std::pair<std::string, std::vector<double>>>> parts;
};

struct CaseVariable {
  std::string kind;  // "scalar per element", "vector per element", ...
  std::string description, file;
};

struct Case {
  std::string type;
  std::string model;
  std::vector<CaseVariable> variables;
  int nbSteps = -1, start = 0, increment = 1;
  std::vector<double> times;

  // The file name of step k (from 0) of a pattern: the run of "*" replaced by
  // the file number padded with zeros to the run's length.
  std::string fileOfStep(const std::string &pattern, int k) const {
    const std::size_t at = pattern.find('*');
    if (at == std::string::npos) return pattern;
    std::size_t n = 0;
    while (at + n < pattern.size() && pattern[at + n] == '*') ++n;
    std::string number = std::to_string(start + k * increment);
    if (number.size() < n) number.insert(0, n - number.size(), '0');
    return pattern.substr(0, at) + number + pattern.substr(at + n);
  }
};

namespace detail {

inline std::string trim(const std::string &s) {
  const std::size_t a = s.find_first_not_of(" \t\r");
  if (a == std::string::npos) return "";
  const std::size_t b = s.find_last_not_of(" \t\r");
  return s.substr(a, b - a + 1);
}

class Lines {
public:
  explicit Lines(const std::string &path) : path(path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot open " + path);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
  }
  bool atEnd() const { return at >= lines.size(); }
  const std::string &next() {
    if (atEnd()) fail("unexpected end of file");
    return lines[at++];
  }
  const std::string &peek() const { return lines[at]; }
  [[noreturn]] void fail(const std::string &what) const {
    throw std::runtime_error(path + ":" + std::to_string(at) + ": " + what);
  }
  // An integer in the columns [from, from + width) of a line.
  int integer(const std::string &line, std::size_t from, std::size_t width) const {
    if (line.size() < from + width) fail("line too short for an i" + std::to_string(width) + ": " + line);
    const std::string field = trim(line.substr(from, width));
    char *end = nullptr;
    const long v = std::strtol(field.c_str(), &end, 10);
    if (field.empty() || *end != '\0') fail("not an integer: '" + field + "'");
    return static_cast<int>(v);
  }
  // A real number in the twelve columns from `from`.
  double real(const std::string &line, std::size_t from) const {
    if (line.size() < from + 12) fail("line too short for an e12.5: " + line);
    const std::string field = trim(line.substr(from, 12));
    char *end = nullptr;
    const double v = std::strtod(field.c_str(), &end);
    if (field.empty() || *end != '\0') fail("not a number: '" + field + "'");
    return v;
  }

private:
  std::string path;
  std::vector<std::string> lines;
  std::size_t at = 0;
};

inline int nodesOf(const std::string &type) {
  static const std::map<std::string, int> n = {{"point", 1},  {"bar2", 2},     {"tria3", 3},
                                               {"quad4", 4},  {"tetra4", 4},   {"pyramid5", 5},
                                               {"penta6", 6}, {"hexa8", 8}};
  const auto it = n.find(type);
  return it == n.end() ? 0 : it->second;
}

// The mode word of "node id <mode>" or "element id <mode>".
inline std::string idMode(Lines &in, const std::string &what) {
  std::istringstream words(in.next());
  std::string a, b, mode, extra;
  words >> a >> b >> mode;
  if (a + " " + b != what || (mode != "off" && mode != "given" && mode != "assign" && mode != "ignore") ||
      (words >> extra))
    in.fail("expected '" + what + " off|given|assign|ignore'");
  return mode;
}

}  // namespace detail

inline Geometry readGeometry(const std::string &path) {
  detail::Lines in(path);
  Geometry g;
  in.next();  // two description lines
  in.next();
  const std::string nodeIds = detail::idMode(in, "node id");
  const std::string elementIds = detail::idMode(in, "element id");
  // The keyword line of the node block; this system's files keep its older
  // singular spelling, which readers take alike.
  const std::string keyword = detail::trim(in.next());
  if (keyword != "coordinates" && keyword != "coordinate") in.fail("expected 'coordinates'");
  const bool nodeIdColumn = nodeIds == "given" || nodeIds == "ignore";
  const bool elementIdColumn = elementIds == "given" || elementIds == "ignore";
  const std::string countLine = in.next();
  const int nbNodes = in.integer(countLine, 0, countLine.size() < 8 ? countLine.size() : 8);
  if (detail::trim(countLine.size() > 8 ? countLine.substr(8) : "") != "") in.fail("text after the node count");
  std::map<int, int> index;  // node id -> index
  for (int i = 0; i < nbNodes; ++i) {
    const std::string &line = in.next();
    const std::size_t c = nodeIdColumn ? 8 : 0;
    if (detail::trim(line.substr(std::min(line.size(), c + 36))) != "") in.fail("text after the coordinates");
    Node n{nodeIdColumn ? in.integer(line, 0, 8) : i + 1, in.real(line, c), in.real(line, c + 12),
           in.real(line, c + 24)};
    if (nodeIds == "given" && !index.emplace(n.id, i).second) in.fail("node id given twice");
    g.nodes.push_back(n);
  }
  while (!in.atEnd()) {
    std::istringstream words(in.next());
    std::string word;
    Part part;
    if (!(words >> word >> part.number) || word != "part") in.fail("expected 'part #'");
    part.description = in.next();
    while (!in.atEnd() && in.peek().rfind("part", 0) != 0) {
      Block b;
      b.type = detail::trim(in.next());
      const int nbNodesOf = detail::nodesOf(b.type);
      if (nbNodesOf == 0) in.fail("unknown element type '" + b.type + "'");
      const std::string count = in.next();
      const int n = in.integer(count, 0, count.size() < 8 ? count.size() : 8);
      for (int e = 0; e < n; ++e) {
        const std::string &line = in.next();
        const std::size_t c = elementIdColumn ? 8 : 0;
        if (line.size() != c + 8 * static_cast<std::size_t>(nbNodesOf))
          in.fail("element line of the wrong length: '" + line + "'");
        if (elementIdColumn) b.ids.push_back(in.integer(line, 0, 8));
        std::vector<int> nodes;
        for (int k = 0; k < nbNodesOf; ++k) {
          const int id = in.integer(line, c + 8 * k, 8);
          int at = id - 1;
          if (nodeIds == "given") {
            const auto it = index.find(id);
            if (it == index.end()) in.fail("unknown node id " + std::to_string(id));
            at = it->second;
          }
          if (at < 0 || at >= nbNodes) in.fail("node out of range");
          nodes.push_back(at);
        }
        b.nodes.push_back(nodes);
      }
      part.blocks.push_back(b);
    }
    g.parts.push_back(part);
  }
  return g;
}

// A per-element variable file of `components` numbers per element (1 or 3),
// laid out on the parts and blocks of the geometry.
inline Variable readPerElement(const std::string &path, const Geometry &g, int components) {
  detail::Lines in(path);
  Variable v;
  v.description = in.next();
  while (!in.atEnd()) {
    std::istringstream words(in.next());
    std::string word;
    int number = 0;
    if (!(words >> word >> number) || word != "part") in.fail("expected 'part #'");
    const Part *part = nullptr;
    for (const Part &p : g.parts)
      if (p.number == number) part = &p;
    if (!part) in.fail("a part the geometry does not have");
    auto &blocks = v.parts[number];
    while (!in.atEnd() && in.peek().rfind("part", 0) != 0) {
      const std::string type = detail::trim(in.next());
      const Block *block = nullptr;
      for (const Block &b : part->blocks)
        if (b.type == type) block = &b;
      if (!block) in.fail("a block the geometry's part does not have: " + type);
      std::vector<double> values;
      const std::size_t wanted = block->nodes.size() * static_cast<std::size_t>(components);
      while (values.size() < wanted) {
        const std::string &line = in.next();
        const std::size_t onLine = std::min<std::size_t>(6, wanted - values.size());
        if (line.size() != 12 * onLine)
          in.fail("expected " + std::to_string(onLine) + " e12.5 numbers: '" + line + "'");
        for (std::size_t k = 0; k < onLine; ++k) values.push_back(in.real(line, 12 * k));
      }
      blocks.push_back({type, values});
    }
  }
  return v;
}

inline Case readCase(const std::string &path) {
  detail::Lines in(path);
  Case c;
  std::string section;
  auto after = [](const std::string &line) { return detail::trim(line.substr(line.find(':') + 1)); };
  while (!in.atEnd()) {
    const std::string line = detail::trim(in.next());
    if (line.empty()) continue;
    if (line == "FORMAT" || line == "GEOMETRY" || line == "VARIABLE" || line == "TIME") {
      section = line;
    } else if (line.rfind("type:", 0) == 0) {
      c.type = after(line);
    } else if (line.rfind("model:", 0) == 0) {
      c.model = after(line);
    } else if (section == "VARIABLE") {
      const std::size_t colon = line.find(':');
      if (colon == std::string::npos) in.fail("expected 'kind: description file'");
      CaseVariable var{line.substr(0, colon), "", ""};
      std::istringstream words(line.substr(colon + 1));
      std::string extra;
      if (!(words >> var.description >> var.file) || (words >> extra)) in.fail("expected a description and a file");
      c.variables.push_back(var);
    } else if (line.rfind("time set:", 0) == 0) {
    } else if (line.rfind("number of steps:", 0) == 0) {
      c.nbSteps = std::atoi(after(line).c_str());
    } else if (line.rfind("filename start number:", 0) == 0) {
      c.start = std::atoi(after(line).c_str());
    } else if (line.rfind("filename increment:", 0) == 0) {
      c.increment = std::atoi(after(line).c_str());
    } else if (line.rfind("time values:", 0) == 0) {
      while (!in.atEnd()) c.times.push_back(std::atof(in.next().c_str()));
    } else {
      in.fail("unexpected line: " + line);
    }
  }
  if (static_cast<int>(c.times.size()) != c.nbSteps) in.fail("number of steps and time values differ");
  return c;
}

}  // namespace ensight6

#endif
