// Cabinet file times: a DOS date and time, taken as local time.
#pragma once

#include <cstdint>
#include <ctime>

struct DosDateTime {
  int year, month, day, hour, minute, second;
};

DosDateTime split_dos_date_time(uint16_t date, uint16_t time);

// Seconds since the epoch for the local time the DOS fields name; false for impossible fields
// (month 0, day 0, hour 24, ...).
bool dos_date_time_to_unix(uint16_t date, uint16_t time, std::time_t* out);

// The DOS date and time of a moment, as local time. Moments before 1980 or after 2107 cannot be
// written and give false; odd seconds are rounded down (the format counts two-second steps).
bool unix_to_dos_date_time(std::time_t when, uint16_t* date, uint16_t* time);
