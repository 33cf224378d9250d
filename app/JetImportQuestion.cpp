#include "app/JetImportQuestion.h"

#include "app/Confirmation.h"
#include "app/ErrorBox.h"
#include "store/MeasurementTable.h"
#include "store/jet/JetImport.h"
#include "ui/MessageBox.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const char16_t* const kQuestion =
    u"Файл «%1» в рабочей папке — рабочая база данных прежнего формата (Microsoft Jet), программа не может "
    u"открыть её. Перенести её записи в новую рабочую базу данных?\n\n"
    u"Прежний файл будет сохранён рядом без изменений под именем «%2».";
const char16_t* const kDoneNotice = u"Записей перенесено: %1. Прежний файл сохранён под именем «%2».";
const char* const kRenameMessage = "The file '%1' cannot be renamed to '%2'.";

// "sys.jet.mdb" beside "sys.mdb", or the first of "sys.jet-2.mdb", "sys.jet-3.mdb", ... that is free.
QString KeptName(const QString& databaseName) {
    const QFileInfo database(databaseName);
    const QString base = database.completeBaseName();
    const QString suffix = database.suffix().isEmpty() ? QString() : QLatin1Char('.') + database.suffix();
    for (int n = 1;; ++n) {
        const QString name =
            base + QStringLiteral(".jet") + (n == 1 ? QString() : QStringLiteral("-%1").arg(n)) + suffix;
        const QString path = database.dir().filePath(name);
        if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink()) {
            return path;
        }
    }
}

class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

bool OfferJetImport(QWidget* parent, const QString& databaseName) {
    if (!JetImport::IsJetDatabase(databaseName)) {
        return true;
    }
    const QString keptName = KeptName(databaseName);
    const QString question =
        QString::fromUtf16(kQuestion).arg(QFileInfo(databaseName).fileName(), QFileInfo(keptName).fileName());
    if (!Confirm(parent, question)) {
        return false;
    }
    int rows = -1;
    ErrorBox::RunCommand([&] {
        const WaitCursor wait;
        // Renaming never replaces a file; the import reads the Jet file only.
        if (!QFile::rename(databaseName, keptName)) {
            throw TableError(QString::fromLatin1(kRenameMessage).arg(databaseName, keptName));
        }
        try {
            rows = JetImport::ImportJetDatabase(keptName, databaseName);
        } catch (...) {
            QFile::rename(keptName, databaseName);  // leaves nothing new behind: as it was before the question
            throw;
        }
    });
    if (rows < 0) {
        return false;
    }
    MessageBox::Show(parent, MessageBox::Icon::Information, QStringLiteral("Information"),
                     QString::fromUtf16(kDoneNotice).arg(rows).arg(QFileInfo(keptName).fileName()));
    return true;
}
