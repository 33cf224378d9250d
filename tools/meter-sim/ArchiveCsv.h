#pragma once

#include "archive/ArchiveRecord.h"

#include <istream>
#include <ostream>
#include <stdexcept>
#include <vector>

// The meter's archive as CSV text, one record a line, comma-separated, fields in double quotes where they
// hold a comma or a quote (a quote inside doubled), UTF-8:
//
//   number,date_time,grain,W,N,m,t,calibration
//   1,03.12.2007 09:07:05,Пшеница,14.5,750,150.0,-5.5,0
//
//   number       record number: 1, 2, 3, ... in order
//   date_time    DD.MM.YYYY HH:MM:SS, years 2000-2099
//   grain        grain name, up to 20 characters that code page 1251 has
//   W            moisture, %, at most one decimal
//   N            test weight, g/l, whole; empty when missing (-1 cannot be stored)
//   m            sample mass, g, at most one decimal; empty when missing (-0.1 cannot be stored)
//   t            temperature, degrees, at most one decimal
//   calibration  0 for the basic calibration, 1 (or up to 255) for an individual one
//
// A first line starting with "number" is a heading; empty lines and lines starting with "#" are skipped.

// Bad CSV input; what() names the line and the field.
class ArchiveCsvError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads an archive; throws ArchiveCsvError on the first bad line. At most 65 535 records.
std::vector<ArchiveRecord> ReadArchiveCsv(std::istream& in);
// Writes an archive with a heading line, in the form ReadArchiveCsv reads.
void WriteArchiveCsv(std::ostream& out, const std::vector<ArchiveRecord>& archive);
