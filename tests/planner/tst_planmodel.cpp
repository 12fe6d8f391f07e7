#include "toolkit/Exception.h"
#include "tovlet/planner/SPPlanners.h"

#include <QRandomGenerator>
#include <QTest>

using namespace tovlet;
using toolkit::EncodeTime;

namespace {
const double H = 1.0 / 24;
double T(int h, int m = 0)
{
    return EncodeTime(h, m, 0, 0);
}
// "9.5" is half past nine.
double Hours(const QString &hours)
{
    return T(int(hours.toDouble()), qRound(std::fmod(hours.toDouble(), 1) * 60));
}
TSPPlanItem *Add(TSPPlannerSource &s, const QString &title, double start, double end, bool allDay = false)
{
    return s.AddItem(QString(), title, start, end, allDay, false, toolkit::clDefault, TSPBusyStatus::bsBusy);
}
// Lays the items out in one update, as the planners do.
void LayOut(TSPDisplayItems &list, const QList<TSPPlanItem *> &items)
{
    list.BeginUpdate();
    for (TSPPlanItem *i : items)
        list.Add(i);
    list.EndUpdate();
}
} // namespace

class TestPlanModel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void requestsAskOnlyWhatIsMissing_data();
    void requestsAskOnlyWhatIsMissing();
    void itemsStaySortedByTheOrder();
    void setterRulesAndOneChangePerEdit();
    void revertRestoresAndRaisesOneChange();
    void changesInsideUpdatesSignalOnce();
    void iconsGrowAndShrinkInSteps();
    void cellsAndMarkersOnBoundaries_data();
    void cellsAndMarkersOnBoundaries();
    void overlappingItemsShareColumns_data();
    void overlappingItemsShareColumns();
    void randomLayoutKeepsItsInvariants();
    void resourcesSortAndReport();
};

void TestPlanModel::requestsAskOnlyWhatIsMissing_data()
{
    // Ranges as "from-to" in hours, in the order asked.
    QTest::addColumn<QStringList>("requests");
    QTest::addColumn<QStringList>("asked");
    QTest::addColumn<QStringList>("held");
    QTest::newRow("overlap asks the rest") << QStringList{"9-11", "10-12"} << QStringList{"9-11", "11-12"} << QStringList{"9-12"};
    QTest::newRow("inside asks nothing") << QStringList{"9-11", "9.5-10.5"} << QStringList{"9-11"} << QStringList{"9-11"};
    QTest::newRow("around asks both ends") << QStringList{"9-11", "7-13"} << QStringList{"9-11", "7-9", "11-13"}
                                           << QStringList{"9-11", "7-9", "11-13"};
    QTest::newRow("neighbours merge") << QStringList{"8-9", "9-10"} << QStringList{"8-9", "9-10"} << QStringList{"8-10"};
    // The last one meets the next, but they are not neighbours in list order.
    QTest::newRow("only neighbours in list order merge") << QStringList{"8-9", "9-10", "12-13", "11-12"}
                                                         << QStringList{"8-9", "9-10", "12-13", "11-12"} << QStringList{"8-10", "12-13", "11-12"};
}

void TestPlanModel::requestsAskOnlyWhatIsMissing()
{
    QFETCH(QStringList, requests);
    QFETCH(QStringList, asked);
    QFETCH(QStringList, held);
    const auto text = [](double from, double to) { return QStringLiteral("%1-%2").arg(qRound(from * 48) / 2.0).arg(qRound(to * 48) / 2.0); };
    TSPPlannerSource s;
    QStringList seen;
    s.OnRequestItems = [&](TSPCustomSource *, double a, double b) { seen << text(a, b); };
    for (const QString &r : requests)
        s.RequestItems(Hours(r.section(QLatin1Char('-'), 0, 0)), Hours(r.section(QLatin1Char('-'), 1)));
    QCOMPARE(seen, asked);
    QStringList kept;
    for (const TSPRequest &r : s.Requests())
        kept << text(r.StartTime, r.EndTime);
    QCOMPARE(kept, held);
    seen.clear();
    s.RequestAllItems();
    QCOMPARE(seen, held);
}

void TestPlanModel::itemsStaySortedByTheOrder()
{
    TSPPlannerSource s;
    for (const char *title : {"B", "A", "C"})
        Add(s, QString::fromLatin1(title), T(9), T(10));
    Add(s, QStringLiteral("x"), T(9), T(9, 30));
    Add(s, QStringLiteral("early"), T(8), T(12));
    Add(s, QStringLiteral("allday"), T(9), T(10), true);
    QStringList titles;
    for (int i = 0; i < s.Count(); ++i)
        titles << s.Items(i)->Title();
    QCOMPARE(titles, (QStringList{"early", "x", "allday", "C", "B", "A"})); // equal times: titles descending
    s.Items(1)->SetStartTime(T(13)); // a change moves the item to its place
    QCOMPARE(s.Items(s.Count() - 1)->Title(), QStringLiteral("x"));
    QCOMPARE(s.Items(0)->Source(), &s);
}

void TestPlanModel::setterRulesAndOneChangePerEdit()
{
    TSPPlannerSource s;
    int changes = 0, itemChanges = 0;
    s.OnChange = [&](TSPCustomSource *) { ++changes; };
    s.OnItemChange = [&](TSPCustomSource *, TSPPlanItem *) { ++itemChanges; };
    TSPPlanItem *i = Add(s, QStringLiteral("Pregled"), T(9), T(10));
    QCOMPARE(changes, 1);
    try {
        i->SetEndTime(T(8));
        QFAIL("no exception");
    } catch (const toolkit::Exception &e) {
        QCOMPARE(e.Message(), QStringLiteral("End time cannot be earlier than start time"));
    }
    QCOMPARE(i->EndTime(), T(10));
    i->SetStartTime(T(11)); // the end follows
    QCOMPARE(i->EndTime(), T(11));
    i->SetTitle(QStringLiteral("Pregled")); // same value: nothing
    QCOMPARE(changes, 2);
    i->MoveBy(H);
    QCOMPARE(i->StartTime(), T(12));
    QCOMPARE(changes, 3);
    i->MoveBy(0);
    QCOMPARE(changes, 3);
    // The painters read these defaults: a white gradient end, no extra icon.
    QCOMPARE(i->EndColor(), toolkit::clWhite);
    QCOMPARE(i->aiExtraIconIndex(), -1);
    int deleted = 0;
    s.OnItemDelete = [&](TSPCustomSource *, TSPPlanItem *) { ++deleted; };
    i->Delete();
    QCOMPARE(deleted, 1);
    QCOMPARE(s.Count(), 0);
    QCOMPARE(itemChanges, 3); // add, start, move; the refused end changed nothing
}

void TestPlanModel::revertRestoresAndRaisesOneChange()
{
    TSPPlannerSource s;
    TSPPlanItem *i = Add(s, QStringLiteral("Pregled"), T(9), T(10));
    i->SetStartTime(T(9, 30));
    i->SetEndTime(T(11));
    i->SetModified(true);
    int changes = 0;
    s.OnChange = [&](TSPCustomSource *) { ++changes; };
    i->Revert();
    QCOMPARE(changes, 1);
    QCOMPARE(i->StartTime(), T(9));
    QCOMPARE(i->EndTime(), T(10));
    QVERIFY(!i->Modified());
    int saved = 0;
    s.OnItemSave = [&](TSPCustomSource *, TSPPlanItem *) { ++saved; };
    i->SetTitle(QStringLiteral("Kontrola"));
    i->Save();
    QCOMPARE(saved, 1);
    i->Revert();
    QCOMPARE(i->Title(), QStringLiteral("Kontrola"));
    TSPPlanItem *other = s.Add();
    other->Assign(i);
    QCOMPARE(other->Title(), QStringLiteral("Kontrola"));
    QCOMPARE(other->StartTime(), T(9));
}

void TestPlanModel::changesInsideUpdatesSignalOnce()
{
    TSPPlannerSource s;
    int changes = 0, linked = 0;
    s.OnChange = [&](TSPCustomSource *) { ++changes; };
    TSPPlannerLink link;
    link.OnChange = [&](TSPCustomSource *sender) { linked += sender == &s; };
    s.RegisterChanges(&link);
    s.BeginUpdate();
    for (int k = 0; k < 5; ++k)
        Add(s, QString::number(k), T(8 + k), T(9 + k));
    s.Items(0)->SetTitle(QStringLiteral("x"));
    QCOMPARE(changes, 0);
    s.EndUpdate();
    QCOMPARE(changes, 1);
    QCOMPARE(linked, 1);
    s.Clear();
    QCOMPARE(changes, 2);
    QCOMPARE(s.Count(), 0);
    s.UnRegisterChanges(&link);
    QCOMPARE(link.Sender(), nullptr);
}

void TestPlanModel::iconsGrowAndShrinkInSteps()
{
    TSPPlanIcons icons;
    QCOMPARE(icons.Capacity(), 8);
    int changes = 0;
    icons.OnChange = [&] { ++changes; };
    for (int k = 0; k < 9; ++k)
        icons.Add(k * 2);
    QCOMPARE(icons.Capacity(), 16);
    icons.Delete(0);
    QCOMPARE(icons.Count(), 8);
    QCOMPARE(icons.Capacity(), 8);
    QCOMPARE(icons.Items(0), 2);
    icons.SetItems(0, 2); // same value: no change
    QCOMPARE(changes, 10);
    TSPPlanIcons three;
    for (int k : {5, 6, 7})
        three.Add(k);
    TSPPlanIcons empty;
    empty.Assign(three);
    QCOMPARE(empty.Count(), 3);
    QCOMPARE(empty.Items(2), 7);
    empty.Clear();
    int emptyChanges = 0;
    empty.OnChange = [&] { ++emptyChanges; };
    empty.Clear();
    QCOMPARE(emptyChanges, 0);
}

void TestPlanModel::cellsAndMarkersOnBoundaries_data()
{
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("end");
    QTest::addColumn<double>("cellDuration");
    QTest::addColumn<int>("startCell");
    QTest::addColumn<int>("endCell");
    QTest::addColumn<double>("startMarker");
    QTest::addColumn<double>("endMarker");
    const double half = 0.5 * H;
    QTest::newRow("9-10 on half hours") << T(9) << T(10) << half << 18 << 19 << 0.0 << 1.0;
    QTest::newRow("9:15-9:45") << T(9, 15) << T(9, 45) << half << 18 << 19 << 0.5 << 0.5;
    QTest::newRow("within one cell") << T(9, 5) << T(9, 20) << half << 18 << 18 << (5.0 / 30) << 0.6667; // end rounded to 4 places
    QTest::newRow("across midnight on days") << 23 * H << 1 + H << 1.0 << 0 << 1 << (23.0 / 24) << 0.0417;
    QTest::newRow("ends at midnight") << 22 * H << 1.0 << 1.0 << 0 << 0 << (22.0 / 24) << 1.0;
    QTest::newRow("zero length at a boundary") << T(9) << T(9) << half << 18 << 17 << 0.0 << 1.0;
}

void TestPlanModel::cellsAndMarkersOnBoundaries()
{
    QFETCH(double, start);
    QFETCH(double, end);
    QFETCH(double, cellDuration);
    QFETCH(int, startCell);
    QFETCH(int, endCell);
    QFETCH(double, startMarker);
    QFETCH(double, endMarker);
    TSPPlannerSource s;
    TSPDisplayItems list;
    list.SetCellDuration(cellDuration);
    TSPDisplayItem *d = list.Add(Add(s, QStringLiteral("x"), start, end));
    QCOMPARE(d->StartCell(), startCell);
    QCOMPARE(d->EndCell(), endCell);
    QVERIFY(qAbs(d->StartTimeMarker() - startMarker) < 1e-9);
    QVERIFY(qAbs(d->EndTimeMarker() - endMarker) < 1e-9);
}

void TestPlanModel::overlappingItemsShareColumns_data()
{
    // Items as "title start end" in hours; the layout as "title cells columns/range" in list order.
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<double>("cellDuration");
    QTest::addColumn<QString>("layout");
    const double half = 0.5 * H;
    QTest::newRow("third starts when the first ends, shares cells with the second")
        << QStringList{"d 13 14", "c 10 10.5", "b 9.5 11", "a 9 10"} << half
        << "a 18-19 0-1/2; b 19-21 1-2/2; c 20-20 0-1/2; d 26-27 0-0/0"; // d in no group: full width
    // On whole days a morning and an afternoon item share their cell: they
    // never overlap in time, yet neither widens into the other's column.
    QTest::newRow("items sharing a cell do not widen") << QStringList{"m 8 12", "l 9 15", "p 13 14"} << 1.0
                                                       << "m 0-0 0-1/2; l 0-0 1-2/2; p 0-0 0-1/2";
    // A zero-length item on a cell boundary covers no cell: the long item
    // beside it takes both columns, and so does the empty one from its own.
    QTest::newRow("zero length neither blocks nor is blocked") << QStringList{"klic 10 10", "pregled 9 11"} << half
                                                               << "pregled 18-21 0-2/2; klic 20-19 1-2/2";
}

void TestPlanModel::overlappingItemsShareColumns()
{
    QFETCH(QStringList, items);
    QFETCH(double, cellDuration);
    QFETCH(QString, layout);
    TSPPlannerSource s;
    QList<TSPPlanItem *> added;
    for (const QString &item : items) {
        const QStringList p = item.split(QLatin1Char(' '));
        added << Add(s, p.at(0), Hours(p.at(1)), Hours(p.at(2)));
    }
    TSPDisplayItems list;
    list.SetCellDuration(cellDuration);
    LayOut(list, added);
    QStringList shown;
    for (int k = 0; k < list.Count(); ++k) {
        const TSPDisplayItem *d = list.Items(k);
        shown << QStringLiteral("%1 %2-%3 %4-%5/%6")
                     .arg(d->Item()->Title())
                     .arg(d->StartCell())
                     .arg(d->EndCell())
                     .arg(d->SpanStart())
                     .arg(d->SpanEnd())
                     .arg(d->SpanRange());
    }
    QCOMPARE(shown.join(QStringLiteral("; ")), layout);
}

void TestPlanModel::randomLayoutKeepsItsInvariants()
{
    QRandomGenerator rng(20261205);
    TSPPlannerSource s;
    s.BeginUpdate();
    for (int k = 0; k < 3000; ++k) {
        const double start = rng.bounded(7) + rng.bounded(96) / 96.0;
        const double length = (1 + rng.bounded(12)) / 96.0;
        Add(s, QString::number(k), start, start + length);
    }
    s.EndUpdate();
    TSPDisplayItems list;
    list.SetCellDuration(1.0 / 48);
    QList<TSPPlanItem *> all;
    for (int k = 0; k < s.Count(); ++k)
        all << s.Items(k);
    LayOut(list, all);
    auto r4 = [](double v) { return std::round(v * 10000) / 10000; };
    // Groups are runs of entries with the same span range whose sub-columns are assigned.
    int checkedPairs = 0;
    for (int a = 0; a < list.Count(); ++a) {
        const TSPDisplayItem *x = list.Items(a);
        if (x->SpanRange() > 0) {
            QVERIFY(x->SpanStart() >= 0 && x->SpanStart() < x->SpanEnd() && x->SpanEnd() <= x->SpanRange());
        }
        for (int b = a + 1; b < list.Count() && b < a + 400; ++b) {
            const TSPDisplayItem *y = list.Items(b);
            if (x->SpanRange() == 0 || y->SpanRange() == 0 || x->SpanRange() != y->SpanRange())
                continue;
            const bool sameColumns = x->SpanStart() < y->SpanEnd() && y->SpanStart() < x->SpanEnd();
            if (!sameColumns)
                continue;
            ++checkedPairs;
            // In shared sub-columns: never overlapping in time.
            const double xs = r4(x->StartCell() + r4(x->StartTimeMarker())), xe = r4(x->EndCell() + r4(x->EndTimeMarker()));
            const double ys = r4(y->StartCell() + r4(y->StartTimeMarker())), ye = r4(y->EndCell() + r4(y->EndTimeMarker()));
            QVERIFY2(!(xs < ye && ys < xe), qPrintable(QStringLiteral("%1 and %2 overlap").arg(a).arg(b)));
            // A widened entry never shares cells with another in its columns.
            const bool widened = x->SpanEnd() - x->SpanStart() > 1 || y->SpanEnd() - y->SpanStart() > 1;
            if (widened && (x->SpanStart() != y->SpanStart()))
                QVERIFY2(!(x->StartCell() <= y->EndCell() && y->StartCell() <= x->EndCell()),
                         qPrintable(QStringLiteral("%1 and %2 widened into each other").arg(a).arg(b)));
        }
    }
    QVERIFY(checkedPairs > 100);
}

void TestPlanModel::resourcesSortAndReport()
{
    TSPPlannerResources r;
    int changes = 0;
    r.OnResourcesChange = [&] { ++changes; };
    r.Add()->SetName(QStringLiteral("Žiga"));
    r.Add()->SetName(QStringLiteral("ana"));
    r.Add()->SetName(QStringLiteral("Čeh"));
    r.Sort();
    QCOMPARE(r.Items(0)->Name(), QStringLiteral("ana"));
    QCOMPARE(r.Items(1)->Name(), QStringLiteral("Čeh"));
    QVERIFY(changes >= 6);
    TSPPlannerResource other;
    r.Items(0)->SetColor(toolkit::clRed);
    r.Items(0)->setAiObject(&other);
    r.Items(0)->AssignTo(&other);
    QCOMPARE(other.Color(), toolkit::clRed);
    QCOMPARE(other.aiObject(), nullptr);
    QCOMPARE(TSPPlannerResource().DisplayName(), QStringLiteral("TSPPlannerResource"));
}

QTEST_GUILESS_MAIN(TestPlanModel)
#include "tst_planmodel.moc"
