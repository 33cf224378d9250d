#pragma once

#include <QString>
#include <QStringView>

namespace report {

// The rows a report walks, from the first to the last, one current row at a time. Field items name fields; the
// generator asks for each name's index once and for texts by index afterwards. Main thread only.
class ReportDataSource {
public:
    virtual ~ReportDataSource() = default;

    // Makes the first row current (nothing when there are no rows); called once, before RowCount.
    virtual void First() = 0;
    // Makes the next row current; called only while rows remain.
    virtual void Next() = 0;
    virtual int RowCount() = 0;
    // The index of the field `name`, or -1 when there is no such field (its items then print empty texts).
    virtual int FieldIndex(QStringView name) = 0;
    // The text the current row shows for field `field`; empty for a null value. May raise: the item then prints an
    // empty text and generation goes on.
    virtual QString Text(int field) = 0;
    // The generator pauses after a slice of pages (and at the end): a source whose current row is on show may bring
    // the display up to the walk now, once, rather than row by row.
    virtual void Paused() {}
    // The generation was given up before its last row: a source whose walk must end on the last row makes it
    // current now.
    virtual void Stopped() {}
};

}  // namespace report
