#pragma once

#include <QObject>

class RowKeysTest : public QObject {
    Q_OBJECT

private slots:
    void followsPlainList_data();
    void followsPlainList();
};
