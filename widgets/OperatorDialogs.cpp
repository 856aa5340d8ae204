#include "widgets/OperatorDialogs.h"

#include <QFileDialog>
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

QString GetOpenFileName(QWidget *parent, const QString &title, const QString &filter)
{
    if (seam().testMode)
        return takeFileName();
    return QFileDialog::getOpenFileName(parent, title, QString(), filter);
}

QString GetSaveFileName(QWidget *parent, const QString &title, const QString &filter,
                        const QString &defaultSuffix)
{
    if (seam().testMode)
        return takeFileName();
    QFileDialog dialog(parent, title, QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
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
