#pragma once

#include "core/marshal/MarshalPosts.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;
class QTableWidget;

// The marshal posts: up to eight, each with a number, a name and a PIN the program makes, and the
// QR code a post's phone scans: the page's address with the PIN in the fragment, which no request
// and so no log ever carries.
class MarshalPostsDialog final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MarshalPostsDialog)

public:
    explicit MarshalPostsDialog(QWidget *parent = nullptr);

    // address: the live results' address, empty while the server is off.
    void showSettings(const MarshalSettings &settings, const QString &address);
    MarshalSettings settings() const;

signals:
    void settingsAccepted(const MarshalSettings &settings);

private:
    void addPost();
    void newPin();
    void removePost();
    void showCode();
    int selectedRow() const;

    QCheckBox *chkMarshalEnabled;
    QTableWidget *tblPosts;
    QPushButton *cmdAddPost;
    QPushButton *cmdNewPin;
    QPushButton *cmdRemovePost;
    QLabel *lblMarshalQr;
    QLabel *lblMarshalAddress;
    QString m_address;
};
