// Loading a use-case file of 5,000 use cases and 200 contexts into the
// model, against parsing the same file into a DOM alone.
#include "BenchRatio.h"

#include "tovlet/core/Tovlet.h"
#include "tovlet/usecases/IucXmap.h"

#include <QCoreApplication>
#include <QDomDocument>
#include <QFile>
#include <QTemporaryDir>

using namespace tovlet;

namespace {

QString GFile;

void Prepare(const QString &folder)
{
    TIUCUnitGlobals *g = IUCUnitGlobals();
    for (int w = 0; w < 40; ++w)
        g->aiWinControlList()->Add(new TIUCWinControl(QStringLiteral("wc%1").arg(w), QStringLiteral("Okno %1").arg(w)));
    for (int i = 0; i < 4500; ++i) {
        auto *a = new TIUCUseCaseAction;
        a->setAiCode(QStringLiteral("UC%1").arg(i));
        a->setAiName(QStringLiteral("act%1").arg(i));
        for (TIUCVisualProperties *v : {a->aiVisualProperties(), a->aiVisualPropertiesMKI(), a->aiVisualPropertiesSRL(), a->aiVisualPropertiesENG()}) {
            v->setAiCaption(QStringLiteral("&Primer uporabe %1").arg(i));
            v->setAiHint(QStringLiteral("Namig za primer %1").arg(i));
            v->setAiImageIndex(i % 50);
        }
        g->aiUCActionList()->Add(a);
    }
    g->RefreshAllUCList();
    for (int j = 0; j < 500; ++j) {
        auto *u = new TIUCUseCaseJoined;
        u->setAiCode(QStringLiteral("JU%1").arg(j));
        u->setAiMenuType(TIUCMenuType::mtPopup);
        for (int k = 0; k < 8; ++k)
            u->aiSubUC()->Add(g->aiAllUCList()->GetItem((j * 8 + k) % 4500));
        g->aiUCJoinedList()->Add(u);
    }
    g->RefreshAllUCList();
    for (int c = 0; c < 200; ++c) {
        QStringList links;
        for (int w = 0; w < 40; w += 4) {
            QStringList codes;
            for (int k = 0; k < 12; ++k)
                codes << QStringLiteral("UC%1").arg((c * 37 + w * 11 + k * 13) % 4500);
            links << QStringLiteral("wc%1=%2").arg(w).arg(codes.join(QLatin1Char(',')));
        }
        g->aiContextList()->Add(new TIUCContext(QStringLiteral("WU%1").arg(c / 3), QStringLiteral("USER%1").arg(c % 3), links.join(QLatin1Char('/'))));
    }
    GFile = folder + QStringLiteral("/usecases.xml");
    IUCXMLMapper()->SaveGlobals(g, GFile);
}

void LoadModel(benchmark::State &state)
{
    for (auto _ : state) {
        IUCXMLMapper()->LoadGlobals(IUCUnitGlobals(), GFile);
        benchmark::DoNotOptimize(IUCUnitGlobals()->aiAllUCList()->GetCount());
    }
}

void ParseDom(benchmark::State &state)
{
    for (auto _ : state) {
        QFile f(GFile);
        f.open(QIODevice::ReadOnly);
        QDomDocument doc;
        doc.setContent(&f);
        benchmark::DoNotOptimize(doc.documentElement().childNodes().count());
    }
}

} // namespace

BENCHMARK(LoadModel)->Unit(benchmark::kMillisecond);
BENCHMARK(ParseDom)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    TPackageScope package;
    QTemporaryDir dir;
    Prepare(dir.path());
    return bench::RunWithRatios(argc, argv, {{"usecase_load", "LoadModel", "ParseDom"}});
}
