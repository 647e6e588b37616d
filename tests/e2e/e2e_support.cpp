#include "e2e_support.h"

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace e2e {

namespace fs = std::filesystem;

ScratchDir::ScratchDir() {
  std::string pattern = (fs::temp_directory_path() / "dg-e2e-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a scratch folder");
  dir = pattern;
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  fs::remove_all(dir, ec);
}

Result runIn(const std::string &cwd, const std::string &command, const std::string &input) {
  const std::string out = cwd + "/.stdout", err = cwd + "/.stderr";
  const std::string full = "cd '" + cwd + "' && " + command + " > '" + out + "' 2> '" + err +
                           "' < '" + (input.empty() ? std::string("/dev/null") : input) + "'";
  const int raw = std::system(full.c_str());
  Result r;
  if (raw != -1 && WIFEXITED(raw)) r.status = WEXITSTATUS(raw);
  r.out = readFile(out);
  r.err = readFile(err);
  std::remove(out.c_str());
  std::remove(err.c_str());
  return r;
}

Result runProgram(const std::string &cwd, const std::string &args, const std::string &input) {
  return runIn(cwd, std::string("'") + DG_PROGRAM + "' " + args, input);
}

void makeMesh(const std::string &path, const std::string &kind, int nx, int ny, double x0,
              double x1, double y0, double y1) {
  std::ostringstream cmd;
  cmd.precision(17);
  cmd << "'" << DG_MESHGEN << "' " << kind << " " << nx << " " << ny << " " << x0 << " " << x1
      << " " << y0 << " " << y1 << " '" << path << "'";
  const int raw = std::system(cmd.str().c_str());
  ASSERT_TRUE(raw != -1 && WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << cmd.str();
}

void makeMesh(const std::string &path, const std::string &kind, int nx, int ny, double x0,
              double x1, double y0, double y1, const int (&tags)[5]) {
  std::ostringstream cmd;
  cmd.precision(17);
  cmd << "'" << DG_MESHGEN << "' " << kind << " " << nx << " " << ny << " " << x0 << " " << x1
      << " " << y0 << " " << y1 << " '" << path << "'";
  for (int t : tags) cmd << " " << t;
  const int raw = std::system(cmd.str().c_str());
  ASSERT_TRUE(raw != -1 && WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << cmd.str();
}

std::string readFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string &path, const std::string &text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

bool exists(const std::string &path) { return fs::exists(path); }

std::vector<std::string> lines(const std::string &text) {
  std::vector<std::string> v;
  std::istringstream in(text);
  std::string l;
  while (std::getline(in, l)) v.push_back(l);
  return v;
}

std::vector<std::string> words(const std::string &line) {
  std::vector<std::string> v;
  std::istringstream in(line);
  std::string w;
  while (in >> w) v.push_back(w);
  return v;
}

std::vector<std::string> progressLines(const std::string &out) {
  std::vector<std::string> v;
  for (const std::string &l : lines(out)) {
    const std::vector<std::string> w = words(l);
    if (w.size() > 3 && w[1] == "iter" && w[3] == "dt") v.push_back(l);
  }
  return v;
}

std::string withoutCpuTime(const std::string &file) {
  std::vector<std::string> l = lines(file);
  if (l.empty()) return file;
  std::vector<std::string> w = words(l.back());
  if (w.size() == 5) w[3] = "cpu";
  std::string out;
  for (std::size_t i = 0; i + 1 < l.size(); ++i) out += l[i] + "\n";
  for (const std::string &x : w) out += x + " ";
  return out;
}

std::size_t find(const std::string &text, const std::string &needle, std::size_t from) {
  return text.find(needle, from == std::string::npos ? text.size() : from);
}

int expectSameCheckpoints(const ScratchDir &full, const ScratchDir &again, int first, int period) {
  int compared = 0;
  for (int n = first; exists(full / ("dg-recov-" + std::to_string(n) + ".dat")); n += period) {
    const std::string name = "dg-recov-" + std::to_string(n) + ".dat";
    EXPECT_TRUE(exists(again / name)) << name;
    if (!exists(again / name)) break;
    EXPECT_EQ(withoutCpuTime(readFile(again / name)), withoutCpuTime(readFile(full / name))) << name;
    ++compared;
  }
  return compared;
}

}  // namespace e2e
