#pragma once

#include <QObject>

class StoredRowsTest : public QObject {
    Q_OBJECT

private slots:
    void followsPlainList_data();
    void followsPlainList();
};
