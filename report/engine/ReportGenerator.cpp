#include "report/engine/ReportGenerator.h"

#include "report/engine/FontGlyphs.h"

#include <QDate>
#include <QLocale>

#include <climits>

namespace report {

ReportGenerator::ReportGenerator(const ReportDefinition& definition, ReportDataSource& source)
    : source_(source), document_(std::make_shared<ReportDocument>()) {
    document_->definition = definition;
    source_.First();
    rowCount_ = source_.RowCount();
    plans_ = BreakPages(definition.BreakInput(rowCount_));
    document_->pages.reserve(plans_.size());
    for (const ReportBand& band : definition.bands) {
        auto& fonts = fonts_.emplace_back();
        auto& fields = fieldIndexes_.emplace_back();
        for (const ReportItem& item : band.items) {
            fonts.push_back(&FontGlyphs::For(definition.FontOf(item)));
            fields.push_back(item.kind == ItemKind::Field ? source_.FieldIndex(item.field) : -1);
        }
    }
}

ReportGenerator::ReportGenerator(const ReportDefinition& definition, std::unique_ptr<ReportDataSource> source)
    : ReportGenerator(definition, *source) {
    ownSource_ = std::move(source);
}

ReportGenerator::~ReportGenerator() = default;

void ReportGenerator::Stop() {
    if (!Finished()) {
        nextPage_ = plans_.size();
        source_.Stopped();
    }
}

int ReportGenerator::Percent() const {
    if (Finished()) {
        return 100;
    }
    return rowCount_ > 0 ? static_cast<int>(static_cast<long long>(rowsDone_) * 100 / rowCount_) : 0;
}

bool ReportGenerator::Step(int rowBudget) {
    const int target = rowBudget >= INT_MAX - rowsDone_ ? INT_MAX : rowsDone_ + rowBudget;
    while (!Finished() && rowsDone_ < target) {
        MakePage(nextPage_);
        ++nextPage_;
    }
    // Without rows one step makes the whole report.
    while (!Finished() && rowCount_ == 0) {
        MakePage(nextPage_);
        ++nextPage_;
    }
    source_.Paused();
    return !Finished();
}

void ReportGenerator::Run() {
    while (Step(INT_MAX)) {
    }
}

QString ReportGenerator::ItemText(const ReportItem& item, int fieldIndex, int row, int pageNumber) {
    switch (item.kind) {
        case ItemKind::Label:
            return item.text;
        case ItemKind::Field:
            if (row < 0 || fieldIndex < 0) {
                return {};
            }
            try {
                return source_.Text(fieldIndex);
            } catch (...) {
                return {};  // a value that cannot become text prints as nothing; the report goes on
            }
        case ItemKind::SystemData:
            if (item.dataKind == SystemDataKind::PageNumber) {
                return item.text + QString::number(pageNumber);
            }
            return item.text + QLocale().toString(QDate::currentDate(), QLocale::ShortFormat);
    }
    return {};
}

void ReportGenerator::MakePage(std::size_t index) {
    const PagePlan& plan = plans_[index];
    const ReportDefinition& definition = document_->definition;
    ReportPage& page = document_->pages.emplace_back();
    page.bands.reserve(plan.bands.size());
    std::size_t textCount = 0;
    for (const BandPlacement& placement : plan.bands) {
        textCount += definition.bands[static_cast<std::size_t>(definition.BandIndex(placement.kind))].items.size();
    }
    page.texts.reserve(textCount);
    page.characters.reserve(static_cast<qsizetype>(textCount) * 10);

    for (const BandPlacement& placement : plan.bands) {
        const int bandIndex = definition.BandIndex(placement.kind);
        const ReportBand& band = definition.bands[static_cast<std::size_t>(bandIndex)];
        if (placement.row >= 0) {
            while (current_ < placement.row) {
                source_.Next();
                ++current_;
            }
            ++rowsDone_;
        }
        page.bands.push_back({bandIndex, placement.topUm, static_cast<std::int32_t>(page.texts.size())});
        const auto& fonts = fonts_[static_cast<std::size_t>(bandIndex)];
        const auto& fields = fieldIndexes_[static_cast<std::size_t>(bandIndex)];
        for (std::size_t i = 0; i < band.items.size(); ++i) {
            const QString text = ItemText(band.items[i], fields[i], placement.row, static_cast<int>(index) + 1);
            const FontGlyphs::Measure measure = fonts[i]->Width(text);
            page.texts.push_back({static_cast<std::int32_t>(page.characters.size()),
                                  static_cast<std::int32_t>(text.size()), static_cast<float>(measure.width),
                                  measure.complex});
            page.characters += text;
        }
    }
}

}  // namespace report
