#pragma once

#include "export/workbook/CellInput.h"

// How the system locale (QLocale(), the default locale) reads typed input: its decimal separator, its short date
// and long time, and its month names.
InputLocale SystemInputLocale();
