// The desktop programs the transfer knows: one constant row per program with
// everything the per-program operations need, so that each operation picks its
// branch from the row's data. Row 1, "User defined", stands for the user's own
// folders and has none of the program columns.
#pragma once

#include <cstddef>
#include <string>

#include "app/diagnostic_log.h"
#include "app/message_box.h"
#include "platform/registry.h"

namespace vmt::settings {

// The display names: the options list's texts and the `DefSyncProgram` values.
namespace program {
inline constexpr char kUserDefined[] = "User defined";
inline constexpr char kVistaplot[] = "Vistaplot";
inline constexpr char kVistaplotLite[] = "Vistaplot Lite";
inline constexpr char kVistaplotPro[] = "Vistaplot Pro";
inline constexpr char kVmx2002[] = "VMX 2002";
inline constexpr char kVmx2001[] = "VMX 2001";
inline constexpr char kVmCad2001[] = "VM-CAD 2001";
inline constexpr char kVeldmarkCad2002[] = "Veldmark CAD2002";
inline constexpr char kVeldmarkCad2004[] = "Veldmark CAD2004";
inline constexpr char kVeldmarkCad2005[] = "Veldmark CAD2005";
inline constexpr char kVeldmarkCad2008[] = "Veldmark CAD2008";
inline constexpr char kVeldmarkCad2009[] = "Veldmark CAD2009";
inline constexpr char kVeldmarkCad2010[] = "Veldmark CAD2010";
inline constexpr char kVeldmarkCad2012[] = "Veldmark CAD2012";
inline constexpr char kVeldmarkVmdx2012[] = "Veldmark VMDX2012";
inline constexpr char kNaviraFieldcad2012[] = "Navira Fieldcad 2012";
inline constexpr char kScanfieldCad2010[] = "Scanfield CAD2010";
inline constexpr char kTelmarStakelineMaster[] = "Telmar StakelineMaster";
inline constexpr char kSorvikStakelineOffice[] = "Sorvik Stakeline Office";
inline constexpr char kVistaplot2006[] = "Vistaplot 2006";
inline constexpr char kVistaplot2008[] = "Vistaplot 2008";
inline constexpr char kVistaplotForensicCad2010[] = "Vistaplot Forensic CAD 2010";
inline constexpr char kVistaplotCapture2010[] = "Vistaplot Capture 2010";
inline constexpr char kVistaplotScanfield2010[] = "Vistaplot Scanfield 2010";
inline constexpr char kHarlenScenemark2010[] = "Harlen Scenemark 2010";
inline constexpr char kHarlenScenemarkPro2010[] = "Harlen Scenemark Pro 2010";
inline constexpr char kPlugcadAutoCadR14[] = "Plugcad for AutoCAD R14";
inline constexpr char kPlugcadAutoCad2000[] = "Plugcad for AutoCAD 2000/2002";
inline constexpr char kPlugcadAutoCad2004[] = "Plugcad for AutoCAD 2004";
inline constexpr char kPlugcadAutoCad2005[] = "Plugcad for AutoCAD 2005";
inline constexpr char kPlugcadAutoCad2006[] = "Plugcad for AutoCAD 2006";
inline constexpr char kPlugcad2006AutoCadR14[] = "Plugcad2006 for AutoCAD R14";
inline constexpr char kPlugcad2006AutoCad2000[] = "Plugcad2006 for AutoCAD 2000/2002";
inline constexpr char kPlugcad2006AutoCad2004[] = "Plugcad2006 for AutoCAD 2004";
inline constexpr char kPlugcad2006AutoCad2005[] = "Plugcad2006 for AutoCAD 2005";
inline constexpr char kPlugcad2006AutoCad2006[] = "Plugcad2006 for AutoCAD 2006";
inline constexpr char kPlugcad2010AutoCad2009[] = "Plugcad2010 for AutoCAD 2009";
inline constexpr char kPlugcad2010AutoCad2010[] = "Plugcad2010 for AutoCAD 2010";
inline constexpr char kPlugcad2011AutoCad2010[] = "Plugcad2011 for AutoCAD 2010";
inline constexpr char kPlugcad2011AutoCad2011[] = "Plugcad2011 for AutoCAD 2011";
inline constexpr char kPlugcad2012AutoCad2012[] = "Plugcad2012 for AutoCAD 2012";
inline constexpr char kNestcad2012[] = "Nestcad 2012";
}  // namespace program

constexpr std::size_t kCatalogueSize = 42;

// Where the install folder is read.
enum class InstallSource {
  kNone,          // "User defined"
  kSettingsFile,  // a settings file in the Windows folder, section "Path"
  kRegistry,      // a value of a key of the local machine
  kRelease,       // a release key naming the current version (AutoCAD, Nestcad)
};

// How a running copy is recognised among the top-level windows.
enum class WindowTest {
  kNone,
  kSet,     // the title's first characters all occur in the text
  kPrefix,  // the title begins with the text, case ignored
};

// How the installed test looks at the local machine.
enum class InstalledTest {
  kNone,    // always available
  kKey,     // one of the row's keys exists
  kSubKey,  // the vendor key lists the sub-key, case ignored
};

struct ProductKey {
  const char* path = nullptr;       // under HKEY_LOCAL_MACHINE
  const char* open_code = nullptr;  // first line of the open-failure message
  const char* close_message = nullptr;  // null: a failing close is not reported
};

struct CatalogueRow {
  int row;
  const char* name;

  InstallSource install_source;
  // Settings file: the file name in the Windows folder ("\Vistaplot.ini").
  // Registry: the key. Release: the release key under which "CurVer" names
  // the current version.
  const char* install_location;
  // Settings file: the key in section "Path". Registry: "InstallDir".
  // Release: the value of the current version's key ("AcadLocation").
  const char* install_value;
  // Release rows: the root the release key is read from.
  platform::RegistryRoot release_root;
  // Release rows: whether a missing location value is reported.
  bool report_missing_location;
  // Registry rows: the messages when the key or the value cannot be read.
  const char* open_message;
  const char* value_message;

  const char* executable;    // below the install folder
  const char* data_folder;   // below the common application-data folder; "" none
  const char* featlink;      // the Featlink sub-folder of the base folder
  // Data folder rows: the create message ("(%d) (%s)") and the folder message
  // ("(%s)", null: none shown).
  const char* create_message;
  const char* folder_message;

  WindowTest window_test;
  const char* window_text;
  const char* window_class;  // "" when the class is not tested

  InstalledTest installed_test;
  ProductKey keys[2];        // key rows: one or two product keys
  const char* vendor_key;    // sub-key rows
  const char* sub_key;       // sub-key rows
  int options_code;          // shown when the chosen program is not installed

  bool is_user_defined() const { return install_source == InstallSource::kNone; }
  bool has_data_folder() const { return data_folder[0] != '\0'; }
};

// The 42 rows in the order the options dialog builds its list.
const CatalogueRow* catalogue_begin();
const CatalogueRow* catalogue_end();
inline const CatalogueRow& catalogue_row(std::size_t index) { return catalogue_begin()[index]; }

// The row whose name equals `name` exactly, or null.
const CatalogueRow* find_program(const std::string& name);

// The row whose name equals `text` with case ignored, as the stored choice is
// matched, or null.
const CatalogueRow* find_stored_program(const std::string& text);

// True when `text` is one of the 42 names, case ignored (the stored choice).
bool is_catalogue_name(const std::string& text);

// One catalogue row as the options and the main window carry it: the name and
// the two folders found for it on this machine.
class C_directory_options {
 public:
  C_directory_options() = default;
  explicit C_directory_options(std::string name) : name_(std::move(name)) {}

  void clear() { *this = C_directory_options(); }

  // Renaming a record that was filled already is noted in the log.
  void set_name(const std::string& name, app::DiagnosticLog& log);
  std::string name() const { return name_; }

  void set_install_dir(std::string folder) { install_dir_ = std::move(folder); }
  void set_data_dir(std::string folder) { data_dir_ = std::move(folder); }
  std::string install_dir() const { return install_dir_; }
  std::string data_dir() const { return data_dir_; }

  void set_owner(app::WindowRef owner) { owner_ = owner; }
  app::WindowRef owner() const { return owner_; }

  bool is_filled() const { return filled_; }
  void set_filled(bool filled) { filled_ = filled; }

 private:
  std::string name_;
  std::string install_dir_;
  std::string data_dir_;
  app::WindowRef owner_ = 0;
  bool filled_ = false;
};

}  // namespace vmt::settings
