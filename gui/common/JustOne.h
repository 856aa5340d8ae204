#pragma once

#include <QObject>
#include <memory>

class QLocalServer;
class QLockFile;
class QWidget;

// Keeps a second copy of the program from running: the second copy brings the first
// copy's window to the front and ends without showing or writing anything.
class TXJustOne final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TXJustOne)
    Q_PROPERTY(bool SwitchToPrevious READ SwitchToPrevious WRITE SetSwitchToPrevious)

public:
    // The owner is the window the running copy brings to the front when asked.
    explicit TXJustOne(QWidget *owner);
    ~TXJustOne() override;

    bool SwitchToPrevious() const { return m_switchToPrevious; }
    void SetSwitchToPrevious(bool on) { m_switchToPrevious = on; }

    // Runs once the owner window is built; false when another copy already runs.
    bool Loaded();
    bool isSecondCopy() const { return m_secondCopy; }

    // The lock's name; the files live in the user's runtime folder.
    static QString lockName();
    // The lock file of this user; the socket other copies call is beside it.
    static QString lockPath();

signals:
    void AlreadyExist(TXJustOne *sender);

private:
    void askPreviousToShow() const;
    void listenForOtherCopies();
    void bringOwnerToFront();

    QWidget *m_owner;
    bool m_switchToPrevious = true;
    bool m_release = false;
    bool m_secondCopy = false;
    QString m_serverPath;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
};
