#pragma once

#include "store/MeasurementTable.h"
#include "store/TableSource.h"

#include <QStringList>

#include <algorithm>

// A source that keeps its rows in a plain list and logs what it is told; a test can make the next change fail.
class MemorySource final : public TableSource {
public:
    struct Shared {
        std::vector<SourceRow> rows;
        QStringList log;
        SourceKey nextKey = 1;
        bool failNextChange = false;
        bool failOpen = false;
    };

    explicit MemorySource(Shared& shared) : shared_(shared) {}

    void Connect() override { shared_.log << QStringLiteral("connect"); }
    std::vector<SourceRow> ReadAll() override {
        if (shared_.failOpen) {
            throw TableError(QStringLiteral("cannot open"));
        }
        shared_.log << QStringLiteral("read");
        return shared_.rows;
    }
    void Disconnect() override { shared_.log << QStringLiteral("disconnect"); }
    SourceKey Insert(MeasurementRow& row) override {
        FailIfAsked();
        FieldOf(row, MeasurementField::Num) = static_cast<std::int32_t>(shared_.nextKey);
        shared_.rows.push_back(SourceRow{shared_.nextKey, row});
        shared_.log << QStringLiteral("insert %1").arg(shared_.nextKey);
        return shared_.nextKey++;
    }
    void Update(SourceKey key, const MeasurementRow& /*seen*/, const MeasurementRow& row, FieldMask changed) override {
        FailIfAsked();
        Find(key)->values = row;
        shared_.log << QStringLiteral("update %1 %2").arg(key).arg(QString::fromStdString(changed.to_string()));
    }
    void Remove(SourceKey key) override {
        FailIfAsked();
        shared_.rows.erase(Find(key));
        shared_.log << QStringLiteral("remove %1").arg(key);
    }

    // Rows with NN = 1, 2, …, count.
    static void Fill(Shared& shared, int count) {
        for (int i = 1; i <= count; ++i) {
            SourceRow row{shared.nextKey++, {}};
            FieldOf(row.values, MeasurementField::Num) = static_cast<std::int32_t>(row.key);
            FieldOf(row.values, MeasurementField::NN) = std::int32_t{i};
            shared.rows.push_back(row);
        }
    }

private:
    void FailIfAsked() {
        if (shared_.failNextChange) {
            shared_.failNextChange = false;
            throw TableError(QStringLiteral("disk full"));
        }
    }
    std::vector<SourceRow>::iterator Find(SourceKey key) {
        return std::find_if(shared_.rows.begin(), shared_.rows.end(),
                            [key](const SourceRow& r) { return r.key == key; });
    }

    Shared& shared_;
};
