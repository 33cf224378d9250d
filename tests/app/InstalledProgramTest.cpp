#include "app/Application.h"
#include "app/DataFolder.h"
#include "app/ProgramWindows.h"
#include "app/TM.h"
#include "archive/Unit1.h"
#include "store/MeasurementTable.h"
#include "tests/QtTestRunner.h"
#include "tests/app/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <sqlite3.h>

namespace {

// Sets an environment variable for one test, restoring the previous state afterwards.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const QByteArray& value)
        : name_(name), had_(qEnvironmentVariableIsSet(name)), previous_(qgetenv(name)) {
        qputenv(name, value);
    }
    ~ScopedEnvironment() {
        if (had_) {
            qputenv(name_, previous_);
        } else {
            qunsetenv(name_);
        }
    }

private:
    const char* name_;
    bool had_;
    QByteArray previous_;
};

// Runs SQL on a database file as another program would; returns the first column of the first row, if any.
QString Sql(const QString& database, const char* statement) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(database.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return QStringLiteral("cannot open");
    }
    sqlite3_stmt* query = nullptr;
    QString result;
    if (sqlite3_prepare_v2(db, statement, -1, &query, nullptr) == SQLITE_OK && sqlite3_step(query) == SQLITE_ROW) {
        result = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(query, 0)));
    }
    sqlite3_finalize(query);
    sqlite3_close(db);
    return result;
}

}  // namespace

// What the installed program relies on: the user's data folder behind --data-folder, the help file in
// ../share/zarudedu-rs5/, and the icon of every window.
class InstalledProgramTest : public QObject {
    Q_OBJECT

private slots:
    void theFirstStartMakesTheFolderAndAnEmptyDatabaseWhichLaterStartsKeep() {
        WorkingFolder start;
        const ScopedEnvironment xdg("XDG_DATA_HOME", start.File("data/home").toUtf8());
        const QString folder = DataFolder::DefaultPath();
        QCOMPARE(folder, start.File("data/home/zarudedu-rs5"));

        DataFolder::Enter(folder);
        QCOMPARE(QDir::currentPath(), folder);
        const QString database = QDir(folder).filePath("sys.mdb");
        QCOMPARE(Sql(database, "select count(*) from Sys"), QStringLiteral("0"));
        // The measurements are the user's: every folder made on the way is the owner's alone.
        const auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                               QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser;
        QCOMPARE(QFileInfo(folder).permissions(), ownerOnly);
        QCOMPARE(QFileInfo(start.File("data")).permissions(), ownerOnly);

        Sql(database, "insert into Sys (NN, Op) values (1, 'первая'), (2, 'вторая')");
        QVERIFY(QDir::setCurrent(start.Path()));
        DataFolder::Enter(folder);
        QCOMPARE(QDir::currentPath(), folder);
        QCOMPARE(Sql(database, "select count(*) from Sys"), QStringLiteral("2"));
        {
            // The program started there shows them.
            const ProgramWindows windows;
            QCOMPARE(windows.M().Table().RowCount(), 2);
            windows.M().CloseTable();
        }
        QVERIFY(QDir::setCurrent(start.Path()));
    }

    // Only a folder with nothing in it is taken for a first start; anything the user put there is left alone, as a
    // folder without "sys.mdb" is anywhere else.
    void anExistingFolderGetsADatabaseOnlyWhenItHoldsNothing_data() {
        QTest::addColumn<QString>("content");
        QTest::addColumn<bool>("created");
        QTest::newRow("empty folder") << QString() << true;
        QTest::newRow("leftover of an interrupted first start") << "sys.mdb.tmp-Ab3dEf" << true;
        QTest::newRow("a saved table file") << "A.db" << false;
        QTest::newRow("a hidden file") << ".directory" << false;
        QTest::newRow("the database renamed by the Jet import") << "sys.jet.mdb" << false;
    }
    void anExistingFolderGetsADatabaseOnlyWhenItHoldsNothing() {
        QFETCH(QString, content);
        QFETCH(bool, created);
        WorkingFolder start;
        const QString folder = start.File("zarudedu-rs5");
        QVERIFY(QDir().mkdir(folder));
        if (!content.isEmpty()) {
            QFile file(QDir(folder).filePath(content));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        DataFolder::Enter(folder);
        QCOMPARE(QDir::currentPath(), folder);
        QCOMPARE(QFileInfo::exists(QDir(folder).filePath("sys.mdb")), created);
        QVERIFY(QDir::setCurrent(start.Path()));
    }

    void theDataFolderFollowsXdgDataHome_data() {
        QTest::addColumn<QByteArray>("xdgDataHome");
        QTest::addColumn<QString>("expected");  // relative to the home folder, or absolute
        QTest::newRow("absolute") << QByteArray("/srv/lab data") << "/srv/lab data/zarudedu-rs5";
        QTest::newRow("not set") << QByteArray() << ".local/share/zarudedu-rs5";
        QTest::newRow("relative, which does not count") << QByteArray("lab") << ".local/share/zarudedu-rs5";
    }
    void theDataFolderFollowsXdgDataHome() {
        QFETCH(QByteArray, xdgDataHome);
        QFETCH(QString, expected);
        WorkingFolder home;
        const ScopedEnvironment homeVariable("HOME", home.Path().toUtf8());
        const ScopedEnvironment xdg("XDG_DATA_HOME", xdgDataHome);
        QCOMPARE(DataFolder::DefaultPath(), QDir(home.Path()).filePath(expected));
    }

    // The data folder is hidden: the file dialogs of a program working there start in the user's documents instead,
    // or at home where there is no such folder.
    void fileDialogsOfTheDataFolderStartInTheDocuments() {
        WorkingFolder home;
        const ScopedEnvironment homeVariable("HOME", home.Path().toUtf8());
        const ScopedEnvironment config("XDG_CONFIG_HOME", home.File(".config").toUtf8());
        QCOMPARE(DataFolder::DocumentsFolder(), home.Path());
        QVERIFY(QDir(home.Path()).mkdir("Documents"));
        QCOMPARE(DataFolder::DocumentsFolder(), home.File("Documents"));
        // The folder the desktop names for documents, in the user's language.
        QVERIFY(QDir(home.Path()).mkpath(".config") && QDir(home.Path()).mkdir("Документы"));
        QFile names(home.File(".config/user-dirs.dirs"));
        QVERIFY(names.open(QIODevice::WriteOnly));
        names.write("XDG_DOCUMENTS_DIR=\"$HOME/Документы\"\n");
        names.close();
        QCOMPARE(DataFolder::DocumentsFolder(), home.File("Документы"));
    }

    void aFolderThatCannotBeMadeIsReportedAndTheWorkingDirectoryStays() {
        WorkingFolder start;
        QFile blocker(start.File("data"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));  // a file where a folder should be made
        const QString folder = start.File("data/zarudedu-rs5");
        try {
            DataFolder::Enter(folder);
            QFAIL("a folder under a file was entered");
        } catch (const DataFolder::Error& error) {
            QCOMPARE(QString::fromUtf8(error.what()), QString::fromUtf16(DataFolder::kCannotCreate).arg(folder));
        }
        QCOMPARE(QDir::currentPath(), start.Path());
    }

    void theInstalledHelpFileIsFoundFromTheExecutable() {
        const QDir programFolder(QCoreApplication::applicationDirPath());
        const QString beside = programFolder.filePath("DADOZURA-RS5.HLP");
        const QString shareFolder = programFolder.filePath("../share/zarudedu-rs5");
        if (QFileInfo::exists(beside) || QFileInfo::exists(shareFolder)) {
            QSKIP("a help file is already where this test would put one");
        }
        QCOMPARE(Application::HelpFile(), beside);
        QVERIFY(QDir().mkpath(shareFolder));
        const QString installed = QDir::cleanPath(shareFolder + "/DADOZURA-RS5.HLP");
        QVERIFY(QFile::copy(QStringLiteral(RS5_HELP_SOURCE), installed));
        const QString found = Application::HelpFile();
        QVERIFY(QFile::copy(QStringLiteral(RS5_HELP_SOURCE), beside));
        const QString foundWithBoth = Application::HelpFile();
        QFile::remove(beside);
        QDir(shareFolder).removeRecursively();
        QDir(programFolder.filePath("../share")).rmdir(".");
        QCOMPARE(found, installed);
        QCOMPARE(foundWithBoth, beside);
    }

    void everyWindowShowsTheProgramIcon() {
        const QIcon icon = QApplication::windowIcon();
        QVERIFY(icon.availableSizes().contains(QSize(48, 48)));
        QVERIFY(icon.availableSizes().contains(QSize(256, 256)));
        QVERIFY(!icon.pixmap(48).toImage().isNull());
        WorkingFolder start;
        CreateDatabaseWithRows({});
        const ProgramWindows windows;
        for (QWidget* window : {static_cast<QWidget*>(&windows.M()), static_cast<QWidget*>(&windows.Form1())}) {
            QCOMPARE(window->windowIcon().cacheKey(), icon.cacheKey());
        }
    }
};

RS5_TEST_CLASS(InstalledProgramTest);

#include "InstalledProgramTest.moc"
