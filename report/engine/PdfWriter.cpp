#include "report/engine/PdfWriter.h"

#include "report/engine/PageRenderer.h"

#include <QSaveFile>

#include <hb-subset.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace report {

namespace {

constexpr char16_t kCannotWrite[] = u"Не удалось записать файл «%1»: %2";
constexpr double kSameX = 0.01;  // points: pens this close continue one text

struct NoTrueType {};

template <typename Bytes>
void AppendNumber(Bytes& out, double value) {
    long long scaled = std::llround(value * 1000.0);
    char buffer[32];
    char* p = buffer;
    if (scaled < 0) {
        *p++ = '-';
        scaled = -scaled;
    }
    p = std::to_chars(p, buffer + sizeof buffer, scaled / 1000).ptr;
    int fraction = static_cast<int>(scaled % 1000);
    if (fraction != 0) {
        *p++ = '.';
        for (int divisor = 100; divisor > 0 && fraction != 0; divisor /= 10) {
            *p++ = static_cast<char>('0' + fraction / divisor);
            fraction %= divisor;
        }
    }
    *p++ = ' ';
    out.append(buffer, static_cast<std::size_t>(p - buffer));
}

template <typename Bytes>
void AppendHex4(Bytes& out, unsigned value) {
    static const char kDigits[] = "0123456789ABCDEF";
    const char hex[4] = {kDigits[(value >> 12) & 15], kDigits[(value >> 8) & 15], kDigits[(value >> 4) & 15],
                         kDigits[value & 15]};
    out.append(hex, std::size_t{4});
}

void AppendColor(std::string& out, QRgb color, const char* op) {
    AppendNumber(out, qRed(color) / 255.0);
    AppendNumber(out, qGreen(color) / 255.0);
    AppendNumber(out, qBlue(color) / 255.0);
    out.append(op);
    out.append(1, '\n');
}

QByteArray Compressed(const char* data, std::size_t size) {
    // qCompress puts the length before the zlib stream.
    return qCompress(reinterpret_cast<const uchar*>(data), static_cast<qsizetype>(size), 1).mid(4);
}

QByteArray Compressed(const QByteArray& data) {
    return Compressed(data.constData(), static_cast<std::size_t>(data.size()));
}

QByteArray HexUtf16(const QString& text) {
    QByteArray out = "<FEFF";
    for (const QChar c : text) {
        AppendHex4(out, c.unicode());
    }
    out += '>';
    return out;
}

quint32 BigEndian32(const char* p) {
    return (quint32(quint8(p[0])) << 24) | (quint32(quint8(p[1])) << 16) | (quint32(quint8(p[2])) << 8) |
           quint32(quint8(p[3]));
}

int BigEndian16(const QByteArray& data, int offset) {
    return static_cast<qint16>((quint8(data[offset]) << 8) | quint8(data[offset + 1]));
}

// The font's TrueType tables put together again as a font file.
QByteArray FontProgram(const QRawFont& font) {
    static const char* const kTags[] = {"OS/2", "cmap", "cvt ", "fpgm", "glyf", "head", "hhea",
                                        "hmtx", "loca", "maxp", "name", "post", "prep"};
    std::vector<std::pair<const char*, QByteArray>> tables;
    for (const char* tag : kTags) {
        QByteArray data = font.fontTable(tag);
        if (!data.isEmpty()) {
            tables.emplace_back(tag, std::move(data));
        }
    }
    auto has = [&](const char* tag) {
        return std::any_of(tables.begin(), tables.end(), [&](const auto& t) { return qstrcmp(t.first, tag) == 0; });
    };
    if (!has("glyf") || !has("loca") || !has("head") || !has("hmtx") || !has("maxp") || !has("hhea")) {
        throw NoTrueType{};
    }
    const int count = static_cast<int>(tables.size());
    int power = 1;
    int selector = 0;
    while (power * 2 <= count) {
        power *= 2;
        ++selector;
    }
    QByteArray out;
    auto put16 = [&](int v) {
        out += char((v >> 8) & 0xff);
        out += char(v & 0xff);
    };
    auto put32 = [&](quint32 v) {
        put16(int(v >> 16));
        put16(int(v & 0xffff));
    };
    put32(0x00010000);
    put16(count);
    put16(power * 16);
    put16(selector);
    put16(count * 16 - power * 16);
    quint32 offset = 12 + 16 * static_cast<quint32>(count);
    for (auto& [tag, data] : tables) {
        const quint32 length = static_cast<quint32>(data.size());
        while (data.size() % 4 != 0) {
            data += '\0';
        }
        quint32 sum = 0;
        for (qsizetype i = 0; i < data.size(); i += 4) {
            sum += BigEndian32(data.constData() + i);
        }
        out.append(tag, 4);
        put32(sum);
        put32(offset);
        put32(length);
        offset += static_cast<quint32>(data.size());
    }
    for (const auto& table : tables) {
        out += table.second;
    }
    return out;
}

// The font cut down to the glyphs a document uses, with their numbers kept (the pages address glyphs by number
// through Identity-H) and without hinting instructions (screens and printers scale outlines well at these sizes).
// A one-page report embeds some tens of kilobytes instead of three whole fonts. Empty when the font cannot be cut:
// the whole font goes in then.
QByteArray SubsetProgram(const QByteArray& program, const std::vector<int>& widths) {
    hb_blob_t* blob = hb_blob_create(program.constData(), static_cast<unsigned>(program.size()),
                                     HB_MEMORY_MODE_READONLY, nullptr, nullptr);
    hb_face_t* face = hb_face_create(blob, 0);
    hb_blob_destroy(blob);
    QByteArray out;
    if (hb_subset_input_t* input = hb_subset_input_create_or_fail()) {
        hb_set_t* glyphs = hb_subset_input_glyph_set(input);
        hb_set_add(glyphs, 0);
        for (std::size_t g = 0; g < widths.size(); ++g) {
            if (widths[g] >= 0) {
                hb_set_add(glyphs, static_cast<hb_codepoint_t>(g));
            }
        }
        hb_subset_input_set_flags(input, HB_SUBSET_FLAGS_RETAIN_GIDS | HB_SUBSET_FLAGS_NO_HINTING);
        if (hb_face_t* subset = hb_subset_or_fail(face, input)) {
            hb_blob_t* result = hb_face_reference_blob(subset);
            unsigned length = 0;
            const char* data = hb_blob_get_data(result, &length);
            if (data && length > 0) {
                out = QByteArray(data, static_cast<qsizetype>(length));
            }
            hb_blob_destroy(result);
            hb_face_destroy(subset);
        }
        hb_subset_input_destroy(input);
    }
    hb_face_destroy(face);
    return out;
}

// A subset font's name starts with six capitals that tell it from other subsets of the same font.
QByteArray SubsetTag(const std::vector<int>& widths) {
    quint32 hash = 2166136261u;
    for (std::size_t g = 0; g < widths.size(); ++g) {
        if (widths[g] >= 0) {
            hash = (hash ^ static_cast<quint32>(g)) * 16777619u;
        }
    }
    QByteArray tag(6, 'A');
    for (char& c : tag) {
        c = static_cast<char>('A' + hash % 26);
        hash /= 26;
    }
    return tag + '+';
}

struct PdfFont {
    int firstObject = 0;  // the Type 0 font; then its CID font, descriptor, font file and ToUnicode map
    int number = 0;       // named /F<number> in the pages
    QRawFont metrics;     // at 1000 pixels: advances in thousandths of an em
    QByteArray name;
    std::vector<int> widths = std::vector<int>(0x10000, -1);  // by glyph; -1: not used
    std::vector<char16_t> characters = std::vector<char16_t>(0x10000, 0);
};

class PdfObjects {
public:
    explicit PdfObjects(QSaveFile& file) : file_(file) { offsets_.push_back(0); }

    int Reserve() {
        offsets_.push_back(0);
        return static_cast<int>(offsets_.size()) - 1;
    }
    void Raw(const QByteArray& bytes) {
        if (file_.write(bytes) != bytes.size()) {
            throw ReportError(QString::fromUtf16(kCannotWrite).arg(file_.fileName(), file_.errorString()));
        }
        position_ += bytes.size();
    }
    void Object(int id, const QByteArray& body) {
        offsets_[static_cast<std::size_t>(id)] = position_;
        Raw(QByteArray::number(id) + " 0 obj\n" + body + "\nendobj\n");
    }
    void Stream(int id, const QByteArray& dictionary, const QByteArray& data) {
        offsets_[static_cast<std::size_t>(id)] = position_;
        Raw(QByteArray::number(id) + " 0 obj\n<< " + dictionary + " /Length " + QByteArray::number(data.size()) +
            " >>\nstream\n");
        Raw(data);
        Raw("\nendstream\nendobj\n");
    }
    void Finish(int root, int info) {
        const qint64 xref = position_;
        QByteArray out = "xref\n0 " + QByteArray::number(offsets_.size()) + "\n0000000000 65535 f \n";
        for (std::size_t i = 1; i < offsets_.size(); ++i) {
            out += QByteArray::number(offsets_[i]).rightJustified(10, '0') + " 00000 n \n";
        }
        out += "trailer\n<< /Size " + QByteArray::number(offsets_.size()) + " /Root " + QByteArray::number(root) +
               " 0 R /Info " + QByteArray::number(info) + " 0 R >>\nstartxref\n" + QByteArray::number(xref) +
               "\n%%EOF\n";
        Raw(out);
    }

private:
    QSaveFile& file_;
    qint64 position_ = 0;
    std::vector<qint64> offsets_;
};

class PdfSink final : public PageSink {
public:
    PdfSink(PdfObjects& objects, double pageHeight) : objects_(objects), height_(pageHeight) {}

    void BeginPage() {
        content_.resize(0);  // keeps the room the last page took
        used_.clear();
        Forget();
    }
    const std::string& Content() const { return content_; }
    const std::map<int, int>& UsedFonts() const { return used_; }  // number -> first object
    std::vector<std::unique_ptr<PdfFont>>& Fonts() { return fonts_; }

    void FillRect(const QRectF& r, QRgb color) override {
        SetFill(color);
        AppendNumber(content_, r.left());
        AppendNumber(content_, height_ - r.bottom());
        AppendNumber(content_, r.width());
        AppendNumber(content_, r.height());
        content_ += "re f\n";
    }

    void Lines(const QList<QLineF>& lines, double width, QRgb color) override {
        AppendNumber(content_, width);
        content_ += "w\n";
        AppendColor(content_, color, "RG");
        for (const QLineF& line : lines) {
            AppendNumber(content_, line.x1());
            AppendNumber(content_, height_ - line.y1());
            content_ += "m ";
            AppendNumber(content_, line.x2());
            AppendNumber(content_, height_ - line.y2());
            content_ += "l\n";
        }
        content_ += "S\n";
    }

    void Glyphs(const QRawFont& font, QRgb color, const QList<quint32>& glyphs, const QList<QPointF>& positions,
                QStringView text) override {
        if (glyphs.isEmpty()) {
            return;
        }
        PdfFont& pdf = FontFor(font);
        const double size = font.pixelSize();
        Remember(pdf, font, glyphs, text);
        SetFill(color);
        content_ += "BT\n";
        if (currentFont_ != &pdf || currentSize_ != size) {
            content_ += "/F" + std::to_string(pdf.number) + ' ';
            AppendNumber(content_, size);
            content_ += "Tf\n";
            currentFont_ = &pdf;
            currentSize_ = size;
        }
        qsizetype i = 0;
        while (i < glyphs.size()) {
            const QPointF start = positions[i];
            AppendNumber(content_, 1);
            AppendNumber(content_, 0);
            AppendNumber(content_, 0);
            AppendNumber(content_, 1);
            AppendNumber(content_, start.x());
            AppendNumber(content_, height_ - start.y());
            content_ += "Tm <";
            double x = start.x();
            do {
                AppendHex4(content_, glyphs[i]);
                x += pdf.widths[glyphs[i] & 0xffff] * size / 1000.0;
                ++i;
            } while (i < glyphs.size() && positions[i].y() == start.y() && std::abs(positions[i].x() - x) < kSameX);
            content_ += "> Tj\n";
        }
        content_ += "ET\n";
    }

    void PushClip(const QRectF& r) override {
        content_ += "q\n";
        AppendNumber(content_, r.left());
        AppendNumber(content_, height_ - r.bottom());
        AppendNumber(content_, r.width());
        AppendNumber(content_, r.height());
        content_ += "re W n\n";
    }
    void PopClip() override {
        content_ += "Q\n";
        Forget();  // the state the clip began with is back
    }

private:
    void Forget() {
        currentFont_ = nullptr;
        currentSize_ = 0;
        fill_ = 0xff000000;  // PDF's initial colour: black
    }
    void SetFill(QRgb color) {
        if (color != fill_) {
            AppendColor(content_, color, "rg");
            fill_ = color;
        }
    }

    PdfFont& FontFor(const QRawFont& font) {
        const QString key = font.familyName() + QLatin1Char('|') + font.styleName() + QLatin1Char('|') +
                            QString::number(font.weight()) + QLatin1Char('|') + QString::number(int(font.style()));
        auto it = byKey_.find(key);
        if (it == byKey_.end()) {
            auto pdf = std::make_unique<PdfFont>();
            pdf->metrics = font;
            pdf->metrics.setPixelSize(1000);
            QByteArray name = (font.familyName() + QLatin1Char('-') + font.styleName()).toLatin1();
            name.replace(' ', "");
            for (char& c : name) {
                if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-') {
                    c = '_';
                }
            }
            pdf->name = name;
            pdf->number = static_cast<int>(fonts_.size()) + 1;
            pdf->firstObject = objects_.Reserve();
            for (int k = 0; k < 4; ++k) {
                objects_.Reserve();
            }
            it = byKey_.emplace(key, pdf.get()).first;
            fonts_.push_back(std::move(pdf));
        }
        used_[it->second->number] = it->second->firstObject;
        return *it->second;
    }

    // Widths of the glyphs not seen before, and which character each one shows, for the /W array and ToUnicode.
    void Remember(PdfFont& pdf, const QRawFont& font, const QList<quint32>& glyphs, QStringView text) {
        for (qsizetype i = 0; i < glyphs.size(); ++i) {
            const quint32 glyph = glyphs[i] & 0xffff;
            if (pdf.widths[glyph] < 0) {
                QPointF advance;
                pdf.metrics.advancesForGlyphIndexes(&glyph, &advance, 1, QRawFont::UseDesignMetrics);
                pdf.widths[glyph] = static_cast<int>(std::lround(advance.x()));
                if (text.size() == glyphs.size() && !text[i].isSurrogate()) {
                    pdf.characters[glyph] = text[i].unicode();
                }
            }
        }
        if (text.size() != glyphs.size()) {
            for (const QChar c : text) {
                if (c.isSurrogate()) {
                    continue;
                }
                quint32 glyph = 0;
                int count = 1;
                if (font.glyphIndexesForChars(&c, 1, &glyph, &count) && count == 1 && glyph != 0 && glyph < 0x10000 &&
                    pdf.widths[glyph] >= 0 && pdf.characters[glyph] == 0) {
                    pdf.characters[glyph] = c.unicode();
                }
            }
        }
    }

    PdfObjects& objects_;
    double height_;
    std::string content_;
    std::map<QString, PdfFont*> byKey_;
    std::vector<std::unique_ptr<PdfFont>> fonts_;
    std::map<int, int> used_;
    const PdfFont* currentFont_ = nullptr;
    double currentSize_ = 0;
    QRgb fill_ = 0xff000000;
};

QByteArray ToUnicodeMap(const PdfFont& font) {
    QByteArray out =
        "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
        "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
        "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
        "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    std::vector<std::pair<quint32, char16_t>> entries;
    for (quint32 glyph = 0; glyph < font.characters.size(); ++glyph) {
        if (font.characters[glyph] != 0) {
            entries.emplace_back(glyph, font.characters[glyph]);
        }
    }
    for (std::size_t i = 0; i < entries.size(); i += 100) {
        const std::size_t n = std::min<std::size_t>(100, entries.size() - i);
        out += QByteArray::number(qulonglong(n)) + " beginbfchar\n";
        for (std::size_t k = i; k < i + n; ++k) {
            out += '<';
            AppendHex4(out, entries[k].first);
            out += "> <";
            AppendHex4(out, entries[k].second);
            out += ">\n";
        }
        out += "endbfchar\n";
    }
    out += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
    return out;
}

void WriteFont(PdfObjects& objects, const PdfFont& font) {
    const int type0 = font.firstObject;
    QByteArray program = FontProgram(font.metrics);
    QByteArray name = font.name;
    QByteArray subset = SubsetProgram(program, font.widths);
    if (!subset.isEmpty()) {
        program = std::move(subset);
        name = SubsetTag(font.widths) + name;
    }
    const QByteArray head = font.metrics.fontTable("head");
    const int unitsPerEm = head.size() >= 54 ? std::max(16, int(quint16(BigEndian16(head, 18)))) : 1000;
    auto scaled = [&](int offset) { return QByteArray::number(BigEndian16(head, offset) * 1000 / unitsPerEm); };
    const bool italic = font.metrics.style() != QFont::StyleNormal;

    QByteArray widths = "[";
    const int glyphCount = static_cast<int>(font.widths.size());
    for (int g = 0; g < glyphCount;) {
        if (font.widths[static_cast<std::size_t>(g)] < 0) {
            ++g;
            continue;
        }
        widths += ' ' + QByteArray::number(g) + " [";
        for (; g < glyphCount && font.widths[static_cast<std::size_t>(g)] >= 0; ++g) {
            widths += QByteArray::number(font.widths[static_cast<std::size_t>(g)]) + ' ';
        }
        widths += ']';
    }
    widths += " ]";

    const QByteArray ref = " 0 R";
    objects.Object(type0, "<< /Type /Font /Subtype /Type0 /BaseFont /" + name +
                              " /Encoding /Identity-H /DescendantFonts [" + QByteArray::number(type0 + 1) + ref +
                              "] /ToUnicode " + QByteArray::number(type0 + 4) + ref + " >>");
    objects.Object(type0 + 1, "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /" + name +
                                  " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >>"
                                  " /FontDescriptor " +
                                  QByteArray::number(type0 + 2) + ref + " /CIDToGIDMap /Identity /DW 1000 /W " +
                                  widths + " >>");
    objects.Object(type0 + 2, "<< /Type /FontDescriptor /FontName /" + name + " /Flags " +
                                  QByteArray::number(italic ? 32 + 64 : 32) + " /FontBBox [" + scaled(36) + ' ' +
                                  scaled(38) + ' ' + scaled(40) + ' ' + scaled(42) + "] /ItalicAngle " +
                                  (italic ? "-12" : "0") + " /Ascent " +
                                  QByteArray::number(qRound(font.metrics.ascent())) + " /Descent " +
                                  QByteArray::number(-qRound(font.metrics.descent())) + " /CapHeight " +
                                  QByteArray::number(qRound(font.metrics.capHeight())) + " /StemV 80 /FontFile2 " +
                                  QByteArray::number(type0 + 3) + ref + " >>");
    objects.Stream(type0 + 3, "/Filter /FlateDecode /Length1 " + QByteArray::number(program.size()),
                   qCompress(program, 6).mid(4));
    objects.Stream(type0 + 4, "/Filter /FlateDecode", Compressed(ToUnicodeMap(font)));
}

}  // namespace

bool WriteOwnPdf(const ReportDocument& document, const QString& path, const PageProgress& progress) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        throw ReportError(QString::fromUtf16(kCannotWrite).arg(path, file.errorString()));
    }
    try {
        PdfObjects objects(file);
        const int catalog = objects.Reserve();
        const int pagesTree = objects.Reserve();
        const int info = objects.Reserve();
        objects.Raw("%PDF-1.4\n%\xe2\xe3\xcf\xd3\n");

        const QSizeF paper = document.definition.page.paperMm * kPointsPerMm;
        QByteArray mediaBox = "[0 0 ";
        AppendNumber(mediaBox, paper.width());
        AppendNumber(mediaBox, paper.height());
        mediaBox += ']';

        PageRenderer renderer(document);
        PdfSink sink(objects, paper.height());
        std::vector<int> kids;
        const int total = static_cast<int>(document.pages.size());
        for (int p = 0; p < total; ++p) {
            sink.BeginPage();
            renderer.Draw(sink, document.pages[static_cast<std::size_t>(p)]);
            const int page = objects.Reserve();
            const int content = objects.Reserve();
            QByteArray fonts;
            for (const auto& [number, object] : sink.UsedFonts()) {
                fonts += "/F" + QByteArray::number(number) + ' ' + QByteArray::number(object) + " 0 R ";
            }
            objects.Stream(content, "/Filter /FlateDecode", Compressed(sink.Content().data(), sink.Content().size()));
            objects.Object(page, "<< /Type /Page /Parent " + QByteArray::number(pagesTree) + " 0 R /MediaBox " +
                                     mediaBox + " /Resources << /Font << " + fonts +
                                     ">> /ProcSet [/PDF /Text] >> /Contents " + QByteArray::number(content) +
                                     " 0 R >>");
            kids.push_back(page);
            if (progress) {
                progress(p + 1, total);
            }
        }
        for (const auto& font : sink.Fonts()) {
            WriteFont(objects, *font);
        }
        QByteArray kidList;
        for (const int kid : kids) {
            kidList += QByteArray::number(kid) + " 0 R ";
        }
        objects.Object(pagesTree, "<< /Type /Pages /Kids [" + kidList + "] /Count " +
                                      QByteArray::number(qulonglong(kids.size())) + " >>");
        objects.Object(catalog, "<< /Type /Catalog /Pages " + QByteArray::number(pagesTree) + " 0 R >>");
        objects.Object(info, "<< /Title " + HexUtf16(document.definition.page.title) +
                                 " /Creator (Zarudedu RS5) /Producer (Zarudedu RS5) >>");
        objects.Finish(catalog, info);
    } catch (const NoTrueType&) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        throw ReportError(QString::fromUtf16(kCannotWrite).arg(path, file.errorString()));
    }
    return true;
}

}  // namespace report
