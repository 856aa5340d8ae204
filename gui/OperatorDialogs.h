#pragma once

#include <QColor>
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

// The full colour dialog; an invalid colour when the operator cancelled.
QColor getColor(QWidget *parent, const QColor &initial);

// Test seam: queued answers are taken in order instead of showing the dialog.
void queueAnswer(bool yes);
void queueFileName(const QString &fileName);
void queueColor(const QColor &color);
// Texts of the message boxes shown (or answered from the queue) since the last call.
QStringList takeShownMessages();
// Caption and filter of each file dialog asked for since the last call, as "caption|filter".
QStringList takeFileDialogs();
// True while answers are queued or the test mode is on: nothing modal is shown then.
void setTestMode(bool on);

} // namespace OperatorDialogs
