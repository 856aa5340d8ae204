#include "core/protocol/ProtocolExport.h"

#include "core/system/CheckedSave.h"

FileResult writeExportFile(const QString &path, const QByteArray &content)
{
    CheckedSave file(path);
    if (FileResult opened = file.open(); !opened)
        return opened;
    file.write(content.constData(), content.size());
    return file.commit();
}
