// The emulated data collector maps device paths onto its "fs" folder: whatever
// path it is given (the input as UTF-16LE), it lists, opens and creates only
// inside that folder. Beside it are the device's own files and an "outside"
// folder, and links inside "fs" point out of it; after every input the
// harness checks that nothing outside "fs" was listed, opened or made.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/common/manual_clock.h"
#include "platform/common/utf.h"
#include "platform/emulator/emulated_device.h"

namespace {

namespace fs = std::filesystem;
using vmt::platform::CeFindData;
using vmt::platform::CeHandle;
using vmt::platform::kCeInvalidHandle;
namespace ce = vmt::platform::ce;
namespace error = vmt::platform::error;

// The last component that makes an input also try CeCreateDirectory.
constexpr char16_t kProbe[] = u"vmt_probe";
// Every file inside "fs" starts with it; nothing outside does.
constexpr char kMarker[] = "VMTFS";
constexpr std::size_t kMarkerSize = sizeof kMarker - 1;
constexpr std::size_t kMaxDevicePath = 259;
constexpr std::uint32_t kAllFields = 0xBF;

void check(bool ok) {
  if (!ok) std::abort();
}

void write_file(const fs::path& file, const std::string& contents) {
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << contents;
  check(static_cast<bool>(out));
}

std::set<std::string> names_in(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.insert(entry.path().filename().u8string());
  }
  return names;
}

bool is_probe(const std::string& name) {
  return vmt::platform::equals_no_case(name, vmt::platform::to_utf8(kProbe));
}

struct Sandbox {
  fs::path base;           // the temporary folder: "device" and "outside" only
  fs::path device_folder;  // fs/, device.ini, registry.reg and filetimes.txt
  fs::path fs_root;
  fs::path outside;                    // secret.txt and an empty sub/, as made
  std::set<std::string> inside_names;  // every name a listing may give
  vmt::platform::ManualClock clock;
  std::unique_ptr<vmt::platform::EmulatedDevice> device;
};

Sandbox* the_sandbox = nullptr;

void connect(Sandbox& box) {
  vmt::platform::RapiInit init;
  check(box.device->CeRapiInitEx(&init) == 0);
  check(box.device->WaitForInitEvent(&init, 1000) == 0);
}

void remove_sandbox() {
  if (the_sandbox == nullptr) return;
  the_sandbox->device.reset();
  std::error_code ec;
  fs::remove_all(the_sandbox->base, ec);
}

Sandbox& sandbox() {
  if (the_sandbox != nullptr) return *the_sandbox;
  auto box = std::make_unique<Sandbox>();
  std::string pattern = (fs::temp_directory_path() / "vmt_fuzz_device_XXXXXX").string();
  check(::mkdtemp(pattern.data()) != nullptr);
  box->base = pattern;
  box->device_folder = box->base / "device";
  box->fs_root = box->device_folder / "fs";
  box->outside = box->base / "outside";

  write_file(box->outside / "secret.txt", "outside the device\n");
  fs::create_directories(box->outside / "sub");
  const fs::path root = box->fs_root;
  write_file(root / "My Documents" / "Plotwise Projects" / "Codes.csv",
             "VMTFS Code,Description\r\n");
  write_file(root / "My Documents" / "Plotwise Projects" / "Job1.raw", "VMTFS raw data");
  write_file(root / "My Documents" / "Sceneledger" / "Scene.txt", "VMTFS scene");
  write_file(root / "Windows" / "vmark.ini", "VMTFS\r\n[Settings]\r\nDataPath=\\Data\r\n");
  write_file(root / "Data" / "Sub" / "inner.txt", "VMTFS inner");
  write_file(root / "Data" / ".hidden", "VMTFS hidden");
  write_file(root / fs::u8path("Z\xC3\xBCrich") / fs::u8path("\xC3\xA9t\xC3\xA9.txt"),
             "VMTFS non-ASCII names");
  fs::create_directories(root / "Temp");
  // Links out of the device: the emulator must refuse to follow them.
  fs::create_directory_symlink(box->outside, root / "My Documents" / "Link out");
  fs::create_directory_symlink("../..", root / "Data" / "Link up");
  fs::create_symlink(box->outside / "secret.txt", root / "Link to secret.txt");
  write_file(box->device_folder / "device.ini", "[Device]\r\nTempPath=\\Temp\r\n");
  write_file(box->device_folder / "registry.reg", "Windows Registry Editor Version 5.00\r\n");

  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_symlink()) box->inside_names.insert(entry.path().filename().u8string());
  }
  box->device =
      std::make_unique<vmt::platform::EmulatedDevice>(box->device_folder.u8string(), box->clock);
  connect(*box);
  the_sandbox = box.release();
  std::atexit(remove_sandbox);
  return *the_sandbox;
}

// Nothing appeared beside "fs", in the temporary folder or in "outside".
void check_outside_untouched(const Sandbox& box) {
  check(names_in(box.base) == std::set<std::string>{"device", "outside"});
  check(names_in(box.outside) == std::set<std::string>{"secret.txt", "sub"});
  check(fs::is_empty(box.outside / "sub"));
  for (const std::string& name : names_in(box.device_folder)) {
    check(name == "fs" || name == "device.ini" || name == "registry.reg" ||
          name == "filetimes.txt");
  }
}

std::vector<fs::path> probe_folders(const Sandbox& box) {
  std::vector<fs::path> found;
  for (const auto& entry : fs::recursive_directory_iterator(box.fs_root)) {
    if (is_probe(entry.path().filename().u8string())) found.push_back(entry.path());
  }
  return found;
}

void check_listing(const Sandbox& box, const std::vector<CeFindData>& found) {
  for (const CeFindData& data : found) {
    check(box.inside_names.count(vmt::platform::to_utf8(data.cFileName)) == 1);
  }
}

std::vector<std::u16string> components(const std::u16string& path) {
  std::vector<std::u16string> parts(1);
  for (char16_t c : path) {
    if (c == u'\\') {
      parts.emplace_back();
    } else {
      parts.back() += c;
    }
  }
  return parts;
}

void try_listings(Sandbox& box, const std::u16string& pattern) {
  std::vector<CeFindData> found;
  if (box.device->CeFindAllFiles(pattern, kAllFields, &found)) check_listing(box, found);

  CeFindData data;
  const CeHandle find = box.device->CeFindFirstFile(pattern, &data);
  if (find == kCeInvalidHandle) return;
  std::vector<CeFindData> all{data};
  while (box.device->CeFindNextFile(find, &data)) all.push_back(data);
  check(box.device->CeGetLastError() == error::kNoMoreFiles);
  check(box.device->CeFindClose(find));
  check_listing(box, all);
}

void try_open(Sandbox& box, const std::u16string& path) {
  bool leaves = false;
  for (const std::u16string& part : components(path)) leaves = leaves || part == u"..";
  const CeHandle file = box.device->CeCreateFile(path, ce::kGenericRead, 0, ce::kOpenExisting,
                                                 ce::kFileAttributeNormal);
  if (file == kCeInvalidHandle) {
    if (path.size() > kMaxDevicePath) {
      check(box.device->CeGetLastError() == error::kFilenameExcedRange);
    } else if (leaves) {
      check(box.device->CeGetLastError() == error::kBadPathName);
    }
    return;
  }
  check(path.size() <= kMaxDevicePath && !leaves);
  char head[kMarkerSize] = {};
  std::uint32_t read = 0;
  check(box.device->CeReadFile(file, head, sizeof head, &read));
  check(read == kMarkerSize && std::string(head, read) == kMarker);
  check(box.device->CeCloseHandle(file));
}

void try_create_folder(Sandbox& box, const std::u16string& path) {
  const bool made = box.device->CeCreateDirectory(path);
  check_outside_untouched(box);
  const std::vector<fs::path> probes = probe_folders(box);
  check(probes.size() == (made ? 1u : 0u));
  if (!made) return;
  // Back to the tree as made, and to no recorded times, for the next input.
  check(box.device->CeRapiUninit() == 0);
  for (const fs::path& probe : probes) fs::remove_all(probe);
  fs::remove(box.device_folder / "filetimes.txt");
  connect(box);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Sandbox& box = sandbox();
  std::u16string path;
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    path += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
  }
  try_listings(box, path);
  try_listings(box, path + u"\\*.*");
  try_open(box, path);

  std::vector<std::u16string> parts = components(path);
  while (parts.size() > 1 && parts.back().empty()) parts.pop_back();
  if (is_probe(vmt::platform::to_utf8(parts.back()))) try_create_folder(box, path);
  return 0;
}
