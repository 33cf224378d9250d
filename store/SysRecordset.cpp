#include "store/SysRecordset.h"

#include "store/FieldConverter.h"
#include "store/MeasurementTable.h"
#include "store/TableMessages.h"

#include "store/persist/PersistError.h"
#include "store/persist/ValueText.h"

#include <cmath>
#include <cstring>
#include <limits>

using persist::Column;
using persist::DataType;
namespace ColumnFlag = persist::ColumnFlag;

namespace {

Column MakeColumn(MeasurementField field, DataType type, std::uint32_t maxLength, std::uint32_t flags) {
    Column column;
    column.name = MeasurementFieldName(field).toStdString();
    column.type = type;
    column.maxLength = maxLength;
    column.flags = flags;
    column.autoIncrement = field == MeasurementField::Num;
    return column;
}

bool IsAnyOf(DataType type, std::initializer_list<DataType> types) {
    for (const DataType t : types) {
        if (t == type) {
            return true;
        }
    }
    return false;
}

bool Compatible(FieldKind kind, DataType type) {
    switch (kind) {
        case FieldKind::AutoIncrement:
        case FieldKind::Integer:
            return IsAnyOf(type, {DataType::I1, DataType::UI1, DataType::I2, DataType::UI2, DataType::I4});
        case FieldKind::Double:
            return IsAnyOf(type, {DataType::R8, DataType::R4});
        case FieldKind::DateTime:
            return IsAnyOf(type, {DataType::Date, DataType::DbTimeStamp});
        case FieldKind::Text:
            return IsAnyOf(type, {DataType::WStr, DataType::BStr, DataType::Str});
    }
    return false;
}

// The dataset's name of a column's type, for the type-mismatch text.
QString KindName(const Column& column) {
    const bool isLong = (column.flags & ColumnFlag::kLong) != 0;
    switch (column.type) {
        case DataType::I1:
        case DataType::I2:
            return QStringLiteral("Smallint");
        case DataType::UI1:
        case DataType::UI2:
            return QStringLiteral("Word");
        case DataType::I4:
            return column.autoIncrement.value_or(false) ? QStringLiteral("AutoInc") : QStringLiteral("Integer");
        case DataType::UI4:
        case DataType::I8:
        case DataType::UI8:
            return QStringLiteral("LargeInt");
        case DataType::R4:
        case DataType::R8:
            return QStringLiteral("Float");
        case DataType::Currency:
            return QStringLiteral("Currency");
        case DataType::Decimal:
        case DataType::Numeric:
            return QStringLiteral("BCD");
        case DataType::Bool:
            return QStringLiteral("Boolean");
        case DataType::Date:
        case DataType::DbTimeStamp:
        case DataType::FileTime:
            return QStringLiteral("DateTime");
        case DataType::DbDate:
            return QStringLiteral("Date");
        case DataType::DbTime:
            return QStringLiteral("Time");
        case DataType::Guid:
            return QStringLiteral("Guid");
        case DataType::Bytes:
            return isLong ? QStringLiteral("Blob") : QStringLiteral("VarBytes");
        case DataType::Str:
            return isLong ? QStringLiteral("Memo") : QStringLiteral("String");
        case DataType::WStr:
        case DataType::BStr:
            return isLong ? QStringLiteral("WideMemo") : QStringLiteral("WideString");
        case DataType::Chapter:
            return QStringLiteral("DataSet");
        default:
            return QStringLiteral("Variant");
    }
}

template <typename T>
T Load(const std::string& bytes) {
    T value;
    std::memcpy(&value, bytes.data(), sizeof value);
    return value;
}

template <typename T>
std::string Bytes(T value) {
    std::string bytes(sizeof value, '\0');
    std::memcpy(bytes.data(), &value, sizeof value);
    return bytes;
}

[[noreturn]] void BadValue(MeasurementField field) {
    throw TableError(
        QStringLiteral("The file holds a value that is not valid for field '%1'.").arg(MeasurementFieldName(field)));
}

template <typename T>
void CheckIntegerRange(MeasurementField field, std::int32_t value) {
    if (value < std::numeric_limits<T>::min() || value > std::numeric_limits<T>::max()) {
        throw TableError(TableMessages::ValueOutOfRangeText(QString::number(value), MeasurementFieldName(field),
                                                            QString::number(std::numeric_limits<T>::min()),
                                                            QString::number(std::numeric_limits<T>::max())));
    }
}

}  // namespace

namespace SysRecordset {

std::vector<Column> Columns() {
    constexpr std::uint32_t kNumber = ColumnFlag::kWrite | ColumnFlag::kFixedLength | ColumnFlag::kNullable;
    constexpr std::uint32_t kText = ColumnFlag::kWrite | ColumnFlag::kNullable;
    return {MakeColumn(MeasurementField::Num, DataType::I4, 4, kNumber),
            MakeColumn(MeasurementField::NN, DataType::I4, 4, kNumber),
            MakeColumn(MeasurementField::DataTime, DataType::Date, 8, kNumber),
            MakeColumn(MeasurementField::W, DataType::R8, 8, kNumber),
            MakeColumn(MeasurementField::m, DataType::R8, 8, kNumber),
            MakeColumn(MeasurementField::N, DataType::R8, 8, kNumber),
            MakeColumn(MeasurementField::t, DataType::I4, 4, kNumber),
            MakeColumn(MeasurementField::Type, DataType::WStr, kMaxTextFieldLength, kText),
            MakeColumn(MeasurementField::Op, DataType::WStr, kMaxTextFieldLength, kText),
            MakeColumn(MeasurementField::Vid, DataType::WStr, kMaxTextFieldLength, kText)};
}

FieldColumns FindFields(const persist::Recordset& recordset) {
    FieldColumns columns{};
    for (int i = 0; i < kMeasurementFieldCount; ++i) {
        const auto field = static_cast<MeasurementField>(i);
        const QString name = MeasurementFieldName(field);
        std::size_t found = recordset.columns.size();
        for (std::size_t c = 0; c < recordset.columns.size() && found == recordset.columns.size(); ++c) {
            if (QString::fromStdString(recordset.columns[c].name).compare(name, Qt::CaseInsensitive) == 0) {
                found = c;
            }
        }
        if (found == recordset.columns.size()) {
            throw TableError(TableMessages::FieldNotFoundText(name));
        }
        const Column& column = recordset.columns[found];
        if (!Compatible(MeasurementFieldKind(field), column.type)) {
            throw TableError(TableMessages::FieldTypeMismatchText(name, FieldKindName(MeasurementFieldKind(field)),
                                                                  KindName(column)));
        }
        columns[static_cast<std::size_t>(i)] = found;
    }
    return columns;
}

FieldValue ToField(MeasurementField field, const Column& column, const persist::Value& value) {
    if (!value) {
        return std::monostate{};
    }
    const std::string& bytes = *value;
    try {
        switch (column.type) {
            case DataType::I1:
                return static_cast<std::int32_t>(Load<std::int8_t>(bytes));
            case DataType::UI1:
                return static_cast<std::int32_t>(Load<std::uint8_t>(bytes));
            case DataType::I2:
                return static_cast<std::int32_t>(Load<std::int16_t>(bytes));
            case DataType::UI2:
                return static_cast<std::int32_t>(Load<std::uint16_t>(bytes));
            case DataType::I4:
                return persist::DecodeInt32(bytes);
            case DataType::R4:
                return static_cast<double>(persist::DecodeSingle(bytes));
            case DataType::R8:
                return persist::DecodeDouble(bytes);
            case DataType::Date:
            case DataType::DbTimeStamp: {
                const persist::DateTimeParts p = column.type == DataType::Date
                                                     ? persist::VariantDateToParts(persist::DecodeDouble(bytes))
                                                     : persist::DecodeDbTimeStamp(bytes);
                const WallClockTime dateTime{p.year, p.month, p.day, p.hour, p.minute, p.second};
                if (!dateTime.IsValid()) {
                    BadValue(field);
                }
                return dateTime;
            }
            default:
                return QString::fromStdString(bytes);
        }
    } catch (const persist::PersistError&) {
        BadValue(field);
    }
}

void CheckFits(MeasurementField field, const Column& column, const FieldValue& value) {
    if (const auto* integer = std::get_if<std::int32_t>(&value)) {
        switch (column.type) {
            case DataType::I1:
                return CheckIntegerRange<std::int8_t>(field, *integer);
            case DataType::UI1:
                return CheckIntegerRange<std::uint8_t>(field, *integer);
            case DataType::I2:
                return CheckIntegerRange<std::int16_t>(field, *integer);
            case DataType::UI2:
                return CheckIntegerRange<std::uint16_t>(field, *integer);
            default:
                return;
        }
    }
    if (const auto* number = std::get_if<double>(&value); number && column.type == DataType::R4) {
        // A single keeps fewer digits, which its readers expect; a number beyond its range would become infinite.
        constexpr double kLargest = std::numeric_limits<float>::max();
        if (std::isfinite(*number) && (*number > kLargest || *number < -kLargest)) {
            throw TableError(TableMessages::ValueOutOfRangeText(
                QString::number(*number, 'g', 15), MeasurementFieldName(field), QString::number(-kLargest, 'g', 9),
                QString::number(kLargest, 'g', 9)));
        }
    }
}

persist::Value ToStored(const Column& column, const FieldValue& value) {
    if (std::holds_alternative<std::monostate>(value)) {
        return std::nullopt;
    }
    switch (column.type) {
        case DataType::I1:
            return Bytes(static_cast<std::int8_t>(std::get<std::int32_t>(value)));
        case DataType::UI1:
            return Bytes(static_cast<std::uint8_t>(std::get<std::int32_t>(value)));
        case DataType::I2:
            return Bytes(static_cast<std::int16_t>(std::get<std::int32_t>(value)));
        case DataType::UI2:
            return Bytes(static_cast<std::uint16_t>(std::get<std::int32_t>(value)));
        case DataType::I4:
            return persist::EncodeInt32(std::get<std::int32_t>(value));
        case DataType::R4:
            return persist::EncodeSingle(static_cast<float>(std::get<double>(value)));
        case DataType::R8:
            return persist::EncodeDouble(std::get<double>(value));
        case DataType::Date:
        case DataType::DbTimeStamp: {
            const WallClockTime& v = std::get<WallClockTime>(value);
            const persist::DateTimeParts p{v.year, v.month, v.day, v.hour, v.minute, v.second, 0};
            return column.type == DataType::Date ? persist::EncodeDouble(persist::PartsToVariantDate(p))
                                                 : persist::EncodeDbTimeStamp(p);
        }
        default:
            return std::get<QString>(value).toStdString();
    }
}

}  // namespace SysRecordset
