#pragma once

#include "store/MeasurementTable.h"
#include "store/TableObserver.h"

#include <QStringList>

// Logs every notification and checks that each Begin… is followed by its End… with the table already changed:
// the visible row count seen at End… must differ from the one at Begin… by the change announced.
class RecordingObserver final : public TableObserver {
public:
    explicit RecordingObserver(const MeasurementTable& table) : table_(table) {}

    QStringList log;
    QStringList faults;

    void BeginReset() override { Begin(QStringLiteral("reset"), 0); }
    void EndReset() override { End(QStringLiteral("reset")); }
    void BeginInsertRow(int row) override { Begin(QStringLiteral("insert %1").arg(row), +1); }
    void EndInsertRow() override { End(QStringLiteral("insert")); }
    void BeginRemoveRow(int row) override { Begin(QStringLiteral("remove %1").arg(row), -1); }
    void EndRemoveRow() override { End(QStringLiteral("remove")); }
    void RowChanged(int row) override {
        CheckOutside();
        log << QStringLiteral("changed %1").arg(row);
    }
    void CurrentRowChanged(int row) override {
        CheckOutside();
        log << QStringLiteral("current %1").arg(row);
    }

private:
    void Begin(const QString& what, int delta) {
        CheckOutside();
        open_ = what.section(QLatin1Char(' '), 0, 0);
        countAtBegin_ = table_.VisibleRowCount();
        delta_ = delta;
        log << what;
    }
    void End(const QString& what) {
        if (open_ != what) {
            faults << QStringLiteral("end %1 without begin").arg(what);
        } else if (delta_ != 0 && table_.VisibleRowCount() != countAtBegin_ + delta_) {
            faults << QStringLiteral("%1: count %2 -> %3").arg(what).arg(countAtBegin_).arg(table_.VisibleRowCount());
        }
        open_.clear();
    }
    void CheckOutside() {
        if (!open_.isEmpty()) {
            faults << QStringLiteral("notification inside %1").arg(open_);
        }
    }

    const MeasurementTable& table_;
    QString open_;
    int countAtBegin_ = 0;
    int delta_ = 0;
};
