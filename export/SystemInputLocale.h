#pragma once

#include "export/workbook/CellInput.h"

// How the system locale (QLocale(), the default locale) reads typed input: its decimal separator, the short date
// and long time in the shape the table's texts use (four-digit year, no time zone), and its month names.
InputLocale SystemInputLocale();
