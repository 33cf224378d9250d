// Page breaking of the measurement report's band heights on A4 landscape, and the rules at the edges.
#include "report/Report1Layout.h"
#include "report/engine/PageBreaking.h"
#include "tests/QtTestRunner.h"

#include <QTest>

#include <algorithm>

using namespace report;

namespace {

PageBreakInput Report1Input(int rows) {
    return Report1Layout().BreakInput(rows);
}

int DetailsOn(const PagePlan& page) {
    return static_cast<int>(std::count_if(page.bands.begin(), page.bands.end(),
                                          [](const BandPlacement& b) { return b.kind == BandKind::Detail; }));
}

const BandPlacement* Find(const PagePlan& page, BandKind kind) {
    for (const BandPlacement& band : page.bands) {
        if (band.kind == kind) {
            return &band;
        }
    }
    return nullptr;
}

}  // namespace

class PageBreakingTest : public QObject {
    Q_OBJECT

private slots:
    void rowsPerPage() {
        const RowsPerPage perPage = CountRowsPerPage(Report1Input(100));
        QCOMPARE(perPage.first, 31);
        QCOMPARE(perPage.further, 33);
    }

    void pageCount_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("rowsOnLastPage");
        QTest::newRow("no rows") << 0 << 1 << 0;
        QTest::newRow("one row") << 1 << 1 << 1;
        QTest::newRow("a full first page") << 31 << 1 << 31;
        QTest::newRow("one row over the first page") << 32 << 2 << 1;
        QTest::newRow("two full pages") << 64 << 2 << 33;
        QTest::newRow("one row over two pages") << 65 << 3 << 1;
        QTest::newRow("a thousand rows") << 1000 << 31 << 1000 - 31 - 29 * 33;
        QTest::newRow("the largest table") << 65535 << 1 + (65535 - 31 + 32) / 33 << (65535 - 31) % 33;
    }
    void pageCount() {
        QFETCH(int, rows);
        QFETCH(int, pages);
        QFETCH(int, rowsOnLastPage);
        const std::vector<PagePlan> plan = BreakPages(Report1Input(rows));
        QCOMPARE(static_cast<int>(plan.size()), pages);
        if (rows > 0) {
            QCOMPARE(DetailsOn(plan.back()), rowsOnLastPage);
        }
        // Every row once, in order.
        int next = 0;
        for (const PagePlan& page : plan) {
            for (const BandPlacement& band : page.bands) {
                if (band.kind == BandKind::Detail && rows > 0) {
                    QCOMPARE(band.row, next++);
                }
            }
        }
        QCOMPARE(next, rows);
    }

    void bandPositionsInMillimetres() {
        const std::vector<PagePlan> plan = BreakPages(Report1Input(40));
        QCOMPARE(plan.size(), std::size_t{2});
        const PagePlan& first = plan[0];
        QCOMPARE(first.bands[0], (BandPlacement{BandKind::Title, 10000, -1}));
        QCOMPARE(first.bands[1], (BandPlacement{BandKind::ColumnHeader, 18470, -1}));
        QCOMPARE(first.bands[2], (BandPlacement{BandKind::Detail, 24820, 0}));
        QCOMPARE(first.bands[3], (BandPlacement{BandKind::Detail, 30110, 1}));
        QCOMPARE(first.bands[32], (BandPlacement{BandKind::Detail, 24820 + 30 * 5290, 30}));
        // The last detail band ends above the footer, the next one would not have.
        QVERIFY(24820 + 31 * 5290 <= 193390);
        QVERIFY(24820 + 32 * 5290 > 193390);
        QCOMPARE(first.bands.back(), (BandPlacement{BandKind::PageFooter, 193390, -1}));

        const PagePlan& second = plan[1];
        QCOMPARE(second.bands[0], (BandPlacement{BandKind::ColumnHeader, 10000, -1}));
        QCOMPARE(second.bands[1], (BandPlacement{BandKind::Detail, 16350, 31}));
        QCOMPARE(second.bands.back(), (BandPlacement{BandKind::PageFooter, 193390, -1}));
        QCOMPARE(Find(second, BandKind::Title), nullptr);
    }

    void everyPageHasColumnHeaderOnTopAndFooterAtBottom() {
        for (const int rows : {1, 31, 32, 64, 65, 1000}) {
            const std::vector<PagePlan> plan = BreakPages(Report1Input(rows));
            for (std::size_t p = 0; p < plan.size(); ++p) {
                const PagePlan& page = plan[p];
                QCOMPARE(page.bands[p == 0 ? 1 : 0].kind, BandKind::ColumnHeader);
                QCOMPARE(std::count_if(page.bands.begin(), page.bands.end(),
                                       [](const BandPlacement& b) { return b.kind == BandKind::ColumnHeader; }),
                         1);
                QCOMPARE(page.bands.back().kind, BandKind::PageFooter);
                QCOMPARE(page.bands.back().topUm, 193390);
            }
        }
    }

    void emptyTableGivesTitleEmptyLineAndFooterWithoutColumnHeader() {
        const std::vector<PagePlan> plan = BreakPages(Report1Input(0));
        QCOMPARE(plan.size(), std::size_t{1});
        const std::vector<BandPlacement> expected = {
            {BandKind::Title, 10000, -1}, {BandKind::Detail, 18470, -1}, {BandKind::PageFooter, 193390, -1}};
        QCOMPARE(plan[0].bands, expected);
    }

    void reportOptions() {
        PageBreakInput in = Report1Input(64);
        in.lastPageFooter = false;
        std::vector<PagePlan> plan = BreakPages(in);
        QCOMPARE(plan[0].bands.back().kind, BandKind::PageFooter);
        QCOMPARE(plan[1].bands.back().kind, BandKind::Detail);

        in = Report1Input(0);
        in.printIfEmpty = false;
        QVERIFY(BreakPages(in).empty());

        // Without a footer the detail bands reach down to the bottom margin.
        in = Report1Input(100);
        in.footerUm.reset();
        QCOMPARE(CountRowsPerPage(in).first, (190000 - 8470 - 6350) / 5290);
    }

    void bandTallerThanThePageStillLandsOncePerPage() {
        PageBreakInput in = Report1Input(3);
        in.detailUm = 500000;
        const std::vector<PagePlan> plan = BreakPages(in);
        QCOMPARE(plan.size(), std::size_t{3});
        for (const PagePlan& page : plan) {
            QCOMPARE(DetailsOn(page), 1);
        }
    }
};

RS5_TEST_CLASS(PageBreakingTest);
RS5_TESTS_WITHOUT_GUI();

#include "PageBreakingTest.moc"
