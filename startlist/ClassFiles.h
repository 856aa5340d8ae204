#pragma once

#include "startlist/ListFile.h"

#include <QString>

// Loads and saves the ten class files so that a file that failed to load is never lost: its
// original bytes are copied beside it (List03.dat.bak) before anything can overwrite it.
class ClassFiles final
{
public:
    // The list starts empty, so a class without a file has no participants.
    ListFileResult load(StartList &list, int classIndex);
    // Refuses to overwrite a file that failed to load when no copy of it could be made.
    ListFileResult save(const StartList &list, int classIndex);

    // Copies path to the first free "<path>.bak", "<path>.bak2", ...; a copy with the same bytes is
    // reused. Returns the copy's path, or an empty string when no copy could be made.
    static QString keepOriginal(const QString &path);

private:
    QString m_unsafePath;
};
