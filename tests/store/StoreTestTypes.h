#pragma once

#include "MeasurementField.h"

#include <QMetaType>

Q_DECLARE_METATYPE(FieldValue)
