#pragma once

#include "store/MeasurementTable.h"

#include <QString>

#include <functional>

// The message of the TableError that `action` raises, or "no error".
inline QString ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const TableError& error) {
        return error.Message();
    }
    return QStringLiteral("no error");
}
