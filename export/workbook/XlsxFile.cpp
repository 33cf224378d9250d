#include "export/workbook/XlsxFile.h"

#include <xlsxwriter.h>

#include <map>
#include <memory>

namespace {

struct WorkbookCloser {
    void operator()(lxw_workbook* workbook) const { workbook_close(workbook); }
};

void Check(lxw_error error, const char* what) {
    if (error != LXW_NO_ERROR) {
        throw XlsxError(std::string(what) + ": " + lxw_strerror(error));
    }
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

std::string ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            AppendUtf8(out, 0xFFFD);
        } else {
            AppendUtf8(out, c);
        }
    }
    return out;
}

void WriteXlsxFile(const Workbook& workbook, const std::string& path) {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    std::unique_ptr<lxw_workbook, WorkbookCloser> book(workbook_new_opt(path.c_str(), &options));
    if (!book) {
        throw XlsxError("cannot create the workbook '" + path + "'");
    }
    // Number formats are shared by the whole book; each distinct one is made once.
    std::map<std::string, lxw_format*> formats;
    for (const std::shared_ptr<Worksheet>& sheet : workbook.sheets) {
        const std::string name = ToUtf8(sheet->Name());
        lxw_worksheet* out = workbook_add_worksheet(book.get(), name.c_str());
        if (!out) {
            throw XlsxError("the sheet name '" + name + "' is not accepted");
        }
        for (const auto& [column, width] : sheet->ColumnWidths()) {
            Check(worksheet_set_column(out, static_cast<lxw_col_t>(column - 1), static_cast<lxw_col_t>(column - 1),
                                       width, nullptr),
                  "column width");
        }
        std::vector<lxw_format*> sheetFormats;
        for (const std::string& code : sheet->Formats()) {
            lxw_format*& format = formats[code];
            if (!format) {
                format = workbook_add_format(book.get());
                format_set_num_format(format, code.c_str());
            }
            sheetFormats.push_back(format);
        }
        // Each distinct text is made UTF-8 once, when first written.
        std::vector<std::string> utf8(sheet->TextCount());
        std::vector<bool> converted(sheet->TextCount());
        for (std::int32_t r = 1; r <= sheet->RowCount(); ++r) {
            const std::vector<Cell>& cells = sheet->Row(r);
            const auto row = static_cast<lxw_row_t>(r - 1);
            for (std::size_t c = 0; c < cells.size(); ++c) {
                const Cell& cell = cells[c];
                const auto col = static_cast<lxw_col_t>(c);
                switch (cell.kind) {
                    case Cell::Kind::Empty:
                        break;
                    case Cell::Kind::Number:
                        Check(worksheet_write_number(out, row, col, cell.number,
                                                     cell.index > 0 ? sheetFormats[cell.index - 1] : nullptr),
                              "number cell");
                        break;
                    case Cell::Kind::Boolean:
                        Check(worksheet_write_boolean(out, row, col, cell.number != 0, nullptr), "boolean cell");
                        break;
                    case Cell::Kind::Text:
                        if (!converted[cell.index]) {
                            utf8[cell.index] = ToUtf8(sheet->Text(cell));
                            converted[cell.index] = true;
                        }
                        Check(worksheet_write_string(out, row, col, utf8[cell.index].c_str(), nullptr), "text cell");
                        break;
                    case Cell::Kind::DateTime:
                        Check(worksheet_write_number(out, row, col, cell.number, sheetFormats[cell.index]),
                              "date cell");
                        break;
                }
            }
        }
    }
    lxw_workbook* closing = book.release();
    Check(workbook_close(closing), ("writing '" + path + "'").c_str());
}
