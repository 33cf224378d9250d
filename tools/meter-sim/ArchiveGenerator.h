#pragma once

#include "archive/ArchiveRecord.h"

#include <cstdint>
#include <vector>

// A made-up archive for trying the program: the same count and seed give the same records on every machine.
// Russian grain names, moisture 9-32 %, temperatures from -25 to +35 degrees, test weight or mass missing
// now and then, and measurements a few minutes to hours apart with increasing times.
std::vector<ArchiveRecord> GenerateArchive(int count, std::uint64_t seed);
