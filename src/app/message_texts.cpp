#include "app/message_texts.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <vector>

namespace vmt::app {

namespace {

struct Entry {
  unsigned number;
  const char* text;
};

constexpr Entry kTable[] = {
#include "message_table.inc"
};

constexpr const char* kFixedCaption = "Veldmark";

}  // namespace

bool BuiltInStringTable::find(unsigned number, std::string* text) const {
  const Entry* end = std::end(kTable);
  const Entry* it = std::lower_bound(std::begin(kTable), end, number,
                                     [](const Entry& e, unsigned n) { return e.number < n; });
  if (it == end || it->number != number) return false;
  *text = it->text;
  return true;
}

std::size_t BuiltInStringTable::size() { return std::size(kTable); }

unsigned BuiltInStringTable::number_at(std::size_t index) { return kTable[index].number; }

std::string MessageTexts::load_message_text(unsigned number, const std::string& default_text) {
  std::string text;
  if (!table_->find(number, &text)) {
    boxes_.show(0, format_message("Unknown resource string id (vmtransfer.exe) : %u", number),
                kFixedCaption, mb::kOk);
    return default_text;
  }
  if (check_ && text != default_text) {
    boxes_.show(0,
                format_message("vmtransfer.exe string mismatch:\n\nids=%u\n\nstringtable=%s\n\n"
                               "parameter=%s",
                               number, text.c_str(), default_text.c_str()),
                kFixedCaption, mb::kOk);
  }
  return text;
}

std::string MessageTexts::load_message_format(unsigned number,
                                             const std::string& default_format) {
  std::string text = load_message_text(number, default_format);
  return format_conversions(text) == format_conversions(default_format) ? text : default_format;
}

std::string format_conversions(const std::string& format) {
  std::string conversions;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') continue;
    std::size_t j = i + 1;
    static const std::string kFlagsWidthsAndSizes = "-+ #0123456789.*lhzjtL";
    while (j < format.size() && kFlagsWidthsAndSizes.find(format[j]) != std::string::npos) ++j;
    if (j < format.size() && format[j] == '%') {
      i = j;
      continue;
    }
    conversions += format.substr(i, j + 1 - i);
    i = j;
  }
  return conversions;
}

std::string format_message_v(const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  const int length = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (length <= 0) return {};
  std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
  std::vsnprintf(buffer.data(), buffer.size(), format, args);
  return std::string(buffer.data(), static_cast<std::size_t>(length));
}

std::string MessageTexts::format_message_text(unsigned number, const char* default_format, ...) {
  const std::string format = load_message_format(number, default_format);
  va_list args;
  va_start(args, default_format);
  std::string result = format_message_v(format.c_str(), args);
  va_end(args);
  return result;
}

std::string format_message(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string result = format_message_v(format, args);
  va_end(args);
  return result;
}

}  // namespace vmt::app
