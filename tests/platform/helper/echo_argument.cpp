// A tiny program for the process-start tests: it writes how many arguments it
// got and each of them, one a line, to a file named after itself plus ".out",
// and the folder it was started in to one with ".cwd". The ".out" file is
// written under another name and renamed last, so a reader never sees half
// of either.
#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#else
#include <unistd.h>
#endif

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

#ifdef _WIN32
std::string utf8(const std::wstring& wide) {
  if (wide.empty()) return std::string();
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), size,
                      nullptr, nullptr);
  return text;
}
#endif

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments;
#ifdef _WIN32
  (void)argc;
  (void)argv;
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  for (int i = 1; i < count; ++i) arguments.push_back(utf8(wide[i]));
  LocalFree(wide);
  std::wstring self(32768, L'\0');
  self.resize(GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
  const std::wstring out = self + L".out";
  const std::wstring partial = out + L".part";
  std::wstring current(32768, L'\0');
  current.resize(GetCurrentDirectoryW(static_cast<DWORD>(current.size()), current.data()));
  FILE* where = _wfopen((self + L".cwd").c_str(), L"wb");
  if (where == nullptr) return 1;
  const std::string current_text = utf8(current);
  std::fwrite(current_text.data(), 1, current_text.size(), where);
  std::fclose(where);
  FILE* file = _wfopen(partial.c_str(), L"wb");
#else
  for (int i = 1; i < argc; ++i) arguments.push_back(argv[i]);
  std::string self(4096, '\0');
  const ssize_t length = readlink("/proc/self/exe", self.data(), self.size());
  self.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
  const std::string out = self + ".out";
  const std::string partial = out + ".part";
  std::string current(4096, '\0');
  current.resize(getcwd(current.data(), current.size()) != nullptr ? std::strlen(current.data())
                                                                   : 0);
  FILE* where = std::fopen((self + ".cwd").c_str(), "wb");
  if (where == nullptr) return 1;
  std::fwrite(current.data(), 1, current.size(), where);
  std::fclose(where);
  FILE* file = std::fopen(partial.c_str(), "wb");
#endif
  if (file == nullptr) return 1;
  std::string text = std::to_string(arguments.size()) + "\n";
  for (const std::string& argument : arguments) text += argument + "\n";
  std::fwrite(text.data(), 1, text.size(), file);
  std::fclose(file);
#ifdef _WIN32
  return MoveFileExW(partial.c_str(), out.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
#else
  return std::rename(partial.c_str(), out.c_str()) == 0 ? 0 : 1;
#endif
}
