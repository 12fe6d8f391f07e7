#include "DemoDentalChart.h"

#include "marvok/Iquery.h"
#include "toolkit/Graphics.h"
#include "tovlet/dialogs/cBasic.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QRandomGenerator>
#include <QVBoxLayout>

#include <array>

namespace demo {

namespace {

using namespace toolkit;

enum TFinding { fNone, fCaries, fFilling, fCrown, fMissing, fCount };

struct TFindingStyle
{
    const char *Mark;
    TColor Fill;
    TColor Font;
    const char *Name;
};

const TFindingStyle Styles[fCount] = {
    {"", clWindow, clWindowText, ""},
    {"K", RGB(0xE5, 0x39, 0x35), clWhite, "Karies"},
    {"Z", RGB(0x1E, 0x88, 0xE5), clWhite, "Zalivka"},
    {"KR", RGB(0xF2, 0xC1, 0x4E), RGB(0x5D, 0x40, 0x37), "Krona"},
    {"X", RGB(0xCF, 0xD8, 0xDC), RGB(0x45, 0x5A, 0x64), "Manjkajoč zob"},
};

// Surfaces as a dentist names them: occlusal, mesial, distal, vestibular,
// oral (palatal in the upper jaw, lingual in the lower).
enum TSurface { sO, sM, sD, sV, sOral, sCount };

struct TTooth
{
    int Number = 0;
    TFinding Whole = fNone;
    std::array<TFinding, sCount> Surfaces{};
};

bool UpperJaw(int tooth)
{
    return tooth / 10 == 1 || tooth / 10 == 2;
}

// The patient's right is on the viewer's left: quadrants 1 and 4.
bool PatientRight(int tooth)
{
    return tooth / 10 == 1 || tooth / 10 == 4;
}

// Which of the panel's five surfaces shows a tooth surface: the vestibular
// side faces the lips, outwards from the chart's middle line; the mesial
// side faces the middle of the arch.
int PanelSurface(int tooth, TSurface s)
{
    switch (s) {
    case sO:
        return 0;
    case sV:
        return UpperJaw(tooth) ? 1 : 4;
    case sOral:
        return UpperJaw(tooth) ? 4 : 1;
    case sM:
        return PatientRight(tooth) ? 3 : 2;
    default:
        return PatientRight(tooth) ? 2 : 3;
    }
}

QString SurfaceLetter(int tooth, TSurface s)
{
    static const char *const letters[sCount] = {"O", "M", "D", "V", ""};
    if (s == sOral)
        return UpperJaw(tooth) ? QStringLiteral("P") : QStringLiteral("L");
    return QString::fromLatin1(letters[s]);
}

// Teeth from the patient's right to the left, upper jaw then lower.
QList<int> ChartOrder(bool upper)
{
    QList<int> teeth;
    const int right = upper ? 10 : 40;
    const int left = upper ? 20 : 30;
    for (int i = 8; i >= 1; --i)
        teeth << right + i;
    for (int i = 1; i <= 8; ++i)
        teeth << left + i;
    return teeth;
}

// A believable adult mouth: wisdom teeth often missing, fillings mostly in
// the molars, a little caries, now and then a crown.
QList<TTooth> MakeUpMouth(qint64 patientId)
{
    QRandomGenerator rng(quint32(patientId * 2654435761u + 17u));
    QList<TTooth> mouth;
    bool caries = false;
    int crowns = 0;
    for (bool upper : {true, false})
        for (int number : ChartOrder(upper)) {
            TTooth t;
            t.Number = number;
            const int kind = number % 10;
            const int r = int(rng.bounded(100));
            auto side = [&] { return rng.bounded(2) ? sM : sD; };
            if (kind == 8 && r < 55)
                t.Whole = fMissing;
            else if (kind == 6 || kind == 7) {
                if (r < 10 && crowns < 2) {
                    t.Whole = fCrown;
                    ++crowns;
                } else if (r < 55) {
                    t.Surfaces[sO] = fFilling;
                    if (rng.bounded(100) < 35)
                        t.Surfaces[side()] = fFilling;
                } else if (r < 68) {
                    t.Surfaces[rng.bounded(2) ? sO : side()] = fCaries;
                    caries = true;
                }
            } else if (kind == 4 || kind == 5) {
                if (r < 20)
                    t.Surfaces[rng.bounded(3) ? sO : side()] = fFilling;
                else if (r < 28) {
                    t.Surfaces[side()] = fCaries;
                    caries = true;
                }
            } else if (r < 7)
                t.Surfaces[side()] = fFilling;
            else if (r < 10 && kind <= 3) {
                t.Surfaces[rng.bounded(2) ? sV : side()] = fCaries;
                caries = true;
            }
            mouth << t;
        }
    if (!caries)
        for (TTooth &t : mouth)
            if (t.Number == 36 && t.Whole == fNone) {
                t.Surfaces[sD] = fCaries;
                break;
            }
    return mouth;
}

QString Surfaces(int count)
{
    const int hundred = count % 100;
    if (hundred == 1)
        return QStringLiteral("%1 ploskev").arg(count);
    if (hundred == 2)
        return QStringLiteral("%1 ploskvi").arg(count);
    if (hundred == 3 || hundred == 4)
        return QStringLiteral("%1 ploskve").arg(count);
    return QStringLiteral("%1 ploskev").arg(count);
}

tovlet::TIToothPanel *ToothPanel(const TTooth &t, QWidget *parent)
{
    auto *panel = new tovlet::TIToothPanel(parent);
    panel->setObjectName(QStringLiteral("zob%1").arg(t.Number));
    panel->setFixedSize(50, 50);
    QFont f = panel->font();
    f.setPixelSize(10);
    f.setBold(true);
    panel->setFont(f);
    panel->setAiPenColor(RGB(0x54, 0x6E, 0x7A));
    QStringList tip;
    if (t.Whole != fNone) {
        const TFindingStyle &s = Styles[t.Whole];
        for (int i = 0; i < tovlet::TIToothPanel::SurfaceCount; ++i)
            panel->setAiFillColor(i, s.Fill);
        panel->setAiValue(0, QString::fromLatin1(s.Mark));
        panel->setAiFontColor(0, s.Font);
        tip << QString::fromUtf8(s.Name).toLower();
    }
    for (int s = 0; s < sCount; ++s) {
        const TFinding f = t.Surfaces[s];
        if (f == fNone)
            continue;
        const int at = PanelSurface(t.Number, TSurface(s));
        panel->setAiFillColor(at, Styles[f].Fill);
        panel->setAiFontColor(at, Styles[f].Font);
        panel->setAiValue(at, QString::fromLatin1(Styles[f].Mark));
        tip << QStringLiteral("%1 %2").arg(QString::fromUtf8(Styles[f].Name).toLower(), SurfaceLetter(t.Number, TSurface(s)));
    }
    panel->setToolTip(QStringLiteral("Zob %1: %2").arg(t.Number).arg(tip.isEmpty() ? QStringLiteral("brez posebnosti") : tip.join(QStringLiteral(", "))));
    return panel;
}

QLabel *Caption(const QString &text, QWidget *parent, bool muted = false)
{
    auto *label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    if (muted)
        label->setStyleSheet(QStringLiteral("color: #78909c;"));
    return label;
}

QWidget *LegendEntry(TFinding f, QWidget *parent)
{
    auto *entry = new QWidget(parent);
    auto *row = new QHBoxLayout(entry);
    row->setContentsMargins(0, 0, 12, 0);
    row->setSpacing(5);
    const TFindingStyle &s = Styles[f];
    auto *mark = new QLabel(QString::fromLatin1(s.Mark), entry);
    mark->setAlignment(Qt::AlignCenter);
    mark->setFixedSize(26, 18);
    mark->setStyleSheet(QStringLiteral("background: %1; color: %2; font-weight: bold; border: 1px solid #546e7a;")
                            .arg(ColorToQColor(s.Fill).name(), ColorToQColor(s.Font).name()));
    row->addWidget(mark);
    row->addWidget(new QLabel(QString::fromUtf8(s.Name), entry));
    return entry;
}

} // namespace

QWidget *CreateDentalChartWindow(qint64 patientId, QWidget *parent)
{
    const QString name = marvok::GetValueFromQuery(
                             QStringLiteral("select PRIIMEK || ' ' || IME from QDAT.PACIENT where ID = %1").arg(patientId))
                             .toString();
    auto *window = new QWidget(parent, Qt::Window);
    window->setObjectName(QStringLiteral("fmZobniKarton"));
    window->setWindowTitle(QStringLiteral("Zobni karton – %1").arg(name));
    auto *layout = new QVBoxLayout(window);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->setSpacing(10);
    auto *title = new QLabel(QStringLiteral("<b>Zobni karton</b> – %1").arg(name.toHtmlEscaped()), window);
    layout->addWidget(title);

    const QList<TTooth> mouth = MakeUpMouth(patientId);
    auto *chart = new QWidget(window);
    auto *grid = new QGridLayout(chart);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(3);
    // Columns: jaw name, 8 teeth of the patient's right, the middle line, 8 of the left.
    const int middle = 9;
    auto column = [&](int i) { return i < 8 ? 1 + i : middle + 1 + (i - 8); };
    grid->addWidget(Caption(QStringLiteral("desno"), chart, true), 0, 1, 1, 8, Qt::AlignLeft);
    grid->addWidget(Caption(QStringLiteral("levo"), chart, true), 0, middle + 1, 1, 8, Qt::AlignRight);
    auto *upperJaw = Caption(QStringLiteral("Zgornja<br>čeljust"), chart, true);
    auto *lowerJaw = Caption(QStringLiteral("Spodnja<br>čeljust"), chart, true);
    grid->addWidget(upperJaw, 2, 0);
    grid->addWidget(lowerJaw, 4, 0);
    int counts[fCount] = {};
    for (int i = 0; i < mouth.size(); ++i) {
        const TTooth &t = mouth.at(i);
        const bool upper = i < 16;
        const int at = column(i % 16);
        auto *number = Caption(QString::number(t.Number), chart, t.Whole == fMissing);
        QFont f = number->font();
        f.setBold(t.Whole != fMissing);
        number->setFont(f);
        grid->addWidget(number, upper ? 1 : 5, at);
        grid->addWidget(ToothPanel(t, chart), upper ? 2 : 4, at);
        if (t.Whole != fNone)
            ++counts[t.Whole];
        for (TFinding s : t.Surfaces)
            ++counts[s];
    }
    auto *midline = new QFrame(chart);
    midline->setFrameShape(QFrame::VLine);
    midline->setStyleSheet(QStringLiteral("color: #90a4ae;"));
    grid->addWidget(midline, 1, middle, 5, 1, Qt::AlignHCenter);
    auto *occlusal = new QFrame(chart);
    occlusal->setFrameShape(QFrame::HLine);
    occlusal->setStyleSheet(QStringLiteral("color: #90a4ae;"));
    grid->addWidget(occlusal, 3, 1, 1, 17);
    layout->addWidget(chart, 0, Qt::AlignLeft);

    auto *legend = new QWidget(window);
    auto *legendRow = new QHBoxLayout(legend);
    legendRow->setContentsMargins(0, 0, 0, 0);
    legendRow->setSpacing(0);
    for (TFinding f : {fCaries, fFilling, fCrown, fMissing})
        legendRow->addWidget(LegendEntry(f, legend));
    legendRow->addStretch(1);
    layout->addWidget(legend);
    auto *summary = new QLabel(QStringLiteral("Karies: %1 · zalivke: %2 · krone: %3 · manjkajočih zob: %4")
                                   .arg(Surfaces(counts[fCaries]), Surfaces(counts[fFilling]))
                                   .arg(counts[fCrown])
                                   .arg(counts[fMissing]),
                               window);
    summary->setObjectName(QStringLiteral("laPovzetek"));
    layout->addWidget(summary);
    auto *surfaces = new QLabel(QStringLiteral("Ploskve: O okluzalna, M mezialna, D distalna, V vestibularna, "
                                               "P palatinalna, L lingvalna."),
                                window);
    surfaces->setStyleSheet(QStringLiteral("color: #607d8b;"));
    layout->addWidget(surfaces);
    window->resize(window->sizeHint());
    return window;
}

} // namespace demo
