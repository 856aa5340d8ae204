#include "gui/OperatorDialogs.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QQueue>

#include <algorithm>

namespace {
struct Seam
{
    bool testMode = false;
    QQueue<bool> answers;
    QQueue<QString> fileNames;
    QQueue<int> choices;
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

bool askYesNo(QWidget *parent, const QString &text)
{
    seam().shown << text;
    if (!seam().answers.isEmpty())
        return seam().answers.dequeue();
    if (seam().testMode)
        return false;
    QMessageBox box(QMessageBox::Question, caption(), text, QMessageBox::Yes | QMessageBox::No, parent);
    return box.exec() == QMessageBox::Yes;
}

void showError(QWidget *parent, const QString &text)
{
    showMessage(parent, QMessageBox::Critical, text);
}

void showInformation(QWidget *parent, const QString &text)
{
    showMessage(parent, QMessageBox::Information, text);
}

QString getOpenFileName(QWidget *parent, const QString &title, const QString &filter, const QString &initialPath)
{
    if (seam().testMode)
        return takeFileName();
    QFileDialog dialog(parent, title, initialPath, filter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

QString getSaveFileName(QWidget *parent, const QString &title, const QString &filter,
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
        return askYesNo(parent, QCoreApplication::translate("OperatorDialogs", "%1 does not exist.\nCreate the file?")
                                    .arg(info.fileName()))
                   ? path
                   : QString();
    if (!info.isWritable()) {
        showError(parent, QCoreApplication::translate("OperatorDialogs", "%1 is read-only.").arg(info.fileName()));
        return QString();
    }
    return path;
}

ChosenFile getExportFileName(QWidget *parent, const QString &title, const QList<SaveChoice> &choices,
                             const QString &defaultSuffix, const QString &folder)
{
    ChosenFile chosen;
    if (seam().testMode) {
        chosen.path = takeFileName();
        chosen.choice = seam().choices.isEmpty() ? 0 : seam().choices.dequeue();
        if (chosen.path.endsWith(QLatin1Char('/')) && chosen.choice >= 0 && chosen.choice < choices.size())
            chosen.path += choices.at(chosen.choice).fileName;
    } else {
        QStringList filters;
        for (const SaveChoice &choice : choices)
            filters << choice.filter;
        QFileDialog dialog(parent, title, folder);
        dialog.setObjectName(QStringLiteral("ExportFileDialog"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilters(filters);
        dialog.setDefaultSuffix(defaultSuffix);
        // The question before replacing a file is asked below, the same way for every dialog.
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        if (!choices.isEmpty())
            dialog.selectFile(choices.constFirst().fileName);
        // Another choice proposes its own name, unless the operator has typed one.
        QString proposed = choices.isEmpty() ? QString() : choices.constFirst().fileName;
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString &filter) {
            const qsizetype i = filters.indexOf(filter);
            const QStringList selected = dialog.selectedFiles();
            const QString current = selected.isEmpty() ? QString() : QFileInfo(selected.constFirst()).fileName();
            if (i < 0 || (!current.isEmpty() && current != proposed))
                return;
            proposed = choices.at(i).fileName;
            dialog.selectFile(proposed);
        });
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        chosen.path = dialog.selectedFiles().constFirst();
        chosen.choice = int(std::max<qsizetype>(0, filters.indexOf(dialog.selectedNameFilter())));
    }
    if (chosen.path.isEmpty())
        return {};
    const QFileInfo info(chosen.path);
    if (info.exists()) {
        if (!info.isWritable()) {
            showError(parent, QCoreApplication::translate("OperatorDialogs", "%1 is read-only.").arg(info.fileName()));
            return {};
        }
        if (!askYesNo(parent, QCoreApplication::translate("OperatorDialogs", "%1 already exists.\nReplace it?")
                                  .arg(info.fileName())))
            return {};
    }
    return chosen;
}

void discardQueued()
{
    seam().answers.clear();
    seam().fileNames.clear();
    seam().choices.clear();
}

void queueChoice(int choice)
{
    seam().choices.enqueue(choice);
}

void queueAnswer(bool yes)
{
    seam().answers.enqueue(yes);
}

void queueFileName(const QString &fileName)
{
    seam().fileNames.enqueue(fileName);
}

QStringList takeShownMessages()
{
    QStringList result;
    result.swap(seam().shown);
    return result;
}

void setTestMode(bool on)
{
    seam().testMode = on;
}

} // namespace OperatorDialogs
