#pragma once

#include "report/engine/ReportOutput.h"

namespace report {

// Writes the pages as PDF without QPdfWriter: the page model turned straight into PDF operators, one text
// operator per item instead of one per glyph, the TrueType fonts embedded as subsets of the glyphs used (Type 0
// fonts with Identity-H and a ToUnicode map, so texts stay extractable). About ten times as fast as drawing
// through QPdfWriter, which formats every glyph's position on its own and compresses the result at its default
// level.
//
// Returns false, having written nothing, when a font cannot be embedded this way (one without TrueType outlines);
// the caller then writes through QPdfWriter. Other failures raise ReportError; the file is replaced only when
// complete.
bool WriteOwnPdf(const ReportDocument& document, const QString& path, const PageProgress& progress);

}  // namespace report
