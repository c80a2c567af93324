#include "support/field_device.h"

#include <filesystem>

namespace vmt::test {

void arrange_field_device(const TempFolder& folder) {
  folder.write_file("device/registry.reg",
                    "Windows Registry Editor Version 5.00\n\n"
                    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Veldmark Software, Inc.\\Plotwise]\n"
                    "\"InstallLoc\"=\"\\\\Program Files\\\\Plotwise\"\n"
                    "\"StatusRunning\"=\"NO\"\n");
  folder.write_file("device/fs/Program Files/Plotwise/Programs/vmark.ini",
                    "[Settings]\r\nDataPath=\\Projects\r\n");
  std::filesystem::create_directories(std::filesystem::u8path(folder.path("device/fs/Projects")));
  set_device_faults(folder, "");
}

void set_device_faults(const TempFolder& folder, const std::string& lines) {
  folder.write_file("device/device.ini", "[Device]\n" + lines);
}

}  // namespace vmt::test
