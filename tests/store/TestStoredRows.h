#pragma once

#include <QObject>

class TestStoredRows : public QObject {
    Q_OBJECT

private slots:
    void followsPlainList_data();
    void followsPlainList();
};
