#include "app/MeasurementGrid.h"
#include "app/TM.h"
#include "store/MeasurementTable.h"
#include "store/jet/JetImport.h"
#include "tests/QtTestRunner.h"
#include "tests/app/TestSupport.h"
#include "ui/MessageBox.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {

const QString kSamples = QStringLiteral(RS5_JET_SAMPLES);

QByteArray Bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Puts a copy of the sample in the working folder under `name`.
void Place(const QString& sample, const QString& name) {
    QVERIFY(QFile::copy(kSamples + '/' + sample, name));
    QFile::setPermissions(name, QFile::ReadOwner | QFile::WriteOwner);
}

// The databases in the working folder; an open working database has its journal files beside it.
QStringList Listing() {
    QStringList files = QDir::current().entryList(QDir::Files | QDir::Hidden, QDir::Name);
    files.removeIf([](const QString& name) { return name.endsWith("-wal") || name.endsWith("-shm"); });
    return files;
}

}  // namespace

// Start-up with an old working database in the Jet format as "sys.mdb".
class JetStartupTest : public WindowTestCase {
    Q_OBJECT

private slots:

    void okImportsTheRowsAndTheTableShowsThem() {
        Place("synthetic-sys-jet4.mdb", "sys.mdb");
        const QByteArray jet = Bytes("sys.mdb");
        MessageBox::QueueAnswer(MessageBox::Answer::Ok);
        TM m;

        const auto shown = MessageBox::TakeRecorded();
        QCOMPARE(shown.size(), size_t(2));
        QCOMPARE(int(shown[0].icon), int(MessageBox::Icon::Information));
        QCOMPARE(int(shown[0].buttons), int(MessageBox::Buttons::OkCancel));
        QVERIFY2(shown[0].text.contains(QStringLiteral("Файл «sys.mdb» в рабочей папке")), qPrintable(shown[0].text));
        QVERIFY2(shown[0].text.contains(QStringLiteral("«sys.jet.mdb»")), qPrintable(shown[0].text));
        QCOMPARE(shown[1].text,
                 QStringLiteral("Записей перенесено: 4995. Прежний файл сохранён под именем «sys.jet.mdb»."));
        QCOMPARE(int(shown[1].buttons), int(MessageBox::Buttons::Ok));

        QVERIFY(m.Table().IsOpen());
        QCOMPARE(m.Table().RowCount(), 4995);
        QCOMPARE(m.Grid()->model()->rowCount(), 4995);
        QCOMPARE(m.Grid()->model()->index(4, 0).data().toString(), QStringLiteral("5"));
        QCOMPARE(Listing(), QStringList({"sys.jet.mdb", "sys.mdb"}));
        QCOMPARE(Bytes("sys.jet.mdb"), jet);  // the Jet file only changed its name
        QVERIFY(!JetImport::IsJetDatabase("sys.mdb"));
    }

    void cancelGoesOnWithTheTableClosedAndChangesNothing() {
        Place("synthetic-sys-jet4.mdb", "sys.mdb");
        const QByteArray jet = Bytes("sys.mdb");
        MessageBox::QueueAnswer(MessageBox::Answer::Cancel);
        TM m;
        m.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m));

        const auto shown = MessageBox::TakeRecorded();
        QCOMPARE(shown.size(), size_t(1));  // the question instead of the database errors
        QCOMPARE(int(shown[0].buttons), int(MessageBox::Buttons::OkCancel));
        QVERIFY(!m.Table().IsOpen());
        QCOMPARE(m.Grid()->model()->rowCount(), 0);
        QCOMPARE(Listing(), QStringList({"sys.mdb"}));
        QCOMPARE(Bytes("sys.mdb"), jet);
    }

    void aFailedImportIsShownAndTheJetFileKeepsItsName() {
        Place("jackcess-testV1997.mdb", "sys.mdb");
        const QByteArray jet = Bytes("sys.mdb");
        MessageBox::QueueAnswer(MessageBox::Answer::Ok);
        TM m;

        const auto shown = MessageBox::TakeRecorded();
        QCOMPARE(shown.size(), size_t(2));
        QCOMPARE(int(shown[1].icon), int(MessageBox::Icon::Stop));
        QVERIFY2(shown[1].text.contains(QStringLiteral("cannot be imported: it has no table Sys.")),
                 qPrintable(shown[1].text));
        QVERIFY(!m.Table().IsOpen());
        QCOMPARE(Listing(), QStringList({"sys.mdb"}));
        QCOMPARE(Bytes("sys.mdb"), jet);
    }

    void aTakenNameForTheJetFileIsLeftAlone() {
        Place("synthetic-sys-jet4.mdb", "sys.mdb");
        QFile taken("sys.jet.mdb");
        QVERIFY(taken.open(QIODevice::WriteOnly));
        taken.write("kept");
        taken.close();
        MessageBox::QueueAnswer(MessageBox::Answer::Ok);
        TM m;

        const auto shown = MessageBox::TakeRecorded();
        QVERIFY(!shown.empty());
        QVERIFY2(shown[0].text.contains(QStringLiteral("«sys.jet-2.mdb»")), qPrintable(shown[0].text));
        QCOMPARE(m.Table().RowCount(), 4995);
        QCOMPARE(Listing(), QStringList({"sys.jet-2.mdb", "sys.jet.mdb", "sys.mdb"}));
        QCOMPARE(Bytes("sys.jet.mdb"), QByteArray("kept"));
    }
};

RS5_TEST_CLASS(JetStartupTest);
#include "JetStartupTest.moc"
