#include "pelvar/plCore.h"
#include "toolkit/Exception.h"
#include "tovlet/core/Tovlet.h"
#include "tovlet/core/cBasic.h"
#include "tovlet/dialogs/cBasic.h"
#include "tovlet/dialogs/dIcons.h"

#include <QPainter>
#include <QTest>

using namespace tovlet;
using toolkit::ColorToQColor;
using toolkit::RGB;

namespace {

class TCountingTooth : public TIToothPanel
{
public:
    int Paints = 0;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        ++Paints;
        TIToothPanel::paintEvent(event);
    }
};

class TIconObject : public pelvar::TplDomainObject
{
public:
    int ImageIndex() const override { return 4; }
};

const toolkit::TColor Fills[TIToothPanel::SurfaceCount] = {RGB(200, 0, 0), RGB(0, 160, 0), RGB(0, 0, 200), RGB(200, 200, 0),
                                                           RGB(0, 200, 200)};

} // namespace

class TestBasicControls : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { FPackage = std::make_unique<TPackageScope>(); }
    void cleanup() { FPackage.reset(); }
    void toothRectangles_data();
    void toothRectangles();
    void toothIndexOutOfBounds_data();
    void toothIndexOutOfBounds();
    void squareToothPaintsItsSurfaces();
    void triangleToothPaintsItsSurfaces();
    void unchangedColourDoesNotRepaint();
    void iconPanelShowsADomainObjectsIconOnly();
    void listBoxTakesTheDefaultImages();

private:
    static TIToothPanel *Tooth(TIToothPanel &tooth, bool triangle);
    std::unique_ptr<TPackageScope> FPackage;
};

void TestBasicControls::toothRectangles_data()
{
    QTest::addColumn<bool>("triangle");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("index");
    QTest::addColumn<QList<int>>("ltrb");
    QTest::newRow("square centre") << false << QSize(50, 50) << 1 << 0 << QList<int>{17, 17, 33, 33};
    QTest::newRow("square top") << false << QSize(50, 50) << 1 << 1 << QList<int>{17, 1, 33, 17};
    QTest::newRow("square left") << false << QSize(50, 50) << 1 << 2 << QList<int>{1, 17, 17, 33};
    QTest::newRow("square right") << false << QSize(50, 50) << 1 << 3 << QList<int>{33, 17, 49, 33};
    QTest::newRow("square bottom") << false << QSize(50, 50) << 1 << 4 << QList<int>{17, 33, 33, 49};
    QTest::newRow("square, wide panel, offset 2") << false << QSize(61, 40) << 2 << 0 << QList<int>{21, 14, 40, 26};
    QTest::newRow("triangle top") << true << QSize(50, 50) << 1 << 1 << QList<int>{17, 1, 31, 24};
    QTest::newRow("triangle left") << true << QSize(50, 50) << 1 << 2 << QList<int>{1, 17, 23, 32};
    QTest::newRow("triangle right") << true << QSize(50, 50) << 1 << 3 << QList<int>{25, 17, 47, 32};
    QTest::newRow("triangle bottom") << true << QSize(50, 50) << 1 << 4 << QList<int>{17, 25, 31, 47};
    QTest::newRow("triangle halves of an odd width") << true << QSize(61, 41) << 2 << 3 << QList<int>{30, 14, 54, 24};
    QTest::newRow("triangle narrower than its offsets truncates toward zero") << true << QSize(1, 1) << 1 << 3
                                                                               << QList<int>{1, 1, -1, 0};
}

void TestBasicControls::toothRectangles()
{
    QFETCH(bool, triangle);
    QFETCH(QSize, size);
    QFETCH(int, offset);
    QFETCH(int, index);
    QFETCH(QList<int>, ltrb);
    TIToothPanel tooth;
    tooth.resize(size);
    tooth.setAiTriangle(triangle);
    tooth.setAiOffset(offset);
    const QRect r = tooth.GetToothRect(index);
    QCOMPARE((QList<int>{r.x(), r.y(), r.x() + r.width(), r.y() + r.height()}), ltrb);
}

void TestBasicControls::toothIndexOutOfBounds_data()
{
    QTest::addColumn<bool>("triangle");
    QTest::addColumn<int>("index");
    QTest::newRow("square, past the last surface") << false << 5;
    QTest::newRow("square, negative") << false << -1;
    QTest::newRow("triangle has no centre") << true << 0;
    QTest::newRow("triangle, past the last surface") << true << 5;
}

void TestBasicControls::toothIndexOutOfBounds()
{
    QFETCH(bool, triangle);
    QFETCH(int, index);
    TIToothPanel tooth;
    tooth.setAiTriangle(triangle);
    try {
        tooth.GetToothRect(index);
        QFAIL("no error");
    } catch (const toolkit::EListError &e) {
        QCOMPARE(e.Message(), QStringLiteral("TIToothPanel.GetToothRect: List index out of bounds: %1!").arg(index));
    }
}

TIToothPanel *TestBasicControls::Tooth(TIToothPanel &tooth, bool triangle)
{
    tooth.resize(60, 60);
    tooth.setAiTriangle(triangle);
    tooth.setAiPenColor(toolkit::clBlack);
    for (int i = 0; i < TIToothPanel::SurfaceCount; ++i)
        tooth.setAiFillColor(i, Fills[i]);
    return &tooth;
}

void TestBasicControls::squareToothPaintsItsSurfaces()
{
    TIToothPanel tooth;
    Tooth(tooth, false);
    tooth.setAiValue(0, QStringLiteral("K"));
    tooth.setAiFontColor(0, toolkit::clWhite);
    const QImage image = tooth.grab().toImage();
    const QColor background = tooth.palette().color(tooth.backgroundRole());
    for (int i = 1; i < TIToothPanel::SurfaceCount; ++i) {
        const QRect r = tooth.GetToothRect(i);
        QCOMPARE(image.pixelColor(r.center()), ColorToQColor(Fills[i]));
        QCOMPARE(image.pixelColor(r.topLeft()), QColor(Qt::black));
    }
    // The corners of the 3 × 3 grid stay the panel's own.
    QCOMPARE(image.pixelColor(5, 5), background);
    QCOMPARE(image.pixelColor(54, 54), background);
    // The centre is red with its white label written inside it.
    const QRect centre = tooth.GetToothRect(0).adjusted(1, 1, -1, -1);
    int red = 0, light = 0; // the label is smoothed into the red
    for (int y = centre.top(); y <= centre.bottom(); ++y)
        for (int x = centre.left(); x <= centre.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            red += c == ColorToQColor(Fills[0]);
            light += c.green() > 100;
        }
    QVERIFY2(red > centre.width() * centre.height() / 2, qPrintable(QString::number(red)));
    QVERIFY(light > 0);
}

void TestBasicControls::triangleToothPaintsItsSurfaces()
{
    TIToothPanel tooth;
    Tooth(tooth, true);
    const QImage image = tooth.grab().toImage();
    const QPoint inside[] = {{}, {30, 6}, {6, 30}, {53, 30}, {30, 53}};
    for (int i = 1; i < TIToothPanel::SurfaceCount; ++i)
        QCOMPARE(image.pixelColor(inside[i]), ColorToQColor(Fills[i]));
    // The four meet in the middle: no centre surface.
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 60; ++x)
            QVERIFY(image.pixelColor(x, y) != ColorToQColor(Fills[0]));
    QCOMPARE(image.pixelColor(1, 30), QColor(Qt::black));
}

void TestBasicControls::unchangedColourDoesNotRepaint()
{
    TCountingTooth tooth;
    Tooth(tooth, false);
    tooth.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tooth));
    QTRY_VERIFY(tooth.Paints > 0);
    QCoreApplication::processEvents();
    const int before = tooth.Paints;
    tooth.setAiFillColor(2, Fills[2]);
    tooth.setAiValue(2, QString());
    tooth.setAiTriangle(false);
    QCoreApplication::processEvents();
    QCOMPARE(tooth.Paints, before);
    tooth.setAiFillColor(2, toolkit::clWhite);
    QTRY_VERIFY(tooth.Paints > before);
}

void TestBasicControls::iconPanelShowsADomainObjectsIconOnly()
{
    TIMireloObjectIconPanel panel;
    QCOMPARE(panel.size(), QSize(16, 16));
    QCOMPARE(panel.frameShape(), QFrame::NoFrame);
    const QImage empty = panel.grab().toImage();

    int notAnObject = 0;
    panel.SetObject(&notAnObject);
    QCOMPARE(panel.aiImageIndex(), -1);
    QCOMPARE(panel.grab().toImage(), empty);

    TIconObject object;
    panel.SetObject(&object);
    QCOMPARE(panel.aiImageIndex(), 4);
    QImage expected = empty;
    {
        QPainter p(&expected);
        ObjectImageList()->Draw(&p, 0, 0, 4);
    }
    QCOMPARE(panel.grab().toImage(), expected);
    panel.SetObject(nullptr);
    QCOMPARE(panel.aiImageIndex(), -1);
}

void TestBasicControls::listBoxTakesTheDefaultImages()
{
    aiDefaultImageList = ObjectImageList();
    TICustomHCListBox withDefault;
    QCOMPARE(withDefault.aiImages(), ObjectImageList());
    aiDefaultImageList = nullptr;
    TICustomHCListBox without;
    QCOMPARE(without.aiImages(), nullptr);
}

QTEST_MAIN(TestBasicControls)
#include "tst_basic_controls.moc"
