// Zip archives through the 7-Zip program (Debian's 7zip, "7zz"; "7z" or
// "7za" when that is what the machine has). Files are stored with their
// paths relative to the base directory. Nothing half-written is left behind:
// the archive is written to a temporary name and renamed when complete.
#pragma once

#include "marvok/marvok_export.h"

#include <QString>
#include <QStringList>

namespace marvok {

class MARVOK_EXPORT TAbZipArchive
{
public:
    explicit TAbZipArchive(QString fileName);
    QString FileName() const { return FFileName; }
    QString BaseDirectory() const { return FBaseDirectory; }
    void SetBaseDirectory(const QString &dir) { FBaseDirectory = dir; }
    // Every file matching a wildcard mask ("C:/izvidi/*.pdf"), without subfolders.
    void AddFiles(const QString &mask);
    void AddFile(const QString &fileName);
    QStringList Files() const { return FFiles; }
    // Writes the archive; raises toolkit::Exception with 7-Zip's message on failure.
    void Save();
    // The entries of an existing archive (for checks and tests).
    static QStringList List(const QString &archive);

private:
    QString FFileName;
    QString FBaseDirectory;
    QStringList FFiles;
};

// Adds one file to the archive, as the original's AbZip did.
MARVOK_EXPORT void AbZip(TAbZipArchive &archive, const QString &fileName);
// The 7-Zip program found on this machine; empty when there is none.
MARVOK_EXPORT QString SevenZipProgram();

} // namespace marvok
