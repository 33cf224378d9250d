#include "stats/Query.h"

namespace stats {

bool Filter::Accepts(const Sample& sample) const {
    if (from || to) {
        if (!sample.when) {
            return false;
        }
        if ((from && sample.when->day < *from) || (to && sample.when->day > *to)) {
            return false;
        }
    }
    if (!grains.empty() && !grains.contains(sample.grain)) {
        return false;
    }
    return !calibration || sample.calibration == *calibration;
}

}  // namespace stats
