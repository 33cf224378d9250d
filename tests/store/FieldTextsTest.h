#pragma once

#include <QObject>

class FieldTextsTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup();
    void numberText_data();
    void numberText();
    void displayAndPlainTexts_data();
    void displayAndPlainTexts();
    void setFieldConverts_data();
    void setFieldConverts();
    void timeInTheSkippedHourIsKept();
    void timeFormatWithoutZone_data();
    void timeFormatWithoutZone();
    void twoDigitYearsMeanTheNearest_data();
    void twoDigitYearsMeanTheNearest();
    void everyLocaleReadsBackItsOwnTexts();
};
