// A tiny program for the process-start tests: it writes how many arguments it
// got and each of them, one a line, to a file named after itself plus ".out",
// and the folder it was started in to one with ".cwd". The ".out" file is
// written under another name and renamed last, so a reader never sees half
// of either.
#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#endif

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  std::vector<std::string> arguments;
#ifdef _WIN32
  (void)argc;
  (void)argv;
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  for (int i = 1; i < count; ++i) arguments.push_back(fs::path(wide[i]).u8string());
  LocalFree(wide);
  std::wstring self(32768, L'\0');
  self.resize(GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
#else
  arguments.assign(argv + 1, argv + argc);
  const fs::path self = fs::read_symlink("/proc/self/exe");
#endif
  const fs::path out = fs::path(self).concat(".out");
  const fs::path partial = fs::path(self).concat(".out.part");
  std::ofstream(fs::path(self).concat(".cwd"), std::ios::binary) << fs::current_path().u8string();
  std::string text = std::to_string(arguments.size()) + "\n";
  for (const std::string& argument : arguments) text += argument + "\n";
  if (!(std::ofstream(partial, std::ios::binary) << text)) return 1;
  std::error_code error;
  fs::rename(partial, out, error);
  return error ? 1 : 0;
}
