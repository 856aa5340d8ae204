#include "gui/settings/Form_Classes.h"

#include "core/session/RaceSession.h"
#include "core/settings/ClassNames.h"
#include "core/settings/SettingsStore.h"
#include "gui/common/OperatorDialogs.h"
#include "gui/common/TranslateWindow.h"
#include "gui/common/WindowLook.h"
#include "gui/widgets/ListGrid.h"

#include <QHeaderView>
#include <QPushButton>

TfrmClasses::TfrmClasses(RaceSession &session, ClassNames &names, SettingsStore &store, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , m_session(session)
    , m_names(names)
    , m_store(store)
{
    const WindowCreation creation(this);
    setObjectName(QStringLiteral("frmClasses"));
    setWindowTitle(tr("Class Editor"));
    setFixedSize(265, 295);
    setFont(arialBold(13));
    centreOnScreen(this);

    Grid = new ListGridView(this);
    Grid->setObjectName(QStringLiteral("Grid"));
    Grid->setGeometry(4, 4, 257, 253);
    Grid->setModel(&names);
    Grid->setSelectionMode(QAbstractItemView::SingleSelection);
    Grid->setColumnWidth(0, 50);
    Grid->setColumnWidth(1, 200);
    Grid->horizontalHeader()->setSectionsClickable(false);
    // The German title of the number column ("Klasse/n") is wider than the column in bold.
    QFont headerFont = arialBold(12);
    headerFont.setBold(false);
    Grid->horizontalHeader()->setFont(headerFont);

    auto *ok = new QPushButton(tr("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setGeometry(4, 264, 257, 29);
    ok->setDefault(true);
    ok->setAutoDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    if (const FileResult loaded = m_names.LoadClassNames(m_store); !loaded)
        OperatorDialogs::showError(this, loaded.error().message());
    // An import may rename classes: the grid offers the names in force.
    connect(&m_session, &RaceSession::rulesChanged, this,
            [this](const RaceRules &rules) { m_names.setNames(rules.classNames); });
}

TfrmClasses::~TfrmClasses() = default;

void TfrmClasses::done(int result)
{
    // A name still being typed is taken, as leaving the cell would take it.
    Grid->finishEditing();
    if (const FileResult saved = m_names.SaveClassNames(m_store); !saved)
        OperatorDialogs::showError(this, saved.error().message());
    // In force even when the file kept the old names: the operator sees the error and the new names.
    RaceRules rules = m_session.rules();
    rules.classNames = m_names.names();
    m_session.setRules(rules);
    QDialog::done(result);
}
