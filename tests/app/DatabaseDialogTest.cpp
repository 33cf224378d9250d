#include "app/DatabaseDialog.h"
#include "tests/QtTestRunner.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

// The choice of the working database: "sys.mdb" or a server, and the check of a server's connection.
class DatabaseDialogTest : public QObject {
    Q_OBJECT

private slots:
    void choosesFileOrServerAndChecksTheConnection() {
        QStringList checked;
        DatabaseDialog dialog(nullptr, [&](const QString& connection) {
            checked << connection;
            return connection.contains(QLatin1String("lab")) ? QString() : QStringLiteral("could not connect");
        });
        QVERIFY(dialog.FileChoice()->isChecked());
        QVERIFY(!dialog.ConnectionEdit()->isEnabled());
        QCOMPARE(dialog.Connection(), QString());

        // A server needs a connection string before it can be checked or chosen.
        dialog.ServerChoice()->setChecked(true);
        QVERIFY(!dialog.OkButton()->isEnabled());
        QVERIFY(!dialog.CheckButton()->isEnabled());
        QTest::keyClicks(dialog.ConnectionEdit(), QStringLiteral(" service=rs5 "));
        QVERIFY(dialog.OkButton()->isEnabled());
        QTest::mouseClick(dialog.CheckButton(), Qt::LeftButton);
        QCOMPARE(dialog.CheckResult()->text(),
                 QString::fromUtf16(DatabaseDialog::kFailedText).arg(QStringLiteral("could not connect")));
        dialog.SetConnection(QStringLiteral("postgresql://lab-server/rs5"));
        QVERIFY(dialog.CheckResult()->text().isEmpty());  // an old result does not stand for a new connection
        QTest::mouseClick(dialog.CheckButton(), Qt::LeftButton);
        QCOMPARE(dialog.CheckResult()->text(), QString::fromUtf16(DatabaseDialog::kCheckedText));
        QCOMPARE(checked, (QStringList{QStringLiteral("service=rs5"), QStringLiteral("postgresql://lab-server/rs5")}));
        QCOMPARE(dialog.Connection(), QStringLiteral("postgresql://lab-server/rs5"));

        // Back to the file: the text stays for later, but names no server.
        dialog.FileChoice()->setChecked(true);
        QCOMPARE(dialog.Connection(), QString());
        QVERIFY(dialog.OkButton()->isEnabled());
        QCOMPARE(dialog.ConnectionEdit()->text(), QStringLiteral("postgresql://lab-server/rs5"));
    }
};

RS5_TEST_CLASS(DatabaseDialogTest);
#include "DatabaseDialogTest.moc"
