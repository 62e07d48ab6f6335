#include "dos_time.h"

DosDateTime split_dos_date_time(uint16_t date, uint16_t time) {
  return DosDateTime{1980 + (date >> 9), (date >> 5) & 15, date & 31,
                     time >> 11,          (time >> 5) & 63, (time & 31) * 2};
}

bool dos_date_time_to_unix(uint16_t date, uint16_t time, std::time_t* out) {
  DosDateTime d = split_dos_date_time(date, time);
  if (d.month < 1 || d.month > 12 || d.day < 1 || d.hour > 23 || d.minute > 59 || d.second > 59)
    return false;
  std::tm tm{};
  tm.tm_year = d.year - 1900;
  tm.tm_mon = d.month - 1;
  tm.tm_mday = d.day;
  tm.tm_hour = d.hour;
  tm.tm_min = d.minute;
  tm.tm_sec = d.second;
  tm.tm_isdst = -1;  // let the zone rules decide, as the local-time conversion does
  std::time_t t = std::mktime(&tm);
  if (t == std::time_t(-1)) return false;
  *out = t;
  return true;
}

bool unix_to_dos_date_time(std::time_t when, uint16_t* date, uint16_t* time) {
  std::tm local{};
  if (!localtime_r(&when, &local) || local.tm_year < 80 || local.tm_year > 207) return false;
  *date = uint16_t(((local.tm_year - 80) << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday);
  *time = uint16_t((local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2));
  return true;
}
