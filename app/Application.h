#pragma once

#include "app/QtTranslations.h"

#include <QApplication>
#include <QString>

// The program's application object: its title, its window icon, its help file, Qt's own texts in the system's
// language, and the last net for errors raised while an event is handled, so that no exception ever leaves the
// event loop.
class Application : public QApplication {
    Q_OBJECT

public:
    Application(int& argc, char** argv);

    // "Zarudedu-РС5 Нирма": the caption of the error box.
    static QString Title();

    // The application's help file unless set otherwise: "DADOZURA-RS5.HLP" beside the executable, else the one in
    // ../share/zarudedu-rs5/ from there (an installed program); when neither exists, the one beside.
    static QString HelpFile();
    static void SetHelpFile(const QString& path);

    bool notify(QObject* receiver, QEvent* event) override;

private:
    static QString helpFile_;
    QtTranslations qtTranslations_{QLocale::system()};
};
