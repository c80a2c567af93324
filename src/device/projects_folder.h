// The projects folder of the field program, read from its "vmark.ini" and
// remembered for the rest of the run.
#pragma once

#include <string>

#include "app/run_context.h"
#include "platform/desktop_files.h"

namespace vmt::device {

// 1 with the folder and the device path of "vmark.ini", or 401 to 406.
int get_collector_projects_folder(app::RunContext& context, std::string* projects_folder,
                                  std::string* settings_file);

// Copies one device file into a desktop folder under its own name, times kept.
bool copy_collector_file_to_desktop(app::RunContext& context, const std::string& device_path,
                                    const std::string& desktop_folder, bool report);

// Copies one device file to a desktop file; `disposition` says whether an
// existing file is replaced. A failed copy leaves no desktop file behind.
bool copy_device_file(app::RunContext& context, const std::string& device_path,
                      const std::string& desktop_path, platform::FileDisposition disposition);

}  // namespace vmt::device
