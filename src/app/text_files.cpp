#include "app/text_files.h"

namespace vmt::app {

std::string with_line_breaks(const std::string& text) {
  std::string bytes;
  bytes.reserve(text.size() + 16);
  for (char c : text) {
    if (c == '\n') {
      bytes += kTextLineBreak;
    } else {
      bytes += c;
    }
  }
  return bytes;
}

bool append_text(platform::DesktopFiles& files, const std::string& path,
                 const std::string& text) {
  const std::string bytes = with_line_breaks(text);
  const platform::FileHandle file = files.open_file(path, platform::FileAccess::kAppend,
                                                    platform::FileDisposition::kOpenExisting);
  if (file == platform::kInvalidFile) return false;
  std::uint32_t written = 0;
  const bool ok = files.write_file(file, bytes.data(), static_cast<std::uint32_t>(bytes.size()),
                                   &written) &&
                  written == bytes.size();
  return files.close_file(file) && ok;
}

}  // namespace vmt::app
