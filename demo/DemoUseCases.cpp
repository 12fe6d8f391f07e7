#include "DemoUseCases.h"

#include "marvok/Ilog.h"
#include "toolkit/Exception.h"

#include "tovlet/usecases/IucXmap.h"
#include "tovlet/usecases/iUC.h"

#include <QDir>
#include <QFile>
#include <QHash>

namespace demo {

using namespace tovlet;

namespace {

TIUCUseCaseCustom *AddAction(TIUCUnitGlobals *g, const QString &code, const QString &caption, const QString &english,
                             const QString &shortCut = {}, const QString &hint = {})
{
    auto *a = new TIUCUseCaseAction;
    a->setAiCode(code);
    a->setAiName(QStringLiteral("ac") + code.mid(3));
    for (TIUCVisualProperties *v : {a->aiVisualProperties(), a->aiVisualPropertiesSLO()}) {
        v->setAiCaption(caption);
        v->setAiHint(hint);
        v->setAiShortCut(shortCut);
    }
    a->aiVisualPropertiesENG()->setAiCaption(english);
    a->aiVisualPropertiesENG()->setAiShortCut(shortCut);
    g->aiUCActionList()->Add(a);
    return a;
}

void AddJoined(TIUCUnitGlobals *g, const QString &code, const QString &caption, const QString &english, const QStringList &subs)
{
    auto *j = new TIUCUseCaseJoined;
    j->setAiCode(code);
    j->setAiName(QStringLiteral("mn") + code.mid(2));
    j->setAiMenuType(TIUCMenuType::mtPopup);
    j->setAiParentWinControl(g->aiWinControlList()->GetItemByCode(QStringLiteral("mnuMain")));
    j->aiVisualProperties()->setAiCaption(caption);
    j->aiVisualPropertiesSLO()->setAiCaption(caption);
    j->aiVisualPropertiesENG()->setAiCaption(english);
    g->aiUCJoinedList()->Add(j);
    g->RefreshAllUCList();
    for (const QString &s : subs)
        if (TIUCUseCaseCustom *u = g->aiAllUCList()->GetItemByCode(s))
            j->aiSubUC()->Add(u);
}

void BuildDefaults(TIUCUnitGlobals *g)
{
    g->ClearAll();
    g->aiWinControlList()->Add(new TIUCWinControl(QStringLiteral("mnuMain"), QStringLiteral("Glavni meni")));
    g->aiWinControlList()->Add(new TIUCWinControl(QStringLiteral("tbMain"), QStringLiteral("Orodna vrstica")));
    AddAction(g, QStringLiteral("UC_OSVEZI"), QStringLiteral("&Osveži"), QStringLiteral("&Refresh"), QStringLiteral("F5"),
              QStringLiteral("Znova prebere seznam pacientov"));
    AddAction(g, QStringLiteral("UC_IZHOD"), QStringLiteral("&Izhod"), QStringLiteral("E&xit"), QStringLiteral("Ctrl+Q"));
    AddAction(g, QStringLiteral("UC_PACIENTI"), QStringLiteral("&Seznam pacientov"), QStringLiteral("&Patients"));
    AddAction(g, QStringLiteral("UC_PREGLED"), QStringLiteral("Seznam v &nastavljivem pogledu ..."), QStringLiteral("&Configurable list ..."), {},
              QStringLiteral("Pacienti v mreži, ki si zapomni stolpce"));
    AddAction(g, QStringLiteral("UC_KARTON"), QStringLiteral("Pacientov &karton"), QStringLiteral("Patient &card"));
    AddAction(g, QStringLiteral("UC_ZOBNI_KARTON"), QStringLiteral("&Zobni karton"), QStringLiteral("&Dental chart"), {},
              QStringLiteral("Zobje izbranega pacienta z izvidi po ploskvah"));
    AddAction(g, QStringLiteral("UC_PREVERI"), QStringLiteral("P&reveri podatke ..."), QStringLiteral("&Check data ..."));
    AddAction(g, QStringLiteral("UC_ALERGIJE"), QStringLiteral("&Alergije in opozorila ..."), QStringLiteral("A&llergies and warnings ..."),
              {}, QStringLiteral("Alergije, opozorila in medicinski pripomočki izbranega pacienta"));
    AddAction(g, QStringLiteral("UC_RECEPTI"), QStringLiteral("&Recepti ..."), QStringLiteral("&Prescriptions ..."), {},
              QStringLiteral("Zdravila, ki jih izbrani pacient dobi na recept"));
    AddAction(g, QStringLiteral("UC_IZBIRA"), QStringLiteral("&Izbira iz šifrantov ..."), QStringLiteral("Code &lists ..."), {},
              QStringLiteral("Zdravnik, diagnoza in razlogi odsotnosti, izbrani iz šifrantov"));
    AddAction(g, QStringLiteral("UC_RAZPORED"), QStringLiteral("&Dnevni razpored"), QStringLiteral("&Day planner"));
    AddAction(g, QStringLiteral("UC_SPREJEM"), QStringLiteral("S&prejem pacienta"), QStringLiteral("&Admission"));
    AddAction(g, QStringLiteral("UC_IZVIDI"), QStringLiteral("&Izvidi"), QStringLiteral("&Reports"));
    AddAction(g, QStringLiteral("UC_SQLMON"), QStringLiteral("&SQL monitor"), QStringLiteral("&SQL monitor"));
    AddAction(g, QStringLiteral("UC_ARHIV"), QStringLiteral("&Arhiv obravnav ..."), QStringLiteral("Visit &archive ..."), {},
              QStringLiteral("Vse obravnave ambulant v eni mreži"));
    AddAction(g, QStringLiteral("UC_PRILAGODI"), QStringLiteral("&Prilagodi orodno vrstico ..."), QStringLiteral("&Customise tool bar ..."));
    AddAction(g, QStringLiteral("UC_OPROGRAMU"), QStringLiteral("&O programu"), QStringLiteral("&About"));
    g->RefreshAllUCList();
    AddJoined(g, QStringLiteral("J_DATOTEKA"), QStringLiteral("&Datoteka"), QStringLiteral("&File"), {"UC_OSVEZI", "UC_IZHOD"});
    AddJoined(g, QStringLiteral("J_PACIENTI"), QStringLiteral("&Pacienti"), QStringLiteral("&Patients"), {"UC_PACIENTI", "UC_PREGLED", "UC_KARTON", "UC_ALERGIJE", "UC_RECEPTI", "UC_IZBIRA", "UC_ZOBNI_KARTON", "UC_SPREJEM", "UC_PREVERI"});
    AddJoined(g, QStringLiteral("J_NAROCANJE"), QStringLiteral("&Naročanje"), QStringLiteral("&Scheduling"), {"UC_RAZPORED"});
    AddJoined(g, QStringLiteral("J_DOKUMENTI"), QStringLiteral("D&okumenti"), QStringLiteral("&Documents"), {"UC_IZVIDI"});
    AddJoined(g, QStringLiteral("J_ORODJA"), QStringLiteral("O&rodja"), QStringLiteral("&Tools"), {"UC_SQLMON", "UC_ARHIV", "UC_PRILAGODI"});
    AddJoined(g, QStringLiteral("J_POMOC"), QStringLiteral("Po&moč"), QStringLiteral("&Help"), {"UC_OPROGRAMU"});
    TIUCContextList *c = g->aiContextList();
    // What everybody gets, then what each working unit and user type adds.
    for (const char *user : {"SESTRA", "ZDRAVNIK", "ADMINISTRATOR"}) {
        c->GetItemByCombination(QStringLiteral("DEFAULT"), QString::fromLatin1(user))
            ->ReplaceUCList(QStringLiteral("mnuMain"), QStringLiteral("J_DATOTEKA"));
        c->GetItemByCombination(QStringLiteral("DEFAULT"), QString::fromLatin1(user))
            ->ReplaceUCList(QStringLiteral("tbMain"), QStringLiteral("UC_OSVEZI"));
    }
    const struct
    {
        const char *wu, *user, *menu, *tools;
    } contexts[] = {
        {"AMBULANTA", "ZDRAVNIK", "J_PACIENTI,J_NAROCANJE,J_DOKUMENTI,J_POMOC", "UC_PACIENTI,UC_RAZPORED,UC_IZVIDI"},
        {"AMBULANTA", "SESTRA", "J_PACIENTI,J_NAROCANJE,J_POMOC", "UC_RAZPORED"},
        {"AMB_SPREJEM", "SESTRA", "J_PACIENTI,J_POMOC", "UC_SPREJEM"},
        {"HOSP_ODDELEK", "ZDRAVNIK", "J_PACIENTI,J_DOKUMENTI,J_POMOC", "UC_KARTON,UC_IZVIDI"},
        {"HOSP_ODDELEK", "SESTRA", "J_PACIENTI,J_POMOC", "UC_KARTON"},
    };
    for (const auto &ctx : contexts) {
        TIUCContext *x = c->GetItemByCombination(QString::fromLatin1(ctx.wu), QString::fromLatin1(ctx.user));
        x->ReplaceUCList(QStringLiteral("mnuMain"), QString::fromLatin1(ctx.menu));
        x->ReplaceUCList(QStringLiteral("tbMain"), QString::fromLatin1(ctx.tools));
    }
    for (const char *wu : {"HOSP_ODDELEK", "AMBULANTA", "HOSP_SPREJEM", "AMB_SPREJEM"}) {
        TIUCContext *x = c->GetItemByCombination(QString::fromLatin1(wu), QStringLiteral("ADMINISTRATOR"));
        x->ReplaceUCList(QStringLiteral("mnuMain"), QStringLiteral("J_PACIENTI,J_ORODJA,J_POMOC"));
        x->ReplaceUCList(QStringLiteral("tbMain"), QStringLiteral("UC_SQLMON"));
    }
}

} // namespace

namespace {

// A code in words: "HOSP_SPREJEM" → "Hosp sprejem".
QString CodeInWords(const QString &code)
{
    QString words = code.toLower().replace(QLatin1Char('_'), QLatin1Char(' ')).simplified();
    if (!words.isEmpty())
        words[0] = words[0].toUpper();
    return words;
}

} // namespace

QString WorkingUnitTypeName(const QString &code)
{
    static const QHash<QString, QString> names{
        {QStringLiteral("HOSP_ODDELEK"), QStringLiteral("Bolnišnični oddelek")},
        {QStringLiteral("AMBULANTA"), QStringLiteral("Ambulanta")},
        {QStringLiteral("HOSP_SPREJEM"), QStringLiteral("Bolnišnični sprejem")},
        {QStringLiteral("AMB_SPREJEM"), QStringLiteral("Ambulantni sprejem")},
    };
    return names.value(code, CodeInWords(code));
}

QString UserTypeName(const QString &code)
{
    static const QHash<QString, QString> names{
        {QStringLiteral("SESTRA"), QStringLiteral("Medicinska sestra")},
        {QStringLiteral("ZDRAVNIK"), QStringLiteral("Zdravnik")},
        {QStringLiteral("ADMINISTRATOR"), QStringLiteral("Skrbnik sistema")},
    };
    return names.value(code, CodeInWords(code));
}

QString ComingLaterText(const QString &code)
{
    static const QHash<QString, QString> what{
        {QStringLiteral("UC_RAZPORED"), QStringLiteral("Dnevni razpored ambulante z naročenimi pacienti")},
        {QStringLiteral("UC_SPREJEM"), QStringLiteral("Sprejem pacienta s preverjanjem zavarovanja")},
        {QStringLiteral("UC_IZVIDI"), QStringLiteral("Pregled izvidov pacienta")},
        {QStringLiteral("UC_SQLMON"), QStringLiteral("Spremljanje poizvedb v bazi za skrbnike")},
    };
    QString subject = what.value(code);
    if (subject.isEmpty()) {
        // An entry only the use-case file knows: named by its caption.
        TIUCUseCaseCustom *u = IUCUnitGlobals()->aiAllUCList()->GetItemByCode(code);
        const QString caption = u ? u->aiVisualProperties()->aiCaption().remove(QLatin1Char('&')).remove(QStringLiteral("...")).trimmed()
                                  : QString();
        subject = caption.isEmpty() ? QStringLiteral("Ta možnost") : QStringLiteral("Možnost »%1«").arg(caption);
    }
    return QStringLiteral("%1 bo na voljo v eni od naslednjih različic.").arg(subject);
}

QString LoadDemoUseCases(const QString &folder, QString *problem)
{
    const QString file = QDir(folder).filePath(QStringLiteral("usecases.xml"));
    TIUCUnitGlobals *g = IUCUnitGlobals();
    if (problem)
        problem->clear();
    if (!QFile::exists(file)) {
        BuildDefaults(g);
        IUCXMLMapper()->SaveGlobals(g, file);
    }
    try {
        IUCXMLMapper()->LoadGlobals(g, file);
    } catch (const toolkit::Exception &e) {
        // A damaged file must not keep the clinic from working: the default
        // use cases serve, and the file stays as it is for someone to repair.
        marvok::ILog(e.Message());
        IUCXMLMapper()->NewGlobals(g);
        BuildDefaults(g);
        if (problem)
            *problem = QStringLiteral("Datoteke primerov uporabe ni mogoče prebrati, zato so na voljo privzeti meniji.\n%1").arg(e.Message());
    }
    g->setAiUCProvider(std::make_unique<TbpUCProvider>());
    return file;
}

} // namespace demo
