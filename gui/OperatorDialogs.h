#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>

class QWidget;

// Every question, message box and file dialog goes through here, so tests can answer in advance.
namespace OperatorDialogs {

// Yes/No question with the caption "Zorvexa" and a question icon; true only for Yes.
bool askYesNo(QWidget *parent, const QString &text);
void showError(QWidget *parent, const QString &text);
void showInformation(QWidget *parent, const QString &text);

// An empty result means the operator cancelled. The dialogs open at initialPath (the file
// chosen last). The open dialog takes only an existing file; the save dialog asks before it
// replaces a file or creates a new one, and refuses a read-only file.
QString getOpenFileName(QWidget *parent, const QString &caption, const QString &filter,
                        const QString &initialPath = QString());
QString getSaveFileName(QWidget *parent, const QString &caption, const QString &filter,
                        const QString &defaultSuffix, const QString &initialPath = QString());

// A save dialog for exports: one filter per choice (say "this class" or "all classes"), each with
// its own proposed file name in folder. It asks only before replacing a file, never before
// creating one, and refuses a read-only file. An empty path means the operator cancelled.
// A queued file name that ends in "/" is a folder where the operator kept the proposed name.
struct SaveChoice
{
    QString filter;
    QString fileName;
};
struct ChosenFile
{
    QString path;
    int choice = 0;
};
ChosenFile getExportFileName(QWidget *parent, const QString &caption, const QList<SaveChoice> &choices,
                             const QString &defaultSuffix, const QString &folder);

// Test seam: queued answers are taken in order instead of showing the dialog.
void queueAnswer(bool yes);
void queueFileName(const QString &fileName);
// The filter the export dialog's next file name is chosen with; the first when none is queued.
void queueChoice(int choice);
// Drops queued answers, file names and choices nobody took, so they cannot answer a later test.
void discardQueued();
// Texts of the message boxes shown (or answered from the queue) since the last call.
QStringList takeShownMessages();
// True while answers are queued or the test mode is on: nothing modal is shown then.
void setTestMode(bool on);

} // namespace OperatorDialogs
