#include "tests/files.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace testing_support {

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void write_file(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// Open to every user: some tests run the program as another one.
TempDir::TempDir() {
  namespace fs = std::filesystem;
  std::random_device seed;
  std::mt19937_64 names(seed());
  for (int tries = 0; tries < 100; ++tries) {
    fs::path dir =
        fs::temp_directory_path() / ("meld-test-" + std::to_string(names() % 1000000000));
    std::error_code ec;
    if (fs::create_directory(dir, ec)) {
      fs::permissions(dir, fs::perms::all, ec);
      path_ = dir.generic_string();
      return;
    }
  }
  throw std::runtime_error("no temporary directory");
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::permissions(path_, std::filesystem::perms::all, ec);
  std::filesystem::remove_all(path_, ec);
}

}  // namespace testing_support
