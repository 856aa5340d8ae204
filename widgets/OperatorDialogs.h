#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>

class QWidget;

// Every question, message box and file dialog goes through here, so tests can answer in advance.
namespace OperatorDialogs {

// Yes/No question with the caption "Zorvexa" and a question icon; true only for Yes.
bool AskYesNo(QWidget *parent, const QString &text);
void ShowError(QWidget *parent, const QString &text);
void ShowInformation(QWidget *parent, const QString &text);

// An empty result means the operator cancelled. The dialogs open at initialPath (the file
// chosen last). The open dialog takes only an existing file; the save dialog asks before it
// replaces a file or creates a new one, and refuses a read-only file.
QString GetOpenFileName(QWidget *parent, const QString &caption, const QString &filter,
                        const QString &initialPath = QString());
QString GetSaveFileName(QWidget *parent, const QString &caption, const QString &filter,
                        const QString &defaultSuffix, const QString &initialPath = QString());

// Test seam: queued answers are taken in order instead of showing the dialog.
void QueueAnswer(bool yes);
void QueueFileName(const QString &fileName);
// Texts of the message boxes shown (or answered from the queue) since the last call.
QStringList TakeShownMessages();
// True while answers are queued or the test mode is on: nothing modal is shown then.
void SetTestMode(bool on);

} // namespace OperatorDialogs
