#include "gui/live/MarshalPostsDialog.h"

#include "gui/live/LiveQrWindow.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
enum Column { Number, Name, Pin };
constexpr int CodeSide = 220;
} // namespace

MarshalPostsDialog::MarshalPostsDialog(QWidget *parent)
    : QDialog(parent)
    , chkMarshalEnabled(new QCheckBox(tr("Marshals enter penalties on their phones"), this))
    , tblPosts(new QTableWidget(0, 3, this))
    , cmdAddPost(new QPushButton(tr("Add post"), this))
    , cmdNewPin(new QPushButton(tr("New PIN"), this))
    , cmdRemovePost(new QPushButton(tr("Remove post"), this))
    , lblMarshalQr(new QLabel(this))
    , lblMarshalAddress(new QLabel(this))
{
    setObjectName(QStringLiteral("frmMarshalPosts"));
    setWindowTitle(tr("Marshal posts"));
    chkMarshalEnabled->setObjectName(QStringLiteral("chkMarshalEnabled"));
    tblPosts->setObjectName(QStringLiteral("tblPosts"));
    cmdAddPost->setObjectName(QStringLiteral("cmdAddPost"));
    cmdNewPin->setObjectName(QStringLiteral("cmdNewPin"));
    cmdRemovePost->setObjectName(QStringLiteral("cmdRemovePost"));
    lblMarshalQr->setObjectName(QStringLiteral("lblMarshalQr"));
    lblMarshalAddress->setObjectName(QStringLiteral("lblMarshalAddress"));
    tblPosts->setHorizontalHeaderLabels({tr("No."), tr("Name"), tr("PIN")});
    tblPosts->verticalHeader()->hide();
    tblPosts->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblPosts->setSelectionMode(QAbstractItemView::SingleSelection);
    tblPosts->horizontalHeader()->setSectionResizeMode(Name, QHeaderView::Stretch);
    tblPosts->setColumnWidth(Number, 40);
    tblPosts->setColumnWidth(Pin, 80);
    lblMarshalQr->setFixedSize(CodeSide, CodeSide);
    lblMarshalQr->setAlignment(Qt::AlignCenter);
    lblMarshalAddress->setWordWrap(true);
    lblMarshalAddress->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblMarshalAddress->setMaximumWidth(CodeSide);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("cmdOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cmdCancel"));
    auto *postButtons = new QHBoxLayout;
    postButtons->addWidget(cmdAddPost);
    postButtons->addWidget(cmdNewPin);
    postButtons->addWidget(cmdRemovePost);
    postButtons->addStretch(1);
    auto *left = new QVBoxLayout;
    left->addWidget(chkMarshalEnabled);
    left->addWidget(tblPosts, 1);
    left->addLayout(postButtons);
    auto *right = new QVBoxLayout;
    right->addWidget(lblMarshalQr);
    right->addWidget(lblMarshalAddress);
    right->addStretch(1);
    auto *columns = new QHBoxLayout;
    columns->addLayout(left, 1);
    columns->addLayout(right);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addWidget(buttons);
    resize(640, 360);

    connect(cmdAddPost, &QPushButton::clicked, this, &MarshalPostsDialog::addPost);
    connect(cmdNewPin, &QPushButton::clicked, this, &MarshalPostsDialog::newPin);
    connect(cmdRemovePost, &QPushButton::clicked, this, &MarshalPostsDialog::removePost);
    connect(tblPosts, &QTableWidget::itemSelectionChanged, this, &MarshalPostsDialog::showCode);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        emit settingsAccepted(settings());
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void MarshalPostsDialog::showSettings(const MarshalSettings &settings, const QString &address)
{
    m_address = address;
    chkMarshalEnabled->setChecked(settings.enabled);
    tblPosts->setRowCount(0);
    for (const MarshalPost &post : settings.posts) {
        const int row = tblPosts->rowCount();
        tblPosts->insertRow(row);
        auto *number = new QTableWidgetItem(QString::number(post.number));
        number->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        auto *pin = new QTableWidgetItem(post.pin);
        pin->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        tblPosts->setItem(row, Number, number);
        tblPosts->setItem(row, Name, new QTableWidgetItem(post.name));
        tblPosts->setItem(row, Pin, pin);
    }
    if (tblPosts->rowCount() > 0)
        tblPosts->selectRow(0);
    cmdAddPost->setEnabled(tblPosts->rowCount() < MarshalSettings::MaxPosts);
    showCode();
}

MarshalSettings MarshalPostsDialog::settings() const
{
    MarshalSettings result;
    result.enabled = chkMarshalEnabled->isChecked();
    for (int row = 0; row < tblPosts->rowCount(); ++row)
        result.posts << MarshalPost {tblPosts->item(row, Number)->text().toInt(),
                                     tblPosts->item(row, Name)->text().trimmed(), tblPosts->item(row, Pin)->text()};
    std::sort(result.posts.begin(), result.posts.end(),
              [](const MarshalPost &a, const MarshalPost &b) { return a.number < b.number; });
    return result;
}

int MarshalPostsDialog::selectedRow() const
{
    const QList<QTableWidgetItem *> selected = tblPosts->selectedItems();
    return selected.isEmpty() ? -1 : selected.front()->row();
}

void MarshalPostsDialog::addPost()
{
    MarshalSettings current = settings();
    const int number = current.freeNumber();
    if (number == 0)
        return;
    current.posts << MarshalPost {number, tr("Post %1").arg(number), current.newPin()};
    std::sort(current.posts.begin(), current.posts.end(),
              [](const MarshalPost &a, const MarshalPost &b) { return a.number < b.number; });
    showSettings(current, m_address);
    for (int row = 0; row < tblPosts->rowCount(); ++row) {
        if (tblPosts->item(row, Number)->text().toInt() == number)
            tblPosts->selectRow(row);
    }
}

void MarshalPostsDialog::newPin()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    tblPosts->item(row, Pin)->setText(settings().newPin());
    showCode();
}

void MarshalPostsDialog::removePost()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    tblPosts->removeRow(row);
    cmdAddPost->setEnabled(true);
    showCode();
}

void MarshalPostsDialog::showCode()
{
    const int row = selectedRow();
    cmdNewPin->setEnabled(row >= 0);
    cmdRemovePost->setEnabled(row >= 0);
    lblMarshalQr->clear();
    if (m_address.isEmpty()) {
        lblMarshalAddress->setText(tr("The live results are switched off; the phones need them."));
        return;
    }
    if (row < 0) {
        lblMarshalAddress->setText(m_address + QStringLiteral("posten"));
        return;
    }
    const QString url = m_address + QStringLiteral("posten#pin=") + tblPosts->item(row, Pin)->text();
    const QImage code = LiveQrWindow::qrCode(url);
    if (!code.isNull()) {
        // Whole pixels per module with a quiet zone of four, so every camera reads it.
        const int scale = std::max(1, CodeSide / (code.width() + 8));
        QImage framed(code.width() + 8, code.width() + 8, QImage::Format_RGB32);
        framed.fill(Qt::white);
        for (int y = 0; y < code.height(); ++y) {
            for (int x = 0; x < code.width(); ++x) {
                if (code.pixelIndex(x, y))
                    framed.setPixel(x + 4, y + 4, qRgb(0, 0, 0));
            }
        }
        lblMarshalQr->setPixmap(QPixmap::fromImage(framed.scaled(framed.size() * scale)));
    }
    // The address breaks before the page's name, where a reader expects it.
    lblMarshalAddress->setText(
        tr("Post %1: %2")
            .arg(tblPosts->item(row, Number)->text(), m_address + QLatin1Char('\n') + url.mid(m_address.size())));
}
