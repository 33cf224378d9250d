#pragma once

#include <QObject>

class WallClockTimeTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup();
    void ordersAsTheTimesDo_data();
    void ordersAsTheTimesDo();
    void validFields_data();
    void validFields();
    void databaseText_data();
    void databaseText();
    void fileFormatsKeepTheFields_data();
    void fileFormatsKeepTheFields();
    void dateTimeEdge_data();
    void dateTimeEdge();
    void skippedHourIsShownAsTheMeterShowedIt();
};
