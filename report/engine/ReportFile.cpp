// Saved report pages. The format, all numbers big-endian as QDataStream (version Qt 6.4) writes them:
//
//   quint32 magic 0x52533552 ("RS5R"), quint16 format version (1)
//   definition:
//     page: double paper width, height (mm); double left, top, right, bottom margins (mm); qint32 columns;
//           bool last-page footer; bool print if empty; font default font; QString title
//     quint32 band count, then per band: QString name; quint8 kind (0 title, 1 column header, 2 detail,
//           3 page footer); double height, width (mm); quint32 colour (ARGB); quint32 item count, then per item:
//           QString name; quint8 kind (0 label, 1 field, 2 system data); double left, top, width, height (mm);
//           bool has font [font]; quint8 alignment (0 left, 1 centre, 2 right); bool centre in band;
//           bool transparent; quint32 background (ARGB); bool bottom line; bool word wrap; bool auto size;
//           QString text; QString field; quint8 system data (0 date, 1 page number)
//     font: QString family; double point size; bool bold; bool italic; quint32 colour (ARGB)
//   quint32 page count, then per page:
//     quint32 band count, then per band: qint32 band index, top (micrometres), first text
//     quint32 text count, then per text: qint32 start, length; float width (points); bool complex
//     QString the page's characters
//
// Readers refuse a newer version; everything read is checked against the rest so that a damaged file cannot make
// a page point outside its texts.
#include "report/engine/ReportOutput.h"

#include <QDataStream>
#include <QFile>
#include <QSaveFile>

namespace report {

namespace {

constexpr quint32 kMagic = 0x52533552;
constexpr quint16 kVersion = 1;
constexpr char16_t kCannotWrite[] = u"Не удалось записать файл «%1»: %2";
constexpr char16_t kCannotRead[] = u"Не удалось открыть файл «%1»: %2";
constexpr char16_t kNotAReport[] = u"В файле «%1» нет сохраненных страниц отчета.";
constexpr char16_t kNewerFormat[] =
    u"Страницы отчета в файле «%1» сохранены в более новом формате (%2), чем читает эта программа: откройте его "
    u"более новой версией программы.";
constexpr char16_t kDamaged[] = u"Сохраненные страницы отчета в файле «%1» повреждены.";

struct Damaged {};

void Write(QDataStream& out, const ReportFont& font) {
    out << font.family << font.pointSize << font.bold << font.italic << quint32(font.color);
}

void Write(QDataStream& out, const ReportDefinition& d) {
    const PageSettings& p = d.page;
    out << p.paperMm.width() << p.paperMm.height() << p.leftMm << p.topMm << p.rightMm << p.bottomMm
        << qint32(p.columns) << p.lastPageFooter << p.printIfEmpty;
    Write(out, p.defaultFont);
    out << p.title << quint32(d.bands.size());
    for (const ReportBand& band : d.bands) {
        out << band.name << quint8(band.kind) << band.heightMm << band.widthMm << quint32(band.color)
            << quint32(band.items.size());
        for (const ReportItem& item : band.items) {
            out << item.name << quint8(item.kind) << item.boxMm.left() << item.boxMm.top() << item.boxMm.width()
                << item.boxMm.height() << item.font.has_value();
            if (item.font) {
                Write(out, *item.font);
            }
            out << quint8(item.alignment) << item.centerInBand << item.transparent << quint32(item.background)
                << item.bottomLine << item.wordWrap << item.autoSize << item.text << item.field
                << quint8(item.dataKind);
        }
    }
}

class Reader {
public:
    explicit Reader(QDataStream& in) : in_(in) {}

    template <typename T>
    T Get() {
        T value{};
        in_ >> value;
        Check();
        return value;
    }
    // A count that the rest of the file can hold, each element taking at least `minimumBytes`.
    quint32 Count(qint64 minimumBytes) {
        const quint32 count = Get<quint32>();
        if (static_cast<qint64>(count) * minimumBytes > in_.device()->bytesAvailable()) {
            throw Damaged{};
        }
        return count;
    }
    template <typename E>
    E Enum(quint8 last) {
        const quint8 value = Get<quint8>();
        if (value > last) {
            throw Damaged{};
        }
        return static_cast<E>(value);
    }
    void Check() {
        if (in_.status() != QDataStream::Ok) {
            throw Damaged{};
        }
    }

    ReportFont Font() {
        ReportFont font;
        font.family = Get<QString>();
        font.pointSize = Get<double>();
        font.bold = Get<bool>();
        font.italic = Get<bool>();
        font.color = Get<quint32>();
        if (!(font.pointSize > 0 && font.pointSize < 1000)) {
            throw Damaged{};
        }
        return font;
    }

    ReportDefinition Definition() {
        ReportDefinition d;
        PageSettings& p = d.page;
        const double width = Get<double>();
        const double height = Get<double>();
        p.paperMm = QSizeF(width, height);
        p.leftMm = Get<double>();
        p.topMm = Get<double>();
        p.rightMm = Get<double>();
        p.bottomMm = Get<double>();
        p.columns = Get<qint32>();
        p.lastPageFooter = Get<bool>();
        p.printIfEmpty = Get<bool>();
        p.defaultFont = Font();
        p.title = Get<QString>();
        if (!(width > 0 && width < 10000 && height > 0 && height < 10000)) {
            throw Damaged{};
        }
        const quint32 bands = Count(20);
        for (quint32 b = 0; b < bands; ++b) {
            ReportBand& band = d.bands.emplace_back();
            band.name = Get<QString>();
            band.kind = Enum<BandKind>(3);
            band.heightMm = Get<double>();
            band.widthMm = Get<double>();
            band.color = Get<quint32>();
            const quint32 items = Count(40);
            for (quint32 i = 0; i < items; ++i) {
                ReportItem& item = band.items.emplace_back();
                item.name = Get<QString>();
                item.kind = Enum<ItemKind>(2);
                const double left = Get<double>();
                const double top = Get<double>();
                const double w = Get<double>();
                const double h = Get<double>();
                item.boxMm = QRectF(left, top, w, h);
                if (Get<bool>()) {
                    item.font = Font();
                }
                item.alignment = Enum<ItemAlignment>(2);
                item.centerInBand = Get<bool>();
                item.transparent = Get<bool>();
                item.background = Get<quint32>();
                item.bottomLine = Get<bool>();
                item.wordWrap = Get<bool>();
                item.autoSize = Get<bool>();
                item.text = Get<QString>();
                item.field = Get<QString>();
                item.dataKind = Enum<SystemDataKind>(1);
            }
        }
        return d;
    }

    ReportPage Page(const ReportDefinition& d) {
        ReportPage page;
        const quint32 bands = Count(12);
        page.bands.reserve(bands);
        for (quint32 b = 0; b < bands; ++b) {
            PlacedBand placed;
            placed.band = Get<qint32>();
            placed.topUm = Get<qint32>();
            placed.firstText = Get<qint32>();
            if (placed.band < 0 || static_cast<std::size_t>(placed.band) >= d.bands.size() || placed.firstText < 0) {
                throw Damaged{};
            }
            page.bands.push_back(placed);
        }
        const quint32 texts = Count(13);
        page.texts.reserve(texts);
        for (quint32 t = 0; t < texts; ++t) {
            PlacedText text;
            text.start = Get<qint32>();
            text.length = Get<qint32>();
            text.widthPt = Get<float>();
            text.complex = Get<bool>();
            page.texts.push_back(text);
        }
        page.characters = Get<QString>();
        for (const PlacedBand& placed : page.bands) {
            const std::size_t items = d.bands[static_cast<std::size_t>(placed.band)].items.size();
            if (static_cast<std::size_t>(placed.firstText) + items > page.texts.size()) {
                throw Damaged{};
            }
        }
        for (const PlacedText& text : page.texts) {
            if (text.start < 0 || text.length < 0 || text.start > page.characters.size() - text.length ||
                !(text.widthPt >= 0 && text.widthPt < 1e6)) {
                throw Damaged{};
            }
        }
        return page;
    }

private:
    QDataStream& in_;
};

}  // namespace

void WriteReportFile(const ReportDocument& document, const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        throw ReportError(QString::fromUtf16(kCannotWrite).arg(path, file.errorString()));
    }
    QDataStream out(&file);
    out.setVersion(QDataStream::Qt_6_4);
    out << kMagic << kVersion;
    Write(out, document.definition);
    out << quint32(document.pages.size());
    for (const ReportPage& page : document.pages) {
        out << quint32(page.bands.size());
        for (const PlacedBand& band : page.bands) {
            out << qint32(band.band) << qint32(band.topUm) << qint32(band.firstText);
        }
        out << quint32(page.texts.size());
        for (const PlacedText& text : page.texts) {
            out << qint32(text.start) << qint32(text.length) << text.widthPt << text.complex;
        }
        out << page.characters;
    }
    if (out.status() != QDataStream::Ok || !file.commit()) {
        throw ReportError(QString::fromUtf16(kCannotWrite).arg(path, file.errorString()));
    }
}

ReportDocument ReadReportFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw ReportError(QString::fromUtf16(kCannotRead).arg(path, file.errorString()));
    }
    return ReadReport(file, path);
}

ReportDocument ReadReport(QIODevice& device, const QString& name) {
    const QString& path = name;
    QDataStream in(&device);
    in.setVersion(QDataStream::Qt_6_4);
    quint32 magic = 0;
    quint16 version = 0;
    in >> magic >> version;
    if (in.status() != QDataStream::Ok || magic != kMagic) {
        throw ReportError(QString::fromUtf16(kNotAReport).arg(path));
    }
    if (version > kVersion) {
        throw ReportError(QString::fromUtf16(kNewerFormat).arg(path).arg(version));
    }
    try {
        Reader reader(in);
        ReportDocument document;
        document.definition = reader.Definition();
        const quint32 pages = reader.Count(12);
        document.pages.reserve(pages);
        for (quint32 p = 0; p < pages; ++p) {
            document.pages.push_back(reader.Page(document.definition));
        }
        if (!in.atEnd()) {
            throw Damaged{};
        }
        return document;
    } catch (const Damaged&) {
        throw ReportError(QString::fromUtf16(kDamaged).arg(path));
    }
}

}  // namespace report
