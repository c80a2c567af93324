// A folder of the test's own under the temporary folder, removed with
// everything in it when the test ends.
#pragma once

#include <filesystem>
#include <string>

namespace vmt::test {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The folder as a UTF-8 path with the platform's separator, without a trailing one.
  const std::string& path() const { return path_; }
  // `relative` below the folder (slashes become the platform's separator).
  std::string path(const std::string& relative) const;
  // Writes a file (creating its folders) and returns its path.
  std::string write_file(const std::string& relative, const std::string& contents) const;
  std::string read_file(const std::string& relative) const;

 private:
  std::filesystem::path root_;
  std::string path_;
};

// The source tree's folder of that name, e.g. source_path("examples/demo-device").
std::string source_path(const std::string& relative);

}  // namespace vmt::test
