// When a file's time counts as later than another's. Storage cards and FAT
// disks keep a file's last write to two seconds (a copy's time is rounded up
// to the next even second), so where either side is one, times within two
// seconds of each other count as equal.
#pragma once

#include <cstdint>
#include <string>

#include "app/run_context.h"

namespace vmt::device {

constexpr std::int64_t kFatSlackSeconds = 2;

// The names GetVolumeInformation gives FAT volumes: "FAT", "FAT12", "FAT16", "FAT32".
bool is_fat_file_system(const std::string& name);
// The desktop folder lies on a FAT volume.
bool desktop_keeps_two_seconds(app::RunContext& context, const std::string& folder);
// The device folder lies on a storage card: a volume mounted in a folder of
// the root, which Windows CE marks as temporary. Needs an open connection.
bool device_keeps_two_seconds(app::RunContext& context, const std::string& device_folder);
// A difference of two times in seconds as compared: 0 within the slack when
// either side keeps times to two seconds.
std::int64_t compared_difference(std::int64_t seconds, bool two_seconds);

}  // namespace vmt::device
