#pragma once

#include <QColor>
#include <QMessageBox>
#include <QString>
#include <QStringList>

class QWidget;

// Every question, message box and file dialog goes through here, so tests can answer in advance.
namespace OperatorDialogs {

// Yes/No question with the caption "Zorvexa" and a question icon; true only for Yes. Enter
// chooses the default button: No where a stray Enter would destroy something.
bool askYesNo(QWidget *parent, const QString &text, QMessageBox::StandardButton defaultButton = QMessageBox::Yes);
void showError(QWidget *parent, const QString &text);
void showInformation(QWidget *parent, const QString &text);

// An empty result means the operator cancelled or the choice was refused. The dialogs open at
// initialPath (the file chosen last). A typed name without a suffix gets defaultSuffix, in both
// dialogs. The open dialog takes only an existing file; the save dialog refuses a folder that does
// not exist and a read-only file, and asks before it creates a new file.
QString getOpenFileName(QWidget *parent, const QString &caption, const QString &filter, const QString &defaultSuffix,
                        const QString &initialPath = QString());
QString getSaveFileName(QWidget *parent, const QString &caption, const QString &filter, const QString &defaultSuffix,
                        const QString &initialPath = QString());
// An existing folder; an empty result means the operator cancelled. In test mode the queued file
// name stands for the folder.
QString getExistingFolder(QWidget *parent, const QString &caption, const QString &initialPath = QString());
// The rule both dialogs follow, as the toolkit's file dialog applies it.
QString withDefaultSuffix(const QString &path, const QString &defaultSuffix);

// The full colour dialog; an invalid colour when the operator cancelled.
QColor getColor(QWidget *parent, const QColor &initial);

// While the program ends on a signal: messages go to standard error, questions are answered No
// and file dialogs cancelled, so nothing waits for an operator who has gone.
void setEnding(bool on);

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

// A line of text the operator types; a null string when he cancelled. In test mode the queued
// text (queueText), or a null string when none is queued.
QString askText(QWidget *parent, const QString &label);
void queueText(const QString &text);

// Test seam: queued answers are taken in order instead of showing the dialog.
void queueAnswer(bool yes);
void queueFileName(const QString &fileName);
void queueColor(const QColor &color);
// The filter the export dialog's next file name is chosen with; the first when none is queued.
void queueChoice(int choice);
// Drops answers, file names, choices and colours nobody asked for, so they cannot answer a later
// question.
void clearQueues();
// Texts of the message boxes shown (or answered from the queue) since the last call.
QStringList takeShownMessages();
// The captions of the file dialogs opened (or answered from the queue) since the last call.
QStringList takeFileDialogTitles();
// The default button of each question asked since the last call, in order.
QList<QMessageBox::StandardButton> takeQuestionDefaults();
// Caption and filter of each file dialog asked for since the last call, as "caption|filter".
QStringList takeFileDialogs();
// True while answers are queued or the test mode is on: nothing modal is shown then.
void setTestMode(bool on);

} // namespace OperatorDialogs
