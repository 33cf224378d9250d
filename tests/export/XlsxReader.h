#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

// Reads an .xlsx file back without the library that wrote it: the parts are taken out with `unzip` and parsed
// as XML. Enough for checking what the export wrote: sheets, column widths, cells with their kinds and the
// number formats of their styles.
struct XlsxCell {
    enum class Kind { Number, Text, Boolean } kind = Kind::Text;
    QString value;         // the stored value: the number as written, the text, "1" or "0"
    QString numberFormat;  // the style's number format code, empty for the general format
};

struct XlsxSheet {
    QString name;
    QMap<QString, XlsxCell> cells;   // by reference, "A1"
    QMap<int, double> columnWidths;  // by 1-based column, only the columns given a width
};

struct XlsxBook {
    QList<XlsxSheet> sheets;
};

// Fails (nullopt, with the reason in *error) when the file is not a readable workbook.
std::optional<XlsxBook> ReadXlsx(const QString& path, QString* error = nullptr);
