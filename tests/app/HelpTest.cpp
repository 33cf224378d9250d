#include "app/HelpDocument.h"
#include "tests/QtTestRunner.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class HelpTest : public QObject {
    Q_OBJECT

private slots:
    void theGuideHasItsContentsAndSections() {
        const QString html = HelpDocument::Load(QStringLiteral(RS5_HELP_SOURCE));
        QVERIFY(html.contains(QStringLiteral("Содержание")));
        // Every entry of the contents leads to its section.
        for (const char* anchor : {"start", "connect", "download", "edit", "delete", "save", "export", "print"}) {
            QVERIFY2(html.contains(QStringLiteral("href=\"#%1\"").arg(anchor)), anchor);
            QVERIFY2(html.contains(QStringLiteral("name=\"%1\"").arg(anchor)), anchor);
        }
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
