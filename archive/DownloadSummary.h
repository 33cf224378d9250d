#pragma once

#include "archive/MeterProtocol.h"

#include <string>
#include <vector>

// What the end of a download tells the user beyond its rows (UTF-8).

// The records kept with an empty date, in ascending order: «Записи без даты: 3, 17 — прибор записал неверную
// дату; они сохранены с пустой датой». Runs of three or more numbers are written as a range («5–40»), and past
// kMaxUndatedItems items the rest is counted instead («… и ещё 12»), so that a meter whose clock battery went
// flat still gives a box that fits the screen. Empty for no records.
std::string UndatedRecordsText(const std::vector<int>& records);
inline constexpr std::size_t kMaxUndatedItems = 20;

// A download of new records alone: «Новых записей: 15, уже были в таблице: 30».
std::string NewRecordsText(int added, int known);

// One line for the log about record k, whose date bytes form no date: the bytes as the meter sent them (positions
// 31 to 36: second, minute, hour, day, month, year since 2000, in hexadecimal) and the date they would make.
std::string UndatedRecordNote(int k, const ArchiveRecordBytes& bytes);
