#include "device/clock_check.h"

#include "app/error_reports.h"
#include "device/device_link.h"
#include "platform/common/file_time.h"

namespace vmt::device {
namespace {

constexpr std::uint32_t kTempPathCharacters = 260;
constexpr char kProbeText[] = "time_check";
constexpr std::uint32_t kProbeLength = sizeof(kProbeText) - 1;
constexpr std::int64_t kOneDay = 86400;
constexpr std::int64_t kOneHour = 3600;
constexpr std::int64_t kTwoMinutes = 120;

}  // namespace

bool measure_clock_difference(app::RunContext& c, std::int64_t* seconds) {
  platform::Device& device = c.platform.device;
  std::u16string temp;
  if (device.CeGetTempPath(kTempPathCharacters, &temp) == 0) {
    VMT_LOG_POINT(c.log);
    return false;
  }
  const std::string folder = from_device(temp);
  find_file_on_device(c, folder, true);
  const std::u16string probe = temp + to_device("vmk_time_check.txt");

  platform::CeHandle file = device.CeCreateFile(
      probe, platform::ce::kGenericRead | platform::ce::kGenericWrite, 0,
      platform::ce::kCreateAlways, platform::ce::kFileAttributeNormal);
  if (file == platform::kCeInvalidHandle) {
    VMT_LOG_POINT(c.log);
    return false;
  }
  std::uint32_t written = 0;
  if (!device.CeWriteFile(file, kProbeText, kProbeLength, &written)) {
    VMT_LOG_POINT(c.log);
    device.CeCloseHandle(file);
    return false;
  }
  if (written < kProbeLength) VMT_LOG_POINT(c.log);
  if (!device.CeCloseHandle(file)) VMT_LOG_POINT(c.log);

  file = device.CeCreateFile(probe, platform::ce::kGenericRead, 0, platform::ce::kOpenExisting,
                             platform::ce::kFileAttributeNormal);
  if (file == platform::kCeInvalidHandle) {
    VMT_LOG_POINT(c.log);
    return false;
  }
  platform::FileTimeTicks last_write = 0;
  if (!device.CeGetFileTime(file, nullptr, nullptr, &last_write)) {
    VMT_LOG_POINT(c.log);
    device.CeCloseHandle(file);
    return false;
  }
  if (!device.CeCloseHandle(file)) VMT_LOG_POINT(c.log);

  platform::LocalTime device_time;
  if (!c.platform.clock.file_time_to_local(last_write, &device_time)) {
    VMT_LOG_POINT(c.log);
    return false;
  }
  *seconds = platform::fields_to_epoch_seconds(c.platform.clock.local_now()) -
             platform::fields_to_epoch_seconds(device_time);
  return true;
}

void check_clock(app::RunContext& c) {
  std::int64_t d = 0;
  if (!measure_clock_difference(c, &d)) return;  // each failed step is logged there
  c.clock_difference = d;
  const std::int64_t magnitude = d < 0 ? -d : d;
  if (magnitude <= kTwoMinutes) return;
  std::string text;
  if (magnitude > kOneDay) {
    text = c.texts.load_message_text(50284,
                                     "Warning, the clocks on the computer and data collector "
                                     "differ by more than one day.\n");
  } else if (magnitude > kOneHour) {
    text = c.texts.load_message_text(50285,
                                     "Warning, the clocks on the computer and data collector "
                                     "differ by more than one hour.\n");
  } else {
    text = c.texts.load_message_text(50286,
                                     "Warning, the clocks on the computer and data collector "
                                     "differ by more than two minutes.\n");
  }
  app::append_status_line(c, text);
  if (magnitude > kOneHour) c.boxes.show(c.main_window, text, app::program_title(c), app::mb::kOk);
}

std::string clock_difference_text(app::RunContext& c) {
  if (!c.clock_difference) return {};
  const std::int64_t d = *c.clock_difference;
  const std::int64_t magnitude = d < 0 ? -d : d;
  if (magnitude <= kTwoMinutes) return {};
  const std::int64_t minutes = (magnitude + 30) / 60;
  const std::string amount =
      minutes < 60 ? c.texts.format_message_text(50720, "%d min", static_cast<int>(minutes))
                   : c.texts.format_message_text(50721, "%d h %02d min",
                                                 static_cast<int>(minutes / 60),
                                                 static_cast<int>(minutes % 60));
  // The difference is the desktop's time minus the device's.
  return d < 0 ? c.texts.format_message_text(50722, "device clock %s ahead", amount.c_str())
               : c.texts.format_message_text(50723, "device clock %s behind", amount.c_str());
}

}  // namespace vmt::device
