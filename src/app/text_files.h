// Appending lines to the program's text files (the log and the report), so
// that the files are complete at every moment.
#pragma once

#include <string>

#include "platform/desktop_files.h"

namespace vmt::app {

// The line break of text files on this platform.
#ifdef _WIN32
constexpr const char* kTextLineBreak = "\r\n";
#else
constexpr const char* kTextLineBreak = "\n";
#endif

// `text` with its "\n" as the platform's line break.
std::string with_line_breaks(const std::string& text);

// Appends `text` with its "\n" written as the platform's line break; false
// when the file cannot be opened or the text not written whole.
bool append_text(platform::DesktopFiles& files, const std::string& path, const std::string& text);

}  // namespace vmt::app
