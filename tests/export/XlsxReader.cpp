#include "tests/export/XlsxReader.h"

#include <QProcess>
#include <QXmlStreamReader>

namespace {

std::optional<QByteArray> Part(const QString& path, const QString& part, QString* error) {
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), path, part});
    if (!unzip.waitForFinished(30000) || unzip.exitStatus() != QProcess::NormalExit || unzip.exitCode() != 0) {
        if (error) {
            *error = QStringLiteral("unzip %1 %2: %3").arg(path, part, QString::fromUtf8(unzip.readAllStandardError()));
        }
        return std::nullopt;
    }
    return unzip.readAllStandardOutput();
}

// The built-in number formats the writer may refer to by number.
QString BuiltInFormat(int id) {
    switch (id) {
        case 14:
            return QStringLiteral("m/d/yy");
        case 22:
            return QStringLiteral("m/d/yy h:mm");
        default:
            return {};
    }
}

QString ReadText(QXmlStreamReader& xml) {
    // The text of the <t> elements inside the current element (a shared string may be split into runs).
    QString text;
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            if (xml.name() == QLatin1String("t")) {
                text += xml.readElementText();
            } else {
                ++depth;
            }
        } else if (token == QXmlStreamReader::EndElement) {
            --depth;
        }
    }
    return text;
}

}  // namespace

std::optional<XlsxBook> ReadXlsx(const QString& path, QString* error) {
    const auto workbookXml = Part(path, QStringLiteral("xl/workbook.xml"), error);
    const auto stylesXml = Part(path, QStringLiteral("xl/styles.xml"), error);
    if (!workbookXml || !stylesXml) {
        return std::nullopt;
    }
    QStringList shared;
    if (const auto sst = Part(path, QStringLiteral("xl/sharedStrings.xml"), nullptr)) {
        QXmlStreamReader xml(*sst);
        while (!xml.atEnd()) {
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("si")) {
                shared << ReadText(xml);
            }
        }
    }
    // Styles: custom number formats by id, then each cell style's format id.
    QMap<int, QString> formats;
    QList<QString> styleFormats;
    {
        QXmlStreamReader xml(*stylesXml);
        bool inCellXfs = false;
        while (!xml.atEnd()) {
            const auto token = xml.readNext();
            if (token == QXmlStreamReader::StartElement) {
                if (xml.name() == QLatin1String("numFmt")) {
                    formats[xml.attributes().value("numFmtId").toInt()] =
                        xml.attributes().value("formatCode").toString();
                } else if (xml.name() == QLatin1String("cellXfs")) {
                    inCellXfs = true;
                } else if (inCellXfs && xml.name() == QLatin1String("xf")) {
                    const int id = xml.attributes().value("numFmtId").toInt();
                    styleFormats << (formats.contains(id) ? formats[id] : BuiltInFormat(id));
                }
            } else if (token == QXmlStreamReader::EndElement && xml.name() == QLatin1String("cellXfs")) {
                inCellXfs = false;
            }
        }
    }
    XlsxBook book;
    QXmlStreamReader names(*workbookXml);
    while (!names.atEnd()) {
        if (names.readNext() == QXmlStreamReader::StartElement && names.name() == QLatin1String("sheet")) {
            XlsxSheet sheet;
            sheet.name = names.attributes().value("name").toString();
            book.sheets << sheet;
        }
    }
    if (names.hasError()) {
        if (error) {
            *error = names.errorString();
        }
        return std::nullopt;
    }
    for (int i = 0; i < book.sheets.size(); ++i) {
        const auto sheetXml = Part(path, QStringLiteral("xl/worksheets/sheet%1.xml").arg(i + 1), error);
        if (!sheetXml) {
            return std::nullopt;
        }
        XlsxSheet& sheet = book.sheets[i];
        QXmlStreamReader xml(*sheetXml);
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement) {
                continue;
            }
            if (xml.name() == QLatin1String("col")) {
                const auto a = xml.attributes();
                for (int c = a.value("min").toInt(); c <= a.value("max").toInt(); ++c) {
                    sheet.columnWidths[c] = a.value("width").toDouble();
                }
            } else if (xml.name() == QLatin1String("c")) {
                const auto a = xml.attributes();
                const QString ref = a.value("r").toString();
                const QString type = a.value("t").toString();
                const int style = a.value("s").toInt();
                XlsxCell cell;
                cell.numberFormat = style < styleFormats.size() ? styleFormats[style] : QString();
                QString v;
                QString inlineText;
                while (xml.readNextStartElement()) {
                    if (xml.name() == QLatin1String("v")) {
                        v = xml.readElementText();
                    } else if (xml.name() == QLatin1String("is")) {
                        inlineText = ReadText(xml);
                    } else {
                        xml.skipCurrentElement();
                    }
                }
                if (type == QLatin1String("s")) {
                    cell.kind = XlsxCell::Kind::Text;
                    cell.value = shared.value(v.toInt());
                } else if (type == QLatin1String("inlineStr")) {
                    cell.kind = XlsxCell::Kind::Text;
                    cell.value = inlineText;
                } else if (type == QLatin1String("str")) {
                    cell.kind = XlsxCell::Kind::Text;
                    cell.value = v;
                } else if (type == QLatin1String("b")) {
                    cell.kind = XlsxCell::Kind::Boolean;
                    cell.value = v;
                } else {
                    cell.kind = XlsxCell::Kind::Number;
                    cell.value = v;
                }
                sheet.cells[ref] = cell;
            }
        }
        if (xml.hasError()) {
            if (error) {
                *error = xml.errorString();
            }
            return std::nullopt;
        }
    }
    return book;
}
