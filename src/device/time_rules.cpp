#include "device/time_rules.h"

#include "device/device_link.h"
#include "platform/common/utf.h"

namespace vmt::device {

bool is_fat_file_system(const std::string& name) {
  const std::string upper = platform::to_upper_ascii(name);
  return upper == "FAT" || upper == "FAT12" || upper == "FAT16" || upper == "FAT32";
}

bool desktop_keeps_two_seconds(app::RunContext& c, const std::string& folder) {
  return is_fat_file_system(c.platform.files.file_system_name(folder));
}

bool device_keeps_two_seconds(app::RunContext& c, const std::string& device_folder) {
  if (device_folder.size() < 2 || device_folder[0] != '\\') return false;
  const std::size_t end = device_folder.find('\\', 1);
  const std::string top = device_folder.substr(0, end);
  const std::uint32_t attributes = c.platform.device.CeGetFileAttributes(to_device(top));
  if (attributes == platform::ce::kInvalidFileAttributes) return false;
  constexpr std::uint32_t kMounted = platform::attr::kDirectory | platform::attr::kTemporary;
  return (attributes & kMounted) == kMounted;
}

std::int64_t compared_difference(std::int64_t seconds, bool two_seconds) {
  const std::int64_t magnitude = seconds < 0 ? -seconds : seconds;
  return two_seconds && magnitude <= kFatSlackSeconds ? 0 : seconds;
}

}  // namespace vmt::device
