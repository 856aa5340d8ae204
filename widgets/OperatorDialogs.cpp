#include "widgets/OperatorDialogs.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QQueue>

namespace {
struct Seam
{
    bool testMode = false;
    QQueue<bool> answers;
    QQueue<QString> fileNames;
    QStringList shown;
};

Seam &seam()
{
    static Seam s;
    return s;
}

const QString &caption()
{
    static const QString text = QStringLiteral("Zorvexa");
    return text;
}

void showMessage(QWidget *parent, QMessageBox::Icon icon, const QString &text)
{
    seam().shown << text;
    if (seam().testMode)
        return;
    QMessageBox box(icon, caption(), text, QMessageBox::Ok, parent);
    box.exec();
}

QString takeFileName()
{
    return seam().fileNames.isEmpty() ? QString() : seam().fileNames.dequeue();
}
} // namespace

namespace OperatorDialogs {

bool AskYesNo(QWidget *parent, const QString &text)
{
    seam().shown << text;
    if (!seam().answers.isEmpty())
        return seam().answers.dequeue();
    if (seam().testMode)
        return false;
    QMessageBox box(QMessageBox::Question, caption(), text, QMessageBox::Yes | QMessageBox::No, parent);
    return box.exec() == QMessageBox::Yes;
}

void ShowError(QWidget *parent, const QString &text)
{
    showMessage(parent, QMessageBox::Critical, text);
}

void ShowInformation(QWidget *parent, const QString &text)
{
    showMessage(parent, QMessageBox::Information, text);
}

QString GetOpenFileName(QWidget *parent, const QString &title, const QString &filter, const QString &initialPath)
{
    if (seam().testMode)
        return takeFileName();
    QFileDialog dialog(parent, title, initialPath, filter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

QString GetSaveFileName(QWidget *parent, const QString &title, const QString &filter,
                        const QString &defaultSuffix, const QString &initialPath)
{
    if (seam().testMode)
        return takeFileName();
    QFileDialog dialog(parent, title, initialPath, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    const QString path = dialog.selectedFiles().constFirst();
    const QFileInfo info(path);
    if (!info.exists())
        return AskYesNo(parent, QCoreApplication::translate("OperatorDialogs", "%1 does not exist.\nCreate the file?")
                                    .arg(info.fileName()))
                   ? path
                   : QString();
    if (!info.isWritable()) {
        ShowError(parent, QCoreApplication::translate("OperatorDialogs", "%1 is read-only.").arg(info.fileName()));
        return QString();
    }
    return path;
}

void QueueAnswer(bool yes)
{
    seam().answers.enqueue(yes);
}

void QueueFileName(const QString &fileName)
{
    seam().fileNames.enqueue(fileName);
}

QStringList TakeShownMessages()
{
    QStringList result;
    result.swap(seam().shown);
    return result;
}

void SetTestMode(bool on)
{
    seam().testMode = on;
}

} // namespace OperatorDialogs
