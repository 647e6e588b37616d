// A fresh temporary working directory for one test and small file helpers.
#ifndef TESTS_COMMON_TEMP_DIR_H
#define TESTS_COMMON_TEMP_DIR_H

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>

namespace dgtest {

// Runs the test body in a fresh temporary directory (named after `prefix`)
// and comes back after, removing it.
class TempDir {
public:
  explicit TempDir(const std::string &prefix = "dg-test") : previous(std::filesystem::current_path()) {
    std::string templ = "/tmp/" + prefix + "-XXXXXX";
    const char *made = mkdtemp(templ.data());
    if (!made) throw std::string("cannot create a temporary directory");
    path = made;
    std::filesystem::current_path(path);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::current_path(previous, ec);
    std::filesystem::remove_all(path, ec);
  }
  TempDir(const TempDir &) = delete;
  TempDir &operator=(const TempDir &) = delete;

  std::filesystem::path path;

private:
  std::filesystem::path previous;
};

inline std::string readFile(const std::string &name) {
  std::ifstream in(name, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline bool exists(const std::string &name) { return std::filesystem::exists(name); }

}  // namespace dgtest

#endif
