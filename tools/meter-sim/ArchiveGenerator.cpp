#include "tools/meter-sim/ArchiveGenerator.h"

#include <array>
#include <string_view>

namespace {

// SplitMix64: tiny, and unlike the standard distributions it gives the same numbers everywhere.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}

    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // A whole number from low to high, both included.
    int Between(int low, int high) {
        return low + static_cast<int>(Next() % static_cast<std::uint64_t>(high - low + 1));
    }
    bool OneIn(int n) { return Between(1, n) == 1; }

private:
    std::uint64_t state_;
};

constexpr std::array<std::string_view, 16> kGrainNames = {
    "Пшеница",
    "Рожь",
    "Ячмень",
    "Овёс",
    "Кукуруза",
    "Просо",
    "Гречиха",
    "Рис",
    "Подсолнечник",
    "Рапс",
    "Горох",
    "Соя",
    "Тритикале",
    "Пшеница твёрдая",
    "Ячмень пивоваренный",
    "Пшеница озимая 3 кл.",
};

// Days since 1 January 2000 from a civil date and back (proleptic Gregorian calendar).
int DaysFromCivil(int year, int month, int day) {
    year -= month <= 2;
    const int era = year / 400;
    const int yearOfEra = year - era * 400;
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 730425;
}

void CivilFromDays(int days, int& year, int& month, int& day) {
    days += 730425;
    const int era = days / 146097;
    const int dayOfEra = days - era * 146097;
    const int yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int mp = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * mp + 2) / 5 + 1;
    month = mp < 10 ? mp + 3 : mp - 9;
    year = yearOfEra + era * 400 + (month <= 2);
}

RecordDateTime FromSeconds(long long secondsSince2000) {
    int year = 0, month = 0, day = 0;
    CivilFromDays(static_cast<int>(secondsSince2000 / 86400), year, month, day);
    const long long inDay = secondsSince2000 % 86400;
    return {static_cast<std::uint8_t>(day),
            static_cast<std::uint8_t>(month),
            static_cast<std::uint8_t>(year - 2000),
            static_cast<std::uint8_t>(inDay / 3600),
            static_cast<std::uint8_t>(inDay / 60 % 60),
            static_cast<std::uint8_t>(inDay % 60)};
}

}  // namespace

std::vector<ArchiveRecord> GenerateArchive(int count, std::uint64_t seed) {
    Random random(seed);
    std::vector<ArchiveRecord> archive;
    archive.reserve(static_cast<std::size_t>(count));
    long long when = 86400LL * (DaysFromCivil(2024, 1, 9) + random.Between(0, 365)) + 8 * 3600;
    for (int i = 0; i < count; ++i) {
        ArchiveRecord r;
        r.calibration = random.OneIn(5) ? 1 : 0;
        r.grain = kGrainNames[static_cast<std::size_t>(random.Between(0, kGrainNames.size() - 1))];
        r.moistureTenths = static_cast<std::int16_t>(random.Between(90, 320));
        if (!random.OneIn(8)) {
            r.testWeight = static_cast<std::int16_t>(random.Between(600, 820));
        }
        if (!random.OneIn(10)) {
            r.massTenths = static_cast<std::int16_t>(random.Between(800, 2200));
        }
        r.temperatureTenths = static_cast<std::int16_t>(random.Between(-250, 350));
        r.when = FromSeconds(when);
        archive.push_back(r);
        when += random.OneIn(8) ? 86400LL : 60LL * random.Between(2, 180) + random.Between(0, 59);
    }
    return archive;
}
