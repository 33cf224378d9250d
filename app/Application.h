#pragma once

#include "QtTranslations.h"

#include <QApplication>
#include <QString>

// The program's application object: its title, its help file, Qt's own texts in the system's language, and the
// last net for errors raised while an event is handled, so that no exception ever leaves the event loop.
class Application : public QApplication {
    Q_OBJECT

public:
    Application(int& argc, char** argv);

    // "Zarudedu-РС5 Нирма": the caption of the error box.
    static QString Title();

    // The application's help file: "DADOZURA-RS5.HLP" beside the executable unless set otherwise.
    static QString HelpFile();
    static void SetHelpFile(const QString& path);

    bool notify(QObject* receiver, QEvent* event) override;

private:
    static QString helpFile_;
    QtTranslations qtTranslations_{QLocale::system()};
};
