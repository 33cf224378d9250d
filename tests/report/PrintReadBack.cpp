#include "tests/report/PrintReadBack.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

namespace rs5test {

QString ReadTextFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).trimmed() : QString();
}

QString RunProgram(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString PrintedPage::Text() const {
    QStringList texts;
    for (const PrintedWord& word : words) {
        texts << word.text;
    }
    return texts.join(QLatin1Char(' '));
}

QString PrintedPage::Outside() const {
    const QRectF paper(QPointF(0, 0), sheet);
    for (const PrintedWord& word : words) {
        if (!paper.adjusted(-0.5, -0.5, 0.5, 0.5).contains(word.box)) {
            return word.text;
        }
    }
    return {};
}

bool PrintedPage::InkWithin(double gap) const {
    return QRectF(QPointF(0, 0), sheet).adjusted(gap, gap, -gap, -gap).contains(inked);
}

QString PrintedPage::InkText() const {
    return QStringLiteral("ink at %1,%2 %3x%4 on %5x%6")
        .arg(inked.x())
        .arg(inked.y())
        .arg(inked.width())
        .arg(inked.height())
        .arg(sheet.width())
        .arg(sheet.height());
}

std::vector<FileQueue> FileQueues(const QString& state) {
    std::vector<FileQueue> queues;
    for (const QString& line : ReadTextFile(state + QStringLiteral("/file-queues")).split(QLatin1Char('\n'))) {
        const QStringList parts = line.split(QLatin1Char(' '));
        if (parts.size() == 3) {
            queues.push_back({parts[0], parts[1], parts[2]});
        }
    }
    return queues;
}

QString ReadBackJob(const FileQueue& queue, const QString& dir) {
    QDeadlineTimer deadline(120000);
    while (!deadline.hasExpired()) {
        QProcess lpstat;
        lpstat.start(QStringLiteral("lpstat"), {QStringLiteral("-o"), queue.name});
        lpstat.waitForFinished(30000);
        const bool idle = lpstat.readAllStandardOutput().trimmed().isEmpty();
        if (idle && QFileInfo(queue.file).size() > 0) {
            break;
        }
        QTest::qWait(200);
    }
    if (QFileInfo(queue.file).size() <= 0) {
        return {};
    }
    const QString pdf = dir + QLatin1Char('/') + queue.name + QStringLiteral(".pdf");
    QFile::remove(pdf);
    if (queue.format == QLatin1String("ps")) {
        RunProgram(QStringLiteral("gs"), {QStringLiteral("-q"), QStringLiteral("-dNOPAUSE"), QStringLiteral("-dBATCH"),
                                          QStringLiteral("-dSAFER"), QStringLiteral("-sDEVICE=pdfwrite"),
                                          QStringLiteral("-o"), pdf, queue.file});
    } else {
        QFile::copy(queue.file, pdf);
    }
    return pdf;
}

std::vector<PrintedPage> ReadPages(const QString& pdf) {
    std::vector<PrintedPage> pages;
    QXmlStreamReader xml(RunProgram(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")}));
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        const auto a = xml.attributes();
        if (xml.name() == QLatin1String("page")) {
            pages.push_back(
                {QSizeF(a.value(QLatin1String("width")).toDouble(), a.value(QLatin1String("height")).toDouble()),
                 {},
                 {}});
        } else if (xml.name() == QLatin1String("word") && !pages.empty()) {
            const QRectF box(
                QPointF(a.value(QLatin1String("xMin")).toDouble(), a.value(QLatin1String("yMin")).toDouble()),
                QPointF(a.value(QLatin1String("xMax")).toDouble(), a.value(QLatin1String("yMax")).toDouble()));
            pages.back().words.push_back({box, xml.readElementText()});
        }
    }
    QTemporaryDir dir;
    constexpr int kDpi = 36;
    RunProgram(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(kDpi), QStringLiteral("-gray"), pdf,
                                            dir.filePath(QStringLiteral("page"))});
    const QStringList images = QDir(dir.path()).entryList({QStringLiteral("page*.pgm")}, QDir::Files, QDir::Name);
    for (qsizetype i = 0; i < images.size() && i < static_cast<qsizetype>(pages.size()); ++i) {
        const QImage image = QImage(dir.filePath(images[i])).convertToFormat(QImage::Format_Grayscale8);
        QRect ink;
        for (int y = 0; y < image.height(); ++y) {
            const uchar* line = image.constScanLine(y);
            for (int x = 0; x < image.width(); ++x) {
                if (line[x] < 160) {
                    ink = ink.united(QRect(x, y, 1, 1));
                }
            }
        }
        const double scale = 72.0 / kDpi;
        pages[static_cast<std::size_t>(i)].inked =
            QRectF(ink.x() * scale, ink.y() * scale, ink.width() * scale, ink.height() * scale);
    }
    return pages;
}

}  // namespace rs5test
