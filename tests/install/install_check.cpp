// Checks what the installer left on this (Wine) machine, from inside it.
//   vmt_install_check installed <folder> <CreateReports> <auto start 1|0> <version>
//   vmt_install_check removed <folder> <CreateReports>
//   vmt_install_check access <SDDL of the package's permissions entry>
// Wine's msiexec does not apply the permissions entry, so "access" reads it
// as Windows will: who may do what with the options key.
// Prints every difference and exits 1 when there is one.
#include <windows.h>
#include <aclapi.h>
#include <msi.h>
#include <sddl.h>
#include <shlobj.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

const wchar_t kOptionsKey[] = L"SOFTWARE\\Veldmark\\Transfer\\TransferOptions";
const wchar_t kAutoStartKey[] = L"Software\\Microsoft\\Windows CE Services\\AutoStartOnConnect";

int failures = 0;

void fail(const std::wstring& what) {
  std::fwprintf(stderr, L"install check: %ls\n", what.c_str());
  ++failures;
}

// A string value in the 32-bit view, where both builds keep their settings.
std::wstring value(const wchar_t* key_path, const wchar_t* name) {
  HKEY key = nullptr;
  wchar_t text[1024] = {};
  DWORD size = sizeof text;
  const bool found =
      RegOpenKeyExW(HKEY_LOCAL_MACHINE, key_path, 0, KEY_READ | KEY_WOW64_32KEY, &key) ==
          ERROR_SUCCESS &&
      RegGetValueW(key, nullptr, name, RRF_RT_REG_SZ, nullptr, text, &size) == ERROR_SUCCESS;
  if (key != nullptr) RegCloseKey(key);
  return found ? text : L"<none>";
}

void expect_value(const wchar_t* key, const wchar_t* name, const std::wstring& expected) {
  const std::wstring found = value(key, name);
  if (found != expected) fail(std::wstring(name) + L" is '" + found + L"', not '" + expected + L"'");
}

bool exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Windows puts a per-machine shortcut in the common Start menu; Wine in the user's.
bool shortcut_exists() {
  for (int csidl : {CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS}) {
    wchar_t folder[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, csidl, nullptr, 0, folder);
    if (exists(std::wstring(folder) + L"\\Veldmark Transfer.lnk")) return true;
  }
  return false;
}

int installed_products() {
  wchar_t product[39] = {};
  int count = 0;
  while (MsiEnumRelatedProductsW(L"{E52C31F0-0817-453D-894E-A42EA3328A5D}", 0, count, product) ==
         ERROR_SUCCESS) {
    ++count;
  }
  return count;
}

// The version resource of the installed program: "major.minor.build".
std::wstring file_version(const std::wstring& path) {
  DWORD ignored = 0;
  std::vector<BYTE> data(GetFileVersionInfoSizeW(path.c_str(), &ignored));
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  if (data.empty() || !GetFileVersionInfoW(path.c_str(), 0, data.size(), data.data()) ||
      !VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length) || !info) {
    return L"<no version resource>";
  }
  return std::to_wstring(HIWORD(info->dwFileVersionMS)) + L"." +
         std::to_wstring(LOWORD(info->dwFileVersionMS)) + L"." +
         std::to_wstring(HIWORD(info->dwFileVersionLS));
}

void check_installed(const std::wstring& dir, const std::wstring& create_reports, bool auto_start,
                     const std::wstring& version) {
  const std::wstring exe = dir + L"\\vmtransfer.exe";
  if (!exists(dir + L"\\transfer.chm")) fail(L"missing: transfer.chm");
  if (file_version(exe) != version) fail(L"program version " + file_version(exe));
  if (!shortcut_exists()) fail(L"no Start menu shortcut");
  expect_value(kOptionsKey, L"CreateReports", create_reports);
  expect_value(kOptionsKey, L"LaunchOnTransfer", L"0");
  expect_value(kOptionsKey, L"TransferExe", exe);
  expect_value(kAutoStartKey, L"Veldmark", auto_start ? L"\"" + exe + L"\"" : L"<none>");
  // Nothing of the options may reach the 64-bit view, which neither build reads.
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Veldmark", 0, KEY_READ | KEY_WOW64_64KEY,
                    &key) == ERROR_SUCCESS) {
    RegCloseKey(key);
    fail(L"HKLM\\SOFTWARE\\Veldmark exists in the 64-bit view");
  }
  if (installed_products() != 1) fail(std::to_wstring(installed_products()) + L" products, not 1");
}

void check_removed(const std::wstring& dir, const std::wstring& create_reports) {
  if (exists(dir)) fail(L"the program's folder remains: " + dir);
  if (shortcut_exists()) fail(L"the Start menu shortcut remains");
  expect_value(kOptionsKey, L"TransferExe", L"<none>");
  expect_value(kAutoStartKey, L"Veldmark", L"<none>");
  // The user's own settings stay for the next installation.
  expect_value(kOptionsKey, L"CreateReports", create_reports);
  if (value(kOptionsKey, L"DefSyncProgram") == L"<none>") fail(L"DefSyncProgram was removed");
  if (installed_products() != 0) fail(L"the product is still registered");
}

// The rights that the entry's allowing ACE for a well-known account grants,
// and whether sub-keys inherit it.
ACCESS_MASK allowed(PACL dacl, WELL_KNOWN_SID_TYPE account, bool* inherited) {
  BYTE sid[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof sid;
  ACL_SIZE_INFORMATION info{};
  if (!CreateWellKnownSid(account, nullptr, sid, &size) ||
      !GetAclInformation(dacl, &info, sizeof info, AclSizeInformation)) {
    return 0;
  }
  for (DWORD i = 0; i < info.AceCount; ++i) {
    ACCESS_ALLOWED_ACE* ace = nullptr;
    if (GetAce(dacl, i, reinterpret_cast<void**>(&ace)) &&
        ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE && EqualSid(&ace->SidStart, sid)) {
      *inherited = (ace->Header.AceFlags & CONTAINER_INHERIT_ACE) != 0;
      return ace->Mask;
    }
  }
  return 0;
}

void check_access(const wchar_t* sddl) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor,
                                                            nullptr) ||
      !GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) || !present || !dacl ||
      !GetSecurityDescriptorControl(descriptor, &control, &revision)) {
    fail(L"the permissions entry is no valid SDDL with an access list");
    LocalFree(descriptor);
    return;
  }
  bool inherited = false;
  const ACCESS_MASK users = allowed(dacl, WinBuiltinUsersSid, &inherited);
  const ACCESS_MASK change = KEY_QUERY_VALUE | KEY_SET_VALUE;
  if ((users & change) != change || !inherited) fail(L"Users may not read and set values");
  if (users & (DELETE | WRITE_DAC | WRITE_OWNER)) fail(L"Users may delete or re-permit the key");
  for (WELL_KNOWN_SID_TYPE account : {WinLocalSystemSid, WinBuiltinAdministratorsSid}) {
    if ((allowed(dacl, account, &inherited) & KEY_ALL_ACCESS) != KEY_ALL_ACCESS) {
      fail(L"SYSTEM or Administrators lost full control");
    }
  }
  // The key keeps what it inherits (Users' read access from SOFTWARE).
  if (control & SE_DACL_PROTECTED) fail(L"the entry cuts the key off from its parent");
  LocalFree(descriptor);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argc > 1 ? argv[1] : L"";
  if (mode == L"installed" && argc == 6) {
    check_installed(argv[2], argv[3], std::wstring(argv[4]) == L"1", argv[5]);
  } else if (mode == L"removed" && argc == 4) {
    check_removed(argv[2], argv[3]);
  } else if (mode == L"access" && argc == 3) {
    check_access(argv[2]);
  } else {
    std::fwprintf(stderr, L"usage: vmt_install_check installed FOLDER CREATEREPORTS AUTOSTART "
                          L"VERSION | removed FOLDER CREATEREPORTS | access SDDL\n");
    return 2;
  }
  return failures == 0 ? 0 : 1;
}
