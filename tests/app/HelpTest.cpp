#include "app/HelpDocument.h"
#include "tests/QtTestRunner.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

#include <cmath>

class HelpTest : public QObject {
    Q_OBJECT

private slots:
    void theGuideHasItsContentsAndSections() {
        const QString html = HelpDocument::Load(QStringLiteral(RS5_HELP_SOURCE));
        QVERIFY(html.contains(QStringLiteral("Содержание")));
        // Every entry of the contents leads to its section.
        for (const char* anchor :
             {"start", "connect", "download", "edit", "delete", "save", "export", "print", "stats"}) {
            QVERIFY2(html.contains(QStringLiteral("href=\"#%1\"").arg(anchor)), anchor);
            QVERIFY2(html.contains(QStringLiteral("name=\"%1\"").arg(anchor)), anchor);
        }
    }

    // The guide carries its screenshots inside (no file beside it to lose): each one is a whole screen, and the
    // rich text engine of the help browser draws that very picture (a picture it cannot load comes out as an icon).
    void theScreenshotsShowWhereTheBrowserDrawsThem() {
        const QString html = HelpDocument::Load(QStringLiteral(RS5_HELP_SOURCE));
        int images = 0;
        auto found = QRegularExpression(QStringLiteral("<img src=\"data:image/png;base64,([^\"]+)\" width=\"(\\d+)\" "
                                                       "height=\"(\\d+)\"[^>]*>"))
                         .globalMatch(html);
        while (found.hasNext()) {
            const QRegularExpressionMatch image = found.next();
            const QImage shot = QImage::fromData(QByteArray::fromBase64(image.captured(1).toLatin1()));
            QCOMPARE(shot.size(), QSize(1366, 768));
            const QSize shown(image.captured(2).toInt(), image.captured(3).toInt());
            const QImage expected = shot.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);

            QTextDocument document;
            document.setDocumentMargin(0);
            document.setHtml(image.captured(0));
            QImage drawn(shown, QImage::Format_RGB32);
            drawn.fill(Qt::white);
            QPainter painter(&drawn);
            document.drawContents(&painter);
            painter.end();
            double difference = 0;
            int samples = 0;
            for (int y = 2; y < shown.height() - 2; y += 7) {
                for (int x = 2; x < shown.width() - 2; x += 7) {
                    const QRgb a = drawn.pixel(x, y);
                    const QRgb b = expected.pixel(x, y);
                    difference += std::abs(qGray(a) - qGray(b));
                    ++samples;
                }
            }
            QVERIFY2(difference / samples < 16, qPrintable(QString::number(difference / samples)));
            ++images;
        }
        QCOMPARE(images, 1);
    }

    void unusableFilesAreReported_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << QByteArray() << false << QString::fromUtf16(HelpDocument::kMissing);
        QTest::newRow("not UTF-8") << QByteArray("<html>\xff\xfe\x00\x81</html>", 17) << true
                                   << QString::fromUtf16(HelpDocument::kDamaged);
        QTest::newRow("not HTML") << QByteArray("Справка") << true << QString::fromUtf16(HelpDocument::kDamaged);
        QTest::newRow("cut short") << QByteArray("<html><body><h1>Справка") << true
                                   << QString::fromUtf16(HelpDocument::kDamaged);
        QTest::newRow("too large") << QByteArray("<html>") + QByteArray(HelpDocument::kMaxSize, ' ') + "</html>" << true
                                   << QString::fromUtf16(HelpDocument::kDamaged);
    }
    void unusableFilesAreReported() {
        QFETCH(QByteArray, content);
        QFETCH(bool, exists);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString path = dir.filePath("DADOZURA-RS5.HLP");
        if (exists) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        try {
            HelpDocument::Load(path);
            QFAIL("the file was accepted");
        } catch (const HelpFileError& error) {
            QCOMPARE(QString::fromUtf8(error.what()), message.arg(path));
        }
    }
};

RS5_TEST_CLASS(HelpTest);

#include "HelpTest.moc"
