#pragma once

#include <QLocale>
#include <QTranslator>

// Qt's own texts in a language: the platform's file dialogs, standard buttons and the like, from Qt's "qtbase"
// catalogue in Qt's translations folder. The program's own texts are not translated. Installed into the
// application while it lives; without a catalogue for the locale (or for "C") Qt keeps its English texts.
class QtTranslations {
public:
    explicit QtTranslations(const QLocale& locale);
    ~QtTranslations();
    QtTranslations(const QtTranslations&) = delete;
    QtTranslations& operator=(const QtTranslations&) = delete;

    bool IsInstalled() const { return installed_; }

private:
    QTranslator translator_;
    bool installed_ = false;
};
