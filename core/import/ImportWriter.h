#pragma once

#include "core/import/StartListImport.h"
#include "core/system/FileResult.h"

class ClassStore;

enum class ImportMode { Append, Replace };

// Puts the previewed entries into their classes: the current class through the store (one change
// from the import, then saved), every other class straight into its class file. All class files
// are read first; when one cannot be read nothing at all is written. A file written atomically
// stays whole when a later one fails; the failure names the classes that were not written.
// Each class written is announced through ClassStore::imported with fileName.
FileResult writeImport(ClassStore &store, const ImportPreview &preview, ImportMode mode,
                       const QString &fileName = QString());
