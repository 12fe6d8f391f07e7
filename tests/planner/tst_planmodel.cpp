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
struct TRequests
{
    QList<QPair<double, double>> Asked;
    void Attach(TSPCustomSource &s)
    {
        s.OnRequestItems = [this](TSPCustomSource *, double a, double b) { Asked << qMakePair(a, b); };
    }
};
} // namespace

class TestPlanModel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void requestsAskOnlyWhatIsMissing();
    void neighbouringRequestsMerge();
    void itemsStaySortedByTheOrder();
    void setterRulesAndOneChangePerEdit();
    void revertRestoresAndRaisesOneChange();
    void changesInsideUpdatesSignalOnce();
    void iconsGrowAndShrinkInSteps();
    void cellsAndMarkersOnBoundaries_data();
    void cellsAndMarkersOnBoundaries();
    void overlappingItemsShareColumns();
    void itemsSharingACellDoNotWiden();
    void zeroLengthItemNeitherBlocksNorIsBlocked();
    void randomLayoutKeepsItsInvariants();
    void resourcesSortAndReport();
};

void TestPlanModel::requestsAskOnlyWhatIsMissing()
{
    TSPPlannerSource s;
    TRequests r;
    r.Attach(s);
    s.RequestItems(T(9), T(11));
    s.RequestItems(T(10), T(12));
    QCOMPARE(r.Asked.size(), 2);
    QCOMPARE(r.Asked.at(1), qMakePair(T(11), T(12)));
    s.RequestItems(T(9, 30), T(10, 30));
    QCOMPARE(r.Asked.size(), 2);
    s.RequestItems(T(7), T(13)); // around everything: only the two missing ends
    QCOMPARE(r.Asked.mid(2), (QList<QPair<double, double>>{{T(7), T(9)}, {T(12), T(13)}}));
    r.Asked.clear();
    s.RequestAllItems();
    QCOMPARE(r.Asked.size(), s.Requests().size());
}

void TestPlanModel::neighbouringRequestsMerge()
{
    TSPPlannerSource s;
    s.RequestItems(T(8), T(9));
    s.RequestItems(T(9), T(10));
    QCOMPARE(s.Requests().size(), 1);
    QCOMPARE(s.Requests().first().StartTime, T(8));
    QCOMPARE(s.Requests().first().EndTime, T(10));
    s.RequestItems(T(12), T(13));
    s.RequestItems(T(11), T(12)); // meets the next one, but they are not neighbours in list order
    QCOMPARE(s.Requests().size(), 3);
}

void TestPlanModel::itemsStaySortedByTheOrder()
{
    TSPPlannerSource s;
    s.AddItem(QString(), QStringLiteral("B"), T(9), T(10), false, false, toolkit::clDefault, TSPBusyStatus::bsBusy);
    s.AddItem(QString(), QStringLiteral("A"), T(9), T(10), false, false, toolkit::clDefault, TSPBusyStatus::bsBusy);
    s.AddItem(QString(), QStringLiteral("C"), T(9), T(10), false, false, toolkit::clDefault, TSPBusyStatus::bsBusy);
    s.AddItem(QString(), QStringLiteral("x"), T(9), T(9, 30), false, false, toolkit::clDefault, TSPBusyStatus::bsBusy);
    s.AddItem(QString(), QStringLiteral("early"), T(8), T(12), false, false, toolkit::clDefault, TSPBusyStatus::bsBusy);
    s.AddItem(QString(), QStringLiteral("allday"), T(9), T(10), true, false, toolkit::clDefault, TSPBusyStatus::bsBusy);
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
    TSPPlanItem *i = s.AddItem(QStringLiteral("dr. Novak"), QStringLiteral("Pregled"), T(9), T(10), false, false, toolkit::clDefault,
                               TSPBusyStatus::bsBusy);
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
    QCOMPARE(i->Color(), toolkit::clDefault);
    QCOMPARE(i->EndColor(), toolkit::clWhite);
    QCOMPARE(i->BusyStatus(), TSPBusyStatus::bsBusy);
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
    TSPPlanItem *i = s.AddItem(QString(), QStringLiteral("Pregled"), T(9), T(10), false, false, toolkit::clDefault, TSPBusyStatus::bsBusy);
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
    TSPPlanItem copy;
    copy.Icons().Add(3);
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
        s.AddItem(QString(), QString::number(k), T(8 + k), T(9 + k), false, false, toolkit::clDefault, TSPBusyStatus::bsBusy);
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
    three.Add(5);
    three.Add(6);
    three.Add(7);
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
    TSPPlanItem *i = s.AddItem(QString(), QStringLiteral("x"), start, end, false, false, toolkit::clDefault, TSPBusyStatus::bsBusy);
    TSPDisplayItems list;
    list.SetCellDuration(cellDuration);
    TSPDisplayItem *d = list.Add(i);
    QCOMPARE(d->StartCell(), startCell);
    QCOMPARE(d->EndCell(), endCell);
    QVERIFY(qAbs(d->StartTimeMarker() - startMarker) < 1e-9);
    QVERIFY(qAbs(d->EndTimeMarker() - endMarker) < 1e-9);
}

void TestPlanModel::overlappingItemsShareColumns()
{
    TSPPlannerSource s;
    TSPPlanItem *a = s.AddItem(QString(), QStringLiteral("a"), T(9), T(10), false, false, toolkit::clDefault, TSPBusyStatus::bsBusy);
    TSPPlanItem *b = s.AddItem(QString(), QStringLiteral("b"), T(9, 30), T(11), false, false, toolkit::clDefault, TSPBusyStatus::bsBusy);
    TSPPlanItem *c = s.AddItem(QString(), QStringLiteral("c"), T(10), T(10, 30), false, false, toolkit::clDefault, TSPBusyStatus::bsBusy);
    TSPPlanItem *alone = s.AddItem(QString(), QStringLiteral("d"), T(13), T(14), false, false, toolkit::clDefault, TSPBusyStatus::bsBusy);
    TSPDisplayItems list;
    list.SetCellDuration(0.5 * H);
    list.BeginUpdate();
    for (TSPPlanItem *i : {alone, c, b, a})
        list.Add(i);
    list.EndUpdate();
    auto find = [&](TSPPlanItem *i) {
        for (int k = 0; k < list.Count(); ++k)
            if (list.Items(k)->Item() == i)
                return list.Items(k);
        return static_cast<TSPDisplayItem *>(nullptr);
    };
    QCOMPARE(find(a)->SpanStart(), 0);
    QCOMPARE(find(b)->SpanStart(), 1);
    QCOMPARE(find(c)->SpanStart(), 0); // starts when the first ends
    for (TSPPlanItem *i : {a, b, c})
        QCOMPARE(find(i)->SpanRange(), 2);
    QCOMPARE(find(c)->SpanEnd(), 1); // shares cells with b: no widening
    QCOMPARE(find(alone)->SpanRange(), 0); // in no group: full width
    QCOMPARE(list.Items(0)->Item(), a);
}

void TestPlanModel::itemsSharingACellDoNotWiden()
{
    // On whole days a morning and an afternoon item share their cell: they
    // never overlap in time, yet neither widens into the other's column.
    TSPPlannerSource s;
    TSPPlanItem *morning = s.AddItem(QString(), QStringLiteral("m"), T(8), T(12), false, false, toolkit::clDefault, TSPBusyStatus::bsBusy);
    TSPPlanItem *long1 = s.AddItem(QString(), QStringLiteral("l"), T(9), T(15), false, false, toolkit::clDefault, TSPBusyStatus::bsBusy);
    TSPPlanItem *afternoon = s.AddItem(QString(), QStringLiteral("p"), T(13), T(14), false, false, toolkit::clDefault, TSPBusyStatus::bsBusy);
    TSPDisplayItems list;
    list.BeginUpdate();
    for (TSPPlanItem *i : {morning, long1, afternoon})
        list.Add(i);
    list.EndUpdate();
    QCOMPARE(list.Items(0)->SpanRange(), 2);
    QCOMPARE(list.Items(2)->Item(), afternoon);
    QCOMPARE(list.Items(2)->SpanStart(), 0);
    QCOMPARE(list.Items(2)->SpanEnd(), 1);
    QCOMPARE(list.Items(0)->SpanEnd(), 1);
}

void TestPlanModel::zeroLengthItemNeitherBlocksNorIsBlocked()
{
    // A zero-length item on a cell boundary covers no cell: the long item
    // beside it takes both columns, and so does the empty one from its own.
    TSPPlannerSource s;
    TSPPlanItem *visit = s.AddItem(QString(), QStringLiteral("pregled"), T(9), T(11), false, false, toolkit::clDefault, TSPBusyStatus::bsBusy);
    TSPPlanItem *mark = s.AddItem(QString(), QStringLiteral("klic"), T(10), T(10), false, false, toolkit::clDefault, TSPBusyStatus::bsBusy);
    TSPDisplayItems list;
    list.SetCellDuration(0.5 * H);
    list.BeginUpdate();
    list.Add(mark);
    list.Add(visit);
    list.EndUpdate();
    QCOMPARE(list.Items(0)->Item(), visit);
    QCOMPARE(list.Items(1)->StartCell(), 20);
    QCOMPARE(list.Items(1)->EndCell(), 19);
    QCOMPARE(list.Items(0)->SpanRange(), 2);
    QCOMPARE(list.Items(0)->SpanStart(), 0);
    QCOMPARE(list.Items(0)->SpanEnd(), 2);
    QCOMPARE(list.Items(1)->SpanStart(), 1);
    QCOMPARE(list.Items(1)->SpanEnd(), 2);
    // A new icon list has room for eight before it grows.
    QCOMPARE(TSPPlanIcons().Capacity(), 8);
}

void TestPlanModel::randomLayoutKeepsItsInvariants()
{
    QRandomGenerator rng(20261205);
    TSPPlannerSource s;
    s.BeginUpdate();
    for (int k = 0; k < 3000; ++k) {
        const double start = rng.bounded(7) + rng.bounded(96) / 96.0;
        const double length = (1 + rng.bounded(12)) / 96.0;
        s.AddItem(QString(), QString::number(k), start, start + length, false, false, toolkit::clDefault, TSPBusyStatus::bsBusy);
    }
    s.EndUpdate();
    TSPDisplayItems list;
    list.SetCellDuration(1.0 / 48);
    list.BeginUpdate();
    for (int k = 0; k < s.Count(); ++k)
        list.Add(s.Items(k));
    list.EndUpdate();
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
