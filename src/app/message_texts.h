// Message texts by number. The program's texts are kept in app/messages.txt,
// from which the build makes both the built-in table and the Windows string
// table, so the two never differ.
//
// Convention for all code: a message is loaded by writing
//   texts.load_message_text(NNNNN, "default text")
// with the number and the default as literals in the call, so that a test can
// find every call and check it against messages.txt.
#pragma once

#include <cstdarg>
#include <string>

#include "app/message_box.h"
#include "platform/resources.h"

namespace vmt::app {

// The table compiled into the program from messages.txt.
class BuiltInStringTable : public platform::StringTable {
 public:
  bool find(unsigned number, std::string* text) const override;
  // Every number of the table, ascending.
  static std::size_t size();
  static unsigned number_at(std::size_t index);
};

class MessageTexts {
 public:
  // `table` must outlive this object or be replaced before it goes.
  MessageTexts(MessageBoxes& boxes, const platform::StringTable& table)
      : boxes_(boxes), table_(&table) {}

  void set_table(const platform::StringTable& table) { table_ = &table; }
  // On until a resource library is in use: then its texts may differ from the defaults.
  void set_check_message_texts(bool check) { check_ = check; }
  bool check_message_texts() const { return check_; }

  // The table's text, or the default when the number is missing (after telling so).
  std::string load_message_text(unsigned number, const std::string& default_text);
  // As load_message_text, for a text that is then filled with printf arguments:
  // a table text whose conversions differ from the default's is not used, so
  // that a translation can never make the filling read the wrong arguments.
  std::string load_message_format(unsigned number, const std::string& default_format);
  // load_message_format filled with printf arguments (checked against the default).
  std::string format_message_text(unsigned number, const char* default_format, ...)
#ifdef __GNUC__
      __attribute__((format(printf, 3, 4)))
#endif
      ;

 private:
  MessageBoxes& boxes_;
  const platform::StringTable* table_;
  bool check_ = true;
};

// printf formatting into a string of any length.
std::string format_message(const char* format, ...)
#ifdef __GNUC__
    __attribute__((format(printf, 1, 2)))
#endif
    ;
// The printf conversions of a format, e.g. "%s%d" for "at %s line %d (100%%)".
std::string format_conversions(const std::string& format);
std::string format_message_v(const char* format, va_list args);

}  // namespace vmt::app
