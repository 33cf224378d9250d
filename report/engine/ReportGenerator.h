#pragma once

#include "report/engine/ReportDataSource.h"
#include "report/engine/ReportDocument.h"

#include <memory>
#include <vector>

namespace report {

class FontGlyphs;

// Generates the pages of a report over a data source, a few pages at a time, so that a window can show the first
// page while the rest are made and stay responsive in between. Each generation is new: the source is walked from
// its first row (made current when the generator is constructed) to its last, which is current at the end.
// Date items show the date of the moment their page's footer is made. Main thread only.
class ReportGenerator {
public:
    ReportGenerator(const ReportDefinition& definition, ReportDataSource& source);
    // The same over a source of its own: each generation then walks with its own cursor, so that two of them
    // (a preview still generating and a print) never move each other's row.
    ReportGenerator(const ReportDefinition& definition, std::unique_ptr<ReportDataSource> source);
    ~ReportGenerator();

    // Makes whole pages until at least `rowBudget` rows have been placed or the report is complete. Returns
    // whether pages remain to be made. An error of the source other than a field's text ends the generation by
    // raising it; the pages made so far stay in the document.
    bool Step(int rowBudget);
    // Makes every remaining page.
    void Run();
    // Gives up on the pages that remain (a preview closed early, a print cancelled): the source is told, so that
    // it can end its walk on the last row as a complete generation would.
    void Stop();

    bool Finished() const { return nextPage_ >= plans_.size(); }
    int RowCount() const { return rowCount_; }
    int PageCount() const { return static_cast<int>(plans_.size()); }  // known from the start
    int Percent() const;                                               // of the rows placed so far
    const std::shared_ptr<ReportDocument>& Document() const { return document_; }

private:
    void MakePage(std::size_t index);
    QString ItemText(const ReportItem& item, int fieldIndex, int row, int pageNumber);

    std::unique_ptr<ReportDataSource> ownSource_;
    ReportDataSource& source_;
    std::shared_ptr<ReportDocument> document_;
    std::vector<PagePlan> plans_;
    std::vector<std::vector<FontGlyphs*>> fonts_;  // per band, per item
    std::vector<std::vector<int>> fieldIndexes_;   // per band, per item; -1 for items that are not fields
    std::size_t nextPage_ = 0;
    int rowCount_ = 0;
    int current_ = 0;  // the row the source has current
    int rowsDone_ = 0;
    QString today_;
};

}  // namespace report
