// Use-case files are edited by hand and copied between installations: any
// content must load or end in an error, never crash or hang.
#include "toolkit/Exception.h"
#include "tovlet/core/Tovlet.h"
#include "tovlet/usecases/IucXmap.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static tovlet::TPackageScope package;
    static QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("uc.xml"));
    {
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly))
            return 0;
        f.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    try {
        tovlet::IUCXMLMapper()->LoadGlobals(tovlet::IUCUnitGlobals(), file);
        tovlet::IUCXMLMapper()->SaveGlobals(tovlet::IUCUnitGlobals(), dir.filePath(QStringLiteral("out.xml")));
        tovlet::IUCXMLMapper()->LoadGlobals(tovlet::IUCUnitGlobals(), dir.filePath(QStringLiteral("out.xml")));
    } catch (const toolkit::Exception &) {
    }
    return 0;
}
