#include "Iabzip.h"

#include "toolkit/Exception.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace marvok {

QString SevenZipProgram()
{
    for (const char *name : {"7zz", "7z", "7za"}) {
        const QString p = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!p.isEmpty())
            return p;
    }
    return {};
}

TAbZipArchive::TAbZipArchive(QString fileName)
    : FFileName(std::move(fileName))
{
}

void TAbZipArchive::AddFiles(const QString &mask)
{
    const QFileInfo fi(mask);
    QDir dir = fi.absoluteDir();
    const QStringList names = dir.entryList({fi.fileName()}, QDir::Files, QDir::Name);
    for (const QString &n : names)
        AddFile(dir.filePath(n));
}

void TAbZipArchive::AddFile(const QString &fileName)
{
    const QString abs = QFileInfo(fileName).absoluteFilePath();
    if (!FFiles.contains(abs))
        FFiles.append(abs);
}

void AbZip(TAbZipArchive &archive, const QString &fileName)
{
    archive.AddFile(fileName);
}

void TAbZipArchive::Save()
{
    const QString program = SevenZipProgram();
    if (program.isEmpty())
        throw toolkit::Exception(QStringLiteral("Programa 7-Zip ni mogoče najti; arhiva %1 ni ustvarjena.").arg(FFileName));
    const QString base = FBaseDirectory.isEmpty() ? QFileInfo(FFileName).absolutePath() : QDir(FBaseDirectory).absolutePath();
    QStringList relative;
    for (const QString &f : std::as_const(FFiles)) {
        const QString rel = QDir(base).relativeFilePath(f);
        if (rel.startsWith(QLatin1String("..")))
            throw toolkit::Exception(QStringLiteral("TAbZipArchive.Save: %1 is outside the base directory %2").arg(f, base));
        relative << rel;
    }
    const QString target = QFileInfo(FFileName).absoluteFilePath();
    const QString temp = target + QStringLiteral(".part.zip");
    QFile::remove(temp);
    QProcess p;
    p.setWorkingDirectory(base);
    // "--" ends the switches: file names that start with "-" stay names.
    p.start(program, QStringList{QStringLiteral("a"), QStringLiteral("-tzip"), QStringLiteral("-y"), QStringLiteral("-bd"), temp,
                                 QStringLiteral("--")}
                         + relative);
    if (!p.waitForFinished(300000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        const QString out = QString::fromLocal8Bit(p.readAllStandardError() + p.readAllStandardOutput()).trimmed();
        QFile::remove(temp);
        throw toolkit::Exception(QStringLiteral("Arhiva %1 ni ustvarjena: %2").arg(FFileName, out.isEmpty() ? p.errorString() : out));
    }
    QFile::remove(target);
    if (!QFile::rename(temp, target)) {
        QFile::remove(temp);
        throw toolkit::Exception(QStringLiteral("Arhiva %1 ni ustvarjena: datoteke ni mogoče zapisati.").arg(FFileName));
    }
}

QStringList TAbZipArchive::List(const QString &archive)
{
    QProcess p;
    p.start(SevenZipProgram(), {QStringLiteral("l"), QStringLiteral("-slt"), QStringLiteral("-ba"), archive});
    p.waitForFinished(60000);
    QStringList names;
    for (const QString &line : QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("Path = ")))
            names << line.mid(7).trimmed();
    return names;
}

} // namespace marvok
