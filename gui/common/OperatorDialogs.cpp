#include "gui/common/OperatorDialogs.h"

#include <QColorDialog>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QQueue>

#include <algorithm>
#include <cstdio>

namespace {
struct Seam
{
    bool testMode = false;
    bool ending = false;
    QQueue<bool> answers;
    QQueue<QString> fileNames;
    QQueue<QColor> colors;
    QQueue<int> choices;
    QQueue<QString> texts;
    QStringList shown;
    QStringList fileDialogTitles;
    QList<QMessageBox::StandardButton> questionDefaults;
    QStringList fileDialogs;
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
    if (seam().ending) {
        std::fprintf(stderr, "zorvexa: %s\n", qPrintable(text));
        return;
    }
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

void recordFileDialog(const QString &title, const QString &filter)
{
    seam().fileDialogTitles << title;
    seam().fileDialogs << title + QLatin1Char('|') + filter;
}
} // namespace

namespace OperatorDialogs {

bool askYesNo(QWidget *parent, const QString &text, QMessageBox::StandardButton defaultButton)
{
    if (seam().ending)
        return false;
    seam().shown << text;
    seam().questionDefaults << defaultButton;
    if (!seam().answers.isEmpty())
        return seam().answers.dequeue();
    if (seam().testMode)
        return false;
    QMessageBox box(QMessageBox::Question, caption(), text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(defaultButton);
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

QString withDefaultSuffix(const QString &path, const QString &defaultSuffix)
{
    if (path.isEmpty() || defaultSuffix.isEmpty() || QFileInfo(path).fileName().contains(QLatin1Char('.'))
        || QFileInfo(path).isDir())
        return path;
    return path + QLatin1Char('.') + defaultSuffix;
}

QString getOpenFileName(QWidget *parent, const QString &title, const QString &filter, const QString &defaultSuffix,
                        const QString &initialPath)
{
    recordFileDialog(title, filter);
    if (seam().ending)
        return QString();
    if (seam().testMode)
        return withDefaultSuffix(takeFileName(), defaultSuffix);
    QFileDialog dialog(parent, title, initialPath, filter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    // Without it the dialog looks for the typed name as it is and finds no file.
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return withDefaultSuffix(dialog.selectedFiles().constFirst(), defaultSuffix);
}

QString getExistingFolder(QWidget *parent, const QString &title, const QString &initialPath)
{
    recordFileDialog(title, QString());
    if (seam().ending)
        return QString();
    if (seam().testMode)
        return takeFileName();
    return QFileDialog::getExistingDirectory(parent, title, initialPath);
}

QString getSaveFileName(QWidget *parent, const QString &title, const QString &filter, const QString &defaultSuffix,
                        const QString &initialPath)
{
    recordFileDialog(title, filter);
    if (seam().ending)
        return QString();
    QString path;
    if (seam().testMode) {
        path = takeFileName();
    } else {
        QFileDialog dialog(parent, title, initialPath, filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(defaultSuffix);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return QString();
        path = dialog.selectedFiles().constFirst();
    }
    if (path.isEmpty())
        return QString();
    path = withDefaultSuffix(path, defaultSuffix);
    const QFileInfo info(path);
    // The dialog takes a typed folder that is not there; writing would fail after the question.
    if (!info.dir().exists()) {
        showError(parent,
                  QCoreApplication::translate("OperatorDialogs", "The folder %1 does not exist.\nNothing was saved.")
                      .arg(QDir::toNativeSeparators(info.absolutePath())));
        return QString();
    }
    if (info.exists() && !info.isWritable()) {
        showError(parent, QCoreApplication::translate("OperatorDialogs", "%1 is read-only.").arg(info.fileName()));
        return QString();
    }
    if (!info.exists() && !seam().testMode
        && !askYesNo(parent,
                     QCoreApplication::translate("OperatorDialogs", "%1 does not exist.\nCreate the file?")
                         .arg(info.fileName())))
        return QString();
    return path;
}

QColor getColor(QWidget *parent, const QColor &initial)
{
    if (seam().testMode)
        return seam().colors.isEmpty() ? QColor() : seam().colors.dequeue();
    return QColorDialog::getColor(initial, parent, QString(), QColorDialog::DontUseNativeDialog);
}

void queueColor(const QColor &color)
{
    seam().colors.enqueue(color);
}

void setEnding(bool on)
{
    seam().ending = on;
}

ChosenFile getExportFileName(QWidget *parent, const QString &title, const QList<SaveChoice> &choices,
                             const QString &defaultSuffix, const QString &folder)
{
    QStringList filters;
    for (const SaveChoice &choice : choices)
        filters << choice.filter;
    recordFileDialog(title, filters.join(QStringLiteral(";;")));
    if (seam().ending)
        return {};
    ChosenFile chosen;
    if (seam().testMode) {
        chosen.path = takeFileName();
        chosen.choice = seam().choices.isEmpty() ? 0 : seam().choices.dequeue();
        if (chosen.path.endsWith(QLatin1Char('/')) && chosen.choice >= 0 && chosen.choice < choices.size())
            chosen.path += choices.at(chosen.choice).fileName;
    } else {
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
        if (!askYesNo(
                parent,
                QCoreApplication::translate("OperatorDialogs", "%1 already exists.\nReplace it?").arg(info.fileName())))
            return {};
    }
    return chosen;
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

QString askText(QWidget *parent, const QString &label)
{
    if (seam().ending)
        return QString();
    seam().shown << label;
    if (seam().testMode)
        return seam().texts.isEmpty() ? QString() : seam().texts.dequeue();
    bool ok = false;
    const QString text = QInputDialog::getText(parent, caption(), label, QLineEdit::Normal, QString(), &ok);
    return ok ? text : QString();
}

void queueText(const QString &text)
{
    seam().texts.enqueue(text);
}

void clearQueues()
{
    seam().texts.clear();
    seam().answers.clear();
    seam().colors.clear();
    seam().fileNames.clear();
}

QStringList takeShownMessages()
{
    QStringList result;
    result.swap(seam().shown);
    return result;
}

QStringList takeFileDialogTitles()
{
    QStringList result;
    result.swap(seam().fileDialogTitles);
    return result;
}

QList<QMessageBox::StandardButton> takeQuestionDefaults()
{
    QList<QMessageBox::StandardButton> result;
    result.swap(seam().questionDefaults);
    return result;
}

QStringList takeFileDialogs()
{
    QStringList result;
    result.swap(seam().fileDialogs);
    return result;
}

void setTestMode(bool on)
{
    seam().testMode = on;
}

} // namespace OperatorDialogs
