#include "DemoVisitArchive.h"

#include "toolkit/Grids.h"

#include <QDate>
#include <QPainter>
#include <QLabel>
#include <QLocale>
#include <QVBoxLayout>

namespace demo {

namespace {

using namespace toolkit;

enum TColumn { cNumber, cDate, cTime, cSurname, cName, cInsurance, cClinic, cDoctor, cDiagnosis, cStatus, cNote, cCount };

const char *const Titles[cCount] = {"Št.", "Datum", "Ura", "Priimek", "Ime", "Št. KZZ", "Ambulanta", "Zdravnik", "Diagnoza", "Status", "Opomba"};
const int Widths[cCount] = {70, 84, 48, 90, 70, 92, 152, 140, 214, 96, 150};

const char *const Surnames[] = {"Novak", "Horvat", "Kovačič", "Krajnc", "Zupančič", "Potočnik", "Kovač", "Mlakar", "Kos",
                                "Vidmar", "Golob", "Turk", "Kralj", "Zupan", "Bizjak", "Hribar", "Kozole", "Korošec"};
const char *const Names[] = {"Ana", "Marko", "Maja", "Luka", "Nina", "Janez", "Eva", "Matej", "Petra", "Jure", "Mojca",
                             "Tomaž", "Špela", "Andrej", "Urška", "Gregor", "Katja", "Žiga"};
const char *const Clinics[] = {"Splošna ambulanta 1", "Splošna ambulanta 2", "Pediatrična ambulanta", "Ginekološka ambulanta",
                               "Diabetološka ambulanta", "Kardiološka ambulanta"};
const char *const Doctors[] = {"dr. Marija Kos", "dr. Peter Zupan", "dr. Irena Golob", "dr. Boštjan Turk", "dr. Alenka Kralj"};
const char *const Diagnoses[] = {"J06.9 Akutna okužba zgornjih dihal", "I10 Esencialna hipertenzija", "E11.9 Sladkorna bolezen tipa 2",
                                 "M54.5 Bolečina v križu", "K21.9 Gastroezofagealni refluks", "Z00.0 Splošni pregled",
                                 "J45.9 Astma", "N39.0 Okužba sečil"};
const char *const Statuses[] = {"Naročen", "Opravljen", "Odpovedan", "Ni prišel"};

// The archive: visit number n lies in row n; every text is made from it.
class TVisitGrid : public TStringGrid
{
public:
    explicit TVisitGrid(QWidget *parent)
        : TStringGrid(parent)
    {
        SetColCount(cCount);
        SetRowCount(1000000 + 1);
        SetDefaultRowHeight(20);
        for (int c = 0; c < cCount; ++c)
            SetColWidths(c, Widths[c]);
        SetOptions(Options() | goEditing | goColSizing | goThumbTracking | goTabs);
        setMinimumSize(900, 420);
    }

    QString Text(int col, int row)
    {
        if (row == 0)
            return QString::fromUtf8(Titles[col]);
        const QString stored = Cells(col, row);
        if (!stored.isEmpty() || col == cNote)
            return stored;
        const quint64 h = quint64(row) * 2654435761u;
        auto pick = [h](auto &list, int salt) { return QString::fromUtf8(list[(h >> salt) % (sizeof(list) / sizeof(list[0]))]); };
        switch (col) {
        case cNumber: return QLocale(QLocale::Slovenian).toString(row);
        case cDate: return QDate(2026, 12, 7).addDays(-(row / 180)).toString(QStringLiteral("dd.MM.yyyy"));
        case cTime: return QStringLiteral("%1:%2").arg(7 + (row % 180) / 20, 2, 10, QLatin1Char('0')).arg((row % 20) * 3 % 60, 2, 10, QLatin1Char('0'));
        case cSurname: return pick(Surnames, 3);
        case cName: return pick(Names, 9);
        case cInsurance: return QString::number(100000000 + (h % 899999999));
        case cClinic: return pick(Clinics, 13);
        case cDoctor: return pick(Doctors, 17);
        case cDiagnosis: return pick(Diagnoses, 5);
        case cStatus: return row > 360 ? pick(Statuses, 11) == QLatin1String("Naročen") ? QStringLiteral("Opravljen") : pick(Statuses, 11) : QStringLiteral("Naročen");
        default: return {};
        }
    }

protected:
    bool SelectCell(int ACol, int) override
    {
        // Only the status and the note are the user's to change.
        const bool editable = ACol == cStatus || ACol == cNote;
        TGridOptions o = Options();
        o.setFlag(goEditing, editable);
        SetOptions(o);
        return true;
    }
    QString GetEditText(int ACol, int ARow) override { return Text(ACol, ARow); }
    TEditStyle GetEditStyle(int ACol, int) override { return ACol == cStatus ? TEditStyle::esPickList : TEditStyle::esSimple; }
    int GetEditLimit() override { return Col() == cNote ? 60 : 0; }
    TInplaceEdit *CreateEditor() override
    {
        auto *edit = new TInplaceEditList(this);
        edit->OnGetPickListItems = [](int, int, QStringList &items) {
            items.clear();
            for (const char *s : Statuses)
                items << QString::fromUtf8(s);
        };
        return edit;
    }
    void DrawCell(int ACol, int ARow, const QRect &rect, TGridDrawState state) override
    {
        QPainter *canvas = Canvas();
        const QString text = Text(ACol, ARow);
        if (ACol == cStatus && ARow > 0 && !(state & gdSelected)) {
            if (text == QLatin1String("Odpovedan") || text == QLatin1String("Ni prišel"))
                canvas->setPen(QColor(160, 30, 30));
            else if (text == QLatin1String("Naročen"))
                canvas->setPen(QColor(20, 90, 160));
        }
        if (ARow == 0) {
            QFont bold = canvas->font();
            bold.setBold(true);
            canvas->setFont(bold);
        }
        DrawCellText(rect, text, ACol == cNumber && ARow > 0 ? Qt::AlignRight : Qt::AlignLeft);
    }
};

} // namespace

QWidget *CreateVisitArchiveWindow(QWidget *parent)
{
    auto *window = new QWidget(parent, Qt::Window);
    window->setWindowTitle(QStringLiteral("Arhiv obravnav"));
    auto *layout = new QVBoxLayout(window);
    auto *title = new QLabel(QStringLiteral("<b>Arhiv obravnav</b> – 1.000.000 obravnav vseh ambulant. "
                                            "Status izberete s seznamom (Alt+↓), opombo vpišete."),
                             window);
    auto *grid = new TVisitGrid(window);
    auto *where = new QLabel(window);
    layout->addWidget(title);
    layout->addWidget(grid, 1);
    layout->addWidget(where);
    auto show = [grid, where] {
        where->setText(QStringLiteral("Obravnava %1 od %2")
                           .arg(QLocale(QLocale::Slovenian).toString(grid->Row()), QLocale(QLocale::Slovenian).toString(grid->RowCount() - 1)));
    };
    QObject::connect(grid, &TCustomGrid::CurrentMoved, window, show);
    show();
    window->resize(1290, 560);
    grid->setFocus();
    return window;
}

} // namespace demo
