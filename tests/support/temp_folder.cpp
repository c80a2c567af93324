#include "support/temp_folder.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <random>
#include <sstream>

namespace vmt::test {

namespace fs = std::filesystem;

namespace {

std::string to_string(const fs::path& p) {
  const auto u8 = p.u8string();
  return std::string(u8.begin(), u8.end());
}

fs::path from_string(const std::string& s) { return fs::u8path(s); }

}  // namespace

TempFolder::TempFolder() {
  static std::atomic<unsigned> counter{0};
  // Test programs run side by side: a random part keeps two started in the
  // same clock tick (Wine's is coarse) out of each other's folders.
  static const unsigned process_part = std::random_device{}();
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  std::ostringstream name;
  name << "vmt-test-" << stamp << "-" << process_part << "-" << counter++;
  root_ = fs::temp_directory_path() / name.str();
  fs::create_directories(root_);
  path_ = to_string(root_.make_preferred());
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  fs::remove_all(root_, ignored);
}

std::string TempFolder::path(const std::string& relative) const {
  return to_string((root_ / from_string(relative)).make_preferred());
}

std::string TempFolder::write_file(const std::string& relative, const std::string& contents) const {
  const fs::path file = (root_ / from_string(relative)).make_preferred();
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary);
  out << contents;
  return to_string(file);
}

std::string TempFolder::read_file(const std::string& relative) const {
  std::ifstream in((root_ / from_string(relative)).make_preferred(), std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::string source_path(const std::string& relative) {
  return to_string((from_string(VMT_SOURCE_DIR) / from_string(relative)).make_preferred());
}

}  // namespace vmt::test
