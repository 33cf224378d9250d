#pragma once

#include "export/workbook/Workbook.h"

#include <stdexcept>
#include <string>

// A workbook that could not be written; what() says why, in English.
class XlsxError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes the workbook as an Office Open XML spreadsheet (.xlsx) to `path` (UTF-8), replacing what is there:
// sheet names, column widths, numbers, booleans, texts, and date-times with their number formats. Rows are
// streamed out in order, so memory does not grow with the sheet beyond the workbook itself. Raises XlsxError;
// a failed write may leave a partial file at `path`, so callers write beside the final name and rename.
void WriteXlsxFile(const Workbook& workbook, const std::string& path);

// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);
