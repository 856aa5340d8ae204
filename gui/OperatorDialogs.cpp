#include "gui/OperatorDialogs.h"

#include <QCoreApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QQueue>

namespace {
struct Seam
{
    bool testMode = false;
    QQueue<bool> answers;
    QQueue<QString> fileNames;
    QQueue<QColor> colors;
    QStringList shown;
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
    seam().shown << text;
    if (seam().testMode)
        return;
    QMessageBox box(icon, caption(), text, QMessageBox::Ok, parent);
    box.exec();
}

QString takeFileName(const QString &caption, const QString &filter)
{
    seam().fileDialogs << caption + QLatin1Char('|') + filter;
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
        return takeFileName(title, filter);
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
        return takeFileName(title, filter);
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
