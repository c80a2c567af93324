#include "app/dates.h"

namespace vmt::app {

namespace {

void check(DateServices& s, int value, int low, int high) {
  if (value < low || value > high) VMT_LOG_POINT(s.log);
}

// The clock's fields, checked as the stamp and the long date need them.
platform::LocalTime checked_now(DateServices& s) {
  const platform::LocalTime t = s.clock.local_now();
  check(s, t.year, 1901, 2049);
  check(s, t.month, 1, 12);
  check(s, t.day, 1, 31);
  check(s, t.hour, 0, 23);
  check(s, t.minute, 0, 59);
  check(s, t.second, 0, 59);
  check(s, t.weekday, 0, 6);
  check(s, t.milliseconds, 0, 999);
  if (std::to_string(t.year).size() != 4) VMT_LOG_POINT(s.log);
  return t;
}

int twelve_hour_of(int hour) {
  if (hour > 12) return hour - 12;
  return hour == 0 ? 12 : hour;
}

std::string two_digits(int value) { return format_message("%02d", value); }

std::string weekday_name(MessageTexts& texts, int weekday) {
  switch (weekday) {
    case 0: return texts.load_message_text(50377, "Sunday");
    case 1: return texts.load_message_text(50378, "Monday");
    case 2: return texts.load_message_text(50379, "Tuesday");
    case 3: return texts.load_message_text(50380, "Wednesday");
    case 4: return texts.load_message_text(50381, "Thursday");
    case 5: return texts.load_message_text(50382, "Friday");
    case 6: return texts.load_message_text(50383, "Saturday");
  }
  return {};
}

std::string month_name(MessageTexts& texts, int month) {
  switch (month) {
    case 1: return texts.load_message_text(50384, "January");
    case 2: return texts.load_message_text(50385, "February");
    case 3: return texts.load_message_text(50386, "March");
    case 4: return texts.load_message_text(50387, "April");
    case 5: return texts.load_message_text(50388, "May");
    case 6: return texts.load_message_text(50389, "June");
    case 7: return texts.load_message_text(50390, "July");
    case 8: return texts.load_message_text(50391, "August");
    case 9: return texts.load_message_text(50392, "September");
    case 10: return texts.load_message_text(50393, "October");
    case 11: return texts.load_message_text(50394, "November");
    case 12: return texts.load_message_text(50395, "December");
  }
  return {};
}

}  // namespace

std::string format_date_time(DateServices& s, int year, int month, int day, int hour,
                             int minute, int second, bool show_seconds) {
  check(s, month, 1, 12);
  check(s, day, 1, 31);
  check(s, year, 1900, 2050);
  check(s, hour, 0, 23);
  check(s, minute, 0, 59);
  check(s, second, 0, 59);
  const bool afternoon = hour >= 12;
  const int shown_hour = twelve_hour_of(hour);
  std::string format;
  if (show_seconds) {
    format = afternoon ? s.texts.load_message_format(50006, "%d/%d/%d %d:%02d:%02d PM")
                       : s.texts.load_message_format(50008, "%d/%d/%d %d:%02d:%02d AM");
    return format_message(format.c_str(), month, day, year, shown_hour, minute, second);
  }
  format = afternoon ? s.texts.load_message_format(50007, "%d/%d/%d %d:%02d PM")
                     : s.texts.load_message_format(50009, "%d/%d/%d %d:%02d AM");
  return format_message(format.c_str(), month, day, year, shown_hour, minute);
}

std::string make_time_stamp(DateServices& s, char separator, bool with_milliseconds) {
  const platform::LocalTime t = checked_now(s);
  const std::string sep(1, separator);
  std::string stamp = std::to_string(t.year) + sep + two_digits(t.month) + sep +
                      two_digits(t.day) + sep + two_digits(t.hour) + sep + two_digits(t.minute) +
                      sep + two_digits(t.second);
  if (with_milliseconds) stamp += format_message("%03d", t.milliseconds);
  return stamp;
}

std::string make_long_date_time(DateServices& s, bool twelve_hour) {
  const platform::LocalTime t = checked_now(s);
  std::string text = weekday_name(s.texts, t.weekday) + ", " + month_name(s.texts, t.month);
  text += format_message(" %d, ", t.day);
  const std::string year = format_message("%d, ", t.year);
  if (year.size() != 6) VMT_LOG_POINT(s.log);
  text += year;
  text += std::to_string(twelve_hour ? twelve_hour_of(t.hour) : t.hour);
  text += ":" + two_digits(t.minute) + ":" + two_digits(t.second);
  if (twelve_hour) {
    text += t.hour >= 12 ? s.texts.load_message_text(50396, "p.m.")
                         : s.texts.load_message_text(50397, "a.m.");
  }
  return text;
}

}  // namespace vmt::app
