#pragma once

#include "store/MeasurementField.h"

#include <QMetaType>

Q_DECLARE_METATYPE(FieldValue)
